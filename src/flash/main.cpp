// tarnwick-flash: the download of the window, without the window, for
// scripts and production benches. See flash_session.h for how a run goes,
// gang_run.h for --every, station.h for --station and flash_options.cpp for
// the command line and the exit codes.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "flash/command_line.h"
#include "flash/gang/device_identity.h"
#include "flash/gang/gang_run.h"
#include "flash/report/exit_codes.h"
#include "flash/report/flash_report.h"
#include "flash/report/port_list.h"
#include "flash/report/terminal.h"
#include "flash/session/flash_session.h"
#include "flash/session/stop_request.h"
#include "flash/station/station.h"
#include "serial/net/serial_platform_factory.h"

namespace {

using namespace tarnwick::flash;

int listPorts(const FlashOptions& options) {
  const auto ports = tarnwick::serial::listSerialPorts();
  if (options.json) {
    std::cout << formatPortListJson(ports) << std::flush;
  } else if (ports.empty()) {
    std::cerr << "tarnwick-flash: no serial ports found\n";
  } else {
    std::cout << formatPortList(ports) << std::flush;
  }
  return kExitVerified;
}

int flashOne(const FlashOptions& options, ProgressStyle style) {
  ProgressReport progress(std::cerr, style, options.verbose);
  // Network names (socket://, rfc2217://) get the network platform, every
  // other name the system's serial ports; with --every, each board its own.
  const auto platform = tarnwick::serial::makeSerialPlatformFor(options.port);
  // With --json the report alone goes to standard output, --info's answer in it.
  std::ostringstream infoInReport;
  FlashSession session(options, *platform, progress, options.json ? infoInReport : std::cout);
  const int exitCode = session.run();
  if (options.json) {
    std::cout << reportJson(BoardReport{options.port, options.hexFile, {}, {}, session.outcome()})
              << std::flush;
  }
  return exitCode;
}

int flashEvery(const FlashOptions& options, ProgressStyle style) {
  const auto boards = gangBoards(options.port);
  if (boards.empty()) {
    std::cerr << "tarnwick-flash: " << options.port
              << " matches no serial port (--list shows them)\n";
    if (options.json) std::cout << "[]\n" << std::flush;
    return kExitPortUnavailable;
  }
  // Two names of one device would be two sessions flashing one board.
  std::vector<std::string> devices;
  for (const auto& board : boards) devices.push_back(board.openName);
  if (const auto twice = oneDeviceNamedTwice(devices)) {
    std::cerr << usageError("MATCH names one device twice: " + *twice).text << std::flush;
    return kExitUsage;
  }
  const auto reports =
      runGang(options, boards, style, std::cerr, tarnwick::serial::makeSerialPlatformFor);
  // With --json the array alone goes to standard output.
  (options.json ? std::cerr : std::cout) << reportTable(reports) << std::flush;
  if (options.json) std::cout << reportJson(reports) << std::flush;
  return gangExitCode(reports);
}

}  // namespace

int main(int argc, char* argv[]) {
  const ParsedCommandLine parsed = parseCommandLine(argc, argv);
  if (!parsed.options) {
    (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.text << std::flush;
    return parsed.exitCode;
  }
  const FlashOptions& options = *parsed.options;
  if (options.list) return listPorts(options);
  installStopSignals();
  const ProgressStyle style = options.quiet               ? ProgressStyle::Quiet
                              : standardErrorIsTerminal() ? ProgressStyle::Terminal
                                                          : ProgressStyle::Lines;
  if (options.station) {
    return runStation(options, std::cerr, std::cout, style == ProgressStyle::Terminal);
  }
  return options.every ? flashEvery(options, style) : flashOne(options, style);
}
