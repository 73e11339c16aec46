// The simulator's command line. Every fault and setting is an option; see
// kUsage in options.cpp, which --help prints.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "board.h"
#include "bridge.h"

namespace boardsim {

struct Options {
  std::string device;  // empty: a new pseudo-terminal
  std::string link;
  std::string flashOut;
  bool exitAfterEnd = false;
  bool fast = false;
  bool verbose = false;
  std::chrono::milliseconds writeDelay{2};
  std::chrono::milliseconds backAfter{0};  // after a requested hang-up; 0: end there
  BridgeSettings bridge;
  Faults faults;
};

struct ParsedOptions {
  std::optional<Options> options;  // empty: print `message` and stop
  std::string message;             // the usage text for --help, the version, else the error
  bool helpAsked = false;          // --help or --version: `message` goes to stdout, exit 0
};

ParsedOptions parseOptions(int argc, const char* const argv[]);

}  // namespace boardsim
