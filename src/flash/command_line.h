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

#include <optional>
#include <string>

#include "flash/session/flash_options.h"

namespace tarnwick::flash {

struct ParsedCommandLine {
  std::optional<FlashOptions> options;  // empty: print `text` and exit with `exitCode`
  std::string text;                     // help or version (stdout), or an error (stderr)
  int exitCode = 0;
};

ParsedCommandLine parseCommandLine(int argc, const char* const argv[]);

// A usage error found after parsing (exit code 64), worded as the parser's.
ParsedCommandLine usageError(const std::string& problem);

// The help text, with the exit codes.
const char* usageText();

}  // namespace tarnwick::flash
