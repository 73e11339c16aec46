// What the station keeps of each board: one JSON object on one line, for the
// log (JSON Lines) and for --json alike, so that one reader serves both.
//
// The object is the report of the board's run (flash_report.h: device,
// outcome, exit_code, message, seconds, board_info, ...) with what ties the
// board to its image: when the run ended (UTC, to the millisecond), the host,
// what the board's USB device said of itself (taken when it was plugged in),
// and the image's file, size, lines and SHA-256. A USB string the board does
// not give is null: CH340 bridges give no serial number, and CP2102 ones often
// all say "0001", so the USB path ("location") is always given with it.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

#include "flash/report/flash_report.h"
#include "flash/session/hex_image.h"
#include "serial/devices/port_enumeration.h"

namespace tarnwick::flash {

struct StationRecord {
  std::chrono::system_clock::time_point ended;
  std::string host;
  serial::PortDescription board;
  const HexImage* image = nullptr;
  BoardReport report;
};

// One line, ending with its line end.
std::string stationRecordJson(const StationRecord& record);

// "2026-12-08T00:41:07.123Z"
std::string utcTimestamp(std::chrono::system_clock::time_point when);

// This machine's name, as the system gives it; empty when it gives none.
// These two, one file per platform.
std::string hostName();
// The calendar time in UTC of a time in seconds since 1970.
std::tm utcCalendar(std::time_t when);

}  // namespace tarnwick::flash
