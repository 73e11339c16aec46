#include "flash/flash_options.h"

#include <cctype>
#include <vector>

#include "flash/exit_codes.h"

namespace tarnwick::flash {
namespace {

constexpr char kUsage[] =
    R"(Usage: tarnwick-flash [OPTION]... PORT FILE.hex
       tarnwick-flash --info [OPTION]... PORT
Loads an Intel HEX file into a board through its serial boot loader, the way
the Tarnwick window does: connects to PORT (an attempt every 100 ms, giving up
after about 20 s), sends the file line by line, sends it again to verify, and
ends when the board has verified it.

  --go                 start the loaded program ("BOOTg") after a verified run
  --info               only connect, print the board's answer to the
                       connection's "BOOTinfo" on standard output, and end
  --answer-timeout SECONDS
                       end the run when the board stays silent that long:
                       no answer holding "VER=", "ERROR", "DOWNLOAD",
                       "FORMAT" or "OK" (default 5; fractions such as 0.5
                       are allowed)
  --no-check           send the file's lines as they are, for boards that take
                       other lines; without it, a file that is not one whole
                       Intel HEX image is refused before connecting (a line
                       that is no record, a line feed inside a line, no
                       end-of-file record, or lines after it)
  -q, --quiet          no progress
  -v, --verbose        print every answer of the board
  -h, --help           show this text
      --version        show the version

PORT is the serial device as the system names it (/dev/ttyACM0, COM5:).
Progress and messages go to standard error: on a terminal one line redrawn in
place, otherwise a line at each phase. No file is written and no
configuration is read.

Exit status:
   0  the board verified every line (with --info: the board answered)
   2  the port was not available: the attempts gave up
   3  the HEX file could not be loaded, or is not one whole Intel HEX image
   4  the board answered "ERROR" (the line sent last is named)
   5  the board gave no answer within the time-out
   6  the port's device vanished (unplugged or hung up)
   8  the board did not follow the protocol: it ended a pass early, or
      answered so that a pass would start again or a line go out of turn
  64  the command line was wrong
 130  interrupted (SIGINT or SIGTERM); where the run stood is named
)";

constexpr char kTryHelp[] = "Try 'tarnwick-flash --help'.\n";
constexpr long kMaxTimeoutMs = 86400L * 1000;  // a day

ParsedCommandLine usageError(const std::string& problem) {
  return ParsedCommandLine{std::nullopt, "tarnwick-flash: " + problem + "\n" + kTryHelp,
                           kExitUsage};
}

// Seconds as digits with up to three decimals: "5", "0.5", "12.250".
std::optional<std::chrono::milliseconds> parseSeconds(const std::string& text) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  const auto allDigits = [](const std::string& s) {
    for (const char c : s) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
  };
  if (whole.empty() || whole.size() > 6 || fraction.size() > 3 || !allDigits(whole) ||
      !allDigits(fraction) || (point != std::string::npos && fraction.empty())) {
    return std::nullopt;
  }
  long ms = std::stol(whole) * 1000;
  if (!fraction.empty()) ms += std::stol((fraction + "00").substr(0, 3));
  if (ms <= 0 || ms > kMaxTimeoutMs) return std::nullopt;
  return std::chrono::milliseconds(ms);
}

// Sets a flag option; false when `arg` is none.
bool setFlag(FlashOptions& options, const std::string& arg) {
  if (arg == "--no-check") {
    options.check = false;
    return true;
  }
  bool* const flag = arg == "--go"                       ? &options.go
                     : arg == "--info"                   ? &options.info
                     : arg == "-q" || arg == "--quiet"   ? &options.quiet
                     : arg == "-v" || arg == "--verbose" ? &options.verbose
                                                         : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

ParsedCommandLine checkOperands(FlashOptions options, const std::vector<std::string>& operands) {
  const std::size_t wanted = options.info ? 1 : 2;
  if (operands.empty())
    return usageError(options.info ? "missing PORT" : "missing PORT and FILE.hex");
  if (operands.size() < wanted) return usageError("missing FILE.hex");
  if (operands.size() > wanted) return usageError("unexpected argument '" + operands[wanted] + "'");
  if (operands[0].empty()) return usageError("PORT is empty");
  if (!options.info && operands[1].empty()) return usageError("FILE.hex is empty");
  if (options.info && options.go) return usageError("--info and --go exclude each other");
  if (options.quiet && options.verbose)
    return usageError("--quiet and --verbose exclude each other");
  options.port = operands[0];
  if (!options.info) options.hexFile = operands[1];
  return ParsedCommandLine{options, {}, 0};
}

}  // namespace

const char* usageText() {
  return kUsage;
}

ParsedCommandLine parseCommandLine(int argc, const char* const argv[]) {
  FlashOptions options;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      return ParsedCommandLine{std::nullopt, kUsage, kExitVerified};
    } else if (arg == "--version") {
      return ParsedCommandLine{std::nullopt, "tarnwick-flash " TARNWICK_VERSION "\n",
                               kExitVerified};
    } else if (setFlag(options, arg)) {
      continue;
    } else if (arg == "--answer-timeout" || arg.rfind("--answer-timeout=", 0) == 0) {
      const bool valueInline = arg.size() > 16;
      if (!valueInline && i + 1 >= argc)
        return usageError("--answer-timeout needs a number of seconds");
      const std::string value = valueInline ? arg.substr(17) : argv[++i];
      const auto timeout = parseSeconds(value);
      if (!timeout) {
        return usageError("--answer-timeout takes seconds above 0 and up to 86400, not '" + value +
                          "'");
      }
      options.answerTimeout = *timeout;
    } else {
      return usageError("unknown option '" + arg + "'");
    }
  }
  return checkOperands(options, operands);
}

}  // namespace tarnwick::flash
