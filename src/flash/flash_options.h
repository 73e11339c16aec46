// The flasher's command line.
//
//   tarnwick-flash [OPTION]... PORT FILE.hex
//   tarnwick-flash --info [OPTION]... PORT
//
// Parsing never exits and never prints: it returns the options, or the text
// to print and the exit code to end with (the help, the version, or a usage
// error).
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace tarnwick::flash {

struct FlashOptions {
  std::string port;      // passed to the port layer byte for byte, as typed
  std::string hexFile;   // empty with --info
  bool info = false;     // only ask the board who it is
  bool go = false;       // start the program after a verified run
  bool check = true;     // refuse a file that is not one whole Intel HEX image
  bool quiet = false;    // no progress
  bool verbose = false;  // show every answer of the board
  std::chrono::milliseconds answerTimeout{5000};
};

struct ParsedCommandLine {
  std::optional<FlashOptions> options;  // empty: print `text` and exit with `exitCode`
  std::string text;                     // help or version (stdout), or an error (stderr)
  int exitCode = 0;
};

ParsedCommandLine parseCommandLine(int argc, const char* const argv[]);

// The help text, with the exit codes.
const char* usageText();

}  // namespace tarnwick::flash
