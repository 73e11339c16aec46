// The flasher's command line.
//
//   tarnwick-flash [OPTION]... PORT FILE.hex
//   tarnwick-flash --info [OPTION]... PORT
//   tarnwick-flash --every [OPTION]... MATCH FILE.hex
//   tarnwick-flash --station MATCH FILE.hex [--log FILE.jsonl] [OPTION]...
//   tarnwick-flash --list [--json]
//
// Parsing never exits and never prints: it returns the options, or the text
// to print and the exit code to end with (the help, the version, or a usage
// error).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "serial/serial_port.h"

namespace tarnwick::flash {

struct FlashOptions {
  // A device, passed to the port layer byte for byte as typed, or a board
  // name (board_name.h); with --every, MATCH.
  std::string port;
  std::string hexFile;   // empty with --info
  bool info = false;     // only ask the board who it is
  bool go = false;       // start the program after a verified run
  bool check = true;     // refuse a file that is not one whole Intel HEX image
  bool quiet = false;    // no progress
  bool verbose = false;  // show every answer of the board
  bool list = false;     // only list the system's serial ports
  bool json = false;     // the list, or the run's report (--info's too), as JSON on standard output
  bool every = false;    // flash every board that `port` matches, side by side
  bool station = false;  // flash every board that `port` matches as it is plugged in
  std::string log;       // --station: the JSON Lines file a record a board goes to
  std::string serve;     // --station: [ADDRESS:]PORT of the read-only page and metrics
  std::chrono::milliseconds answerTimeout{5000};
  // The quiet that ends one answer; 20 ms is the window's.
  std::chrono::milliseconds answerGap{20};
  // Line: an answer also ends at a line end followed by a short quiet.
  // Quiet: only the gap ends it, the window's exact timing.
  serial::AnswerEnd answerEnd = serial::AnswerEnd::Line;
};

struct ParsedCommandLine {
  std::optional<FlashOptions> options;  // empty: print `text` and exit with `exitCode`
  std::string text;                     // help or version (stdout), or an error (stderr)
  int exitCode = 0;
};

ParsedCommandLine parseCommandLine(int argc, const char* const argv[]);

// A usage error found after parsing (exit code 64), worded as the parser's.
ParsedCommandLine usageError(const std::string& problem);

// "line" or "quiet", as --answer-end takes them.
const char* answerEndWord(serial::AnswerEnd end);

// The help text, with the exit codes.
const char* usageText();

}  // namespace tarnwick::flash
