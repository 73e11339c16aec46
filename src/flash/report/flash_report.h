// How runs ended, for the programs and the people that read the flasher.
//
// reportJson: one JSON object a board (an array with --every): the port as
// given and the device it resolved to, the file and its lines, what ended the
// board's answers ("line" or "quiet", as --answer-end names them), the outcome
// word and exit code, the seconds, each pass, the board's answer to
// "BOOTinfo" and, after "ERROR", the line sent last.
// reportTable: one row a board for a person: device, USB location, serial
// number, outcome, exit code, time.
//
// Trap: the board's answers and the file's lines are bytes, not UTF-8, and
// may hold control bytes; a JSON text must be UTF-8. Each byte is written as
// the character of the same number (U+0000 to U+00FF), so a reader gets the
// bytes back by taking each character's number. Names typed or given by the
// system are written as they are, with bytes that are not UTF-8 as U+FFFD.
#pragma once

#include <string>
#include <vector>

#include "flash/report/flash_outcome.h"

namespace tarnwick::flash {

struct BoardReport {
  std::string port;  // as given: PORT, or the board's device with --every
  std::string file;
  std::string location;  // the USB socket, where known
  std::string serialNumber;
  FlashOutcome outcome;
};

// "verified", "unavailable", "file-not-loaded", "error", "no-answer",
// "vanished", "several-boards", "protocol-broken", "format", "interrupted".
const char* outcomeWord(int exitCode);

// Each byte as the character of the same number, in UTF-8.
std::string latin1ToUtf8(const std::string& bytes);

// One object, or an array of them; both end with a line end.
std::string reportJson(const BoardReport& report);
std::string reportJson(const std::vector<BoardReport>& reports);

std::string reportTable(const std::vector<BoardReport>& reports);

}  // namespace tarnwick::flash
