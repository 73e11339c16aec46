// --every: every board that MATCH names, flashed side by side.
//
// How it works: the boards are those MATCH names at the start: for a board
// name, every port it matches now; for a comma-separated list, each device
// in it, with what the system says about it where it lists it. Each board
// gets a thread of its own and in it its own platform (picked by the
// device's name), port, timer loop and session, so that no board waits for
// another; the handlers stay single-threaded inside each session. The threads
// share only what cannot race: the options (read only), the stop request
// (atomic) and one BoardDisplay (locked), into which each board's
// ProgressReport writes.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "flash/report/flash_report.h"
#include "flash/report/progress_report.h"
#include "flash/session/flash_options.h"
#include "flash/session/port_target.h"
#include "serial/devices/port_enumeration.h"
#include "serial/serial_platform.h"

namespace tarnwick::flash {

using PlatformMaker =
    std::function<std::unique_ptr<serial::SerialPlatform>(const std::string& device)>;

// The boards MATCH names now, in the order given (a list) or listed (a name).
std::vector<serial::PortDescription> gangBoards(const std::string& match,
                                                const PortLister& lister = serial::listSerialPorts);

// Runs one session per board at the same time; a report per board, in order.
// Progress goes to `progress` (a terminal when `style` is Terminal).
std::vector<BoardReport> runGang(const FlashOptions& options,
                                 const std::vector<serial::PortDescription>& boards,
                                 ProgressStyle style, std::ostream& progress,
                                 const PlatformMaker& makePlatform);

// 0 when every board verified, else the highest code of them.
int gangExitCode(const std::vector<BoardReport>& reports);

}  // namespace tarnwick::flash
