#include "flash/command_line.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "flash/report/exit_codes.h"
#include "serial/devices/board_name.h"
#include "serial/net/network_address.h"

namespace tarnwick::flash {
namespace {

constexpr char kUsage[] =
    R"(Usage: tarnwick-flash [OPTION]... PORT FILE.hex
       tarnwick-flash --info [OPTION]... PORT
       tarnwick-flash --every [OPTION]... MATCH FILE.hex
       tarnwick-flash --station MATCH FILE.hex [--log FILE.jsonl] [OPTION]...
       tarnwick-flash --list [--json]
Loads an Intel HEX file into a board through its serial boot loader, the way
the Tarnwick window does: connects to PORT (an attempt every 100 ms, giving up
after about 20 s), sends the file line by line, sends it again to verify, and
ends when the board has verified it.

  --go                 start the loaded program ("BOOTg") after a verified run
  --info               only connect, print the board's answer to the
                       connection's "BOOTinfo" on standard output, and end
  --every              flash every board that MATCH names, all at the same
                       time, each through its own port and session; MATCH is
                       a board name (below) or a comma-separated list of
                       devices, and the boards are those present at the
                       start. At the end a table on standard output: device,
                       USB location, serial number, outcome, exit code, time
  --station            a production station: run until Ctrl+C or SIGTERM and
                       flash each board that MATCH names as it is plugged in
                       (or present at the start), each in a session of its
                       own, side by side; MATCH is a board name or a
                       comma-separated list of board names and device paths
                       (the sockets of a fixture as usb-path: names, or links
                       such as /dev/serial/by-path/...; a path counts as
                       present while it exists). The image is read and
                       checked once, at the start. A socket shows PASS or
                       FAIL until its board is gone; a board is never flashed
                       twice while it stays plugged in. Ends with 130 and the
                       totals
  --log FILE           with --station: append one JSON object a board to FILE
                       (JSON Lines): time, host, device, USB path and ids,
                       manufacturer, product, serial number, the image's file,
                       size, lines and SHA-256, the board's answer, outcome,
                       exit code, message, seconds. Each record is on the disk
                       before its board shows PASS; a log that cannot be
                       written stops the station (73)
  --serve [ADDRESS:]PORT
                       with --station: serve a live page of the sockets
                       (/), Prometheus metrics (/metrics) and this run's
                       records (/records), read-only; a bare PORT listens
                       on 127.0.0.1 only
  --list               list the system's serial ports, one a line: device,
                       USB vendor:product id, manufacturer, product, serial
                       number, interface and USB location; then end
  --json               with --list, the list as a JSON array; with a run or
                       --info, a report of it as one JSON object on standard
                       output at its end, the answer to --info in its
                       board_info (with --every, an array of them, and the
                       table goes to standard error; with --station, each
                       board's record as one line as the board ends), with
                       the answer end used and answer_delay_ms, the median
                       time the board's first answers took to arrive (8 ms or
                       more: the port's adapter holds them back, which the
                       flasher also says once). The board's answers and the
                       file's lines are bytes: each byte is written as the
                       character of the same number, U+0000 to U+00FF
  --answer-end line|quiet
                       what ends one answer of the board. line (default): a
                       line end (LF) followed by a short quiet of about 1 ms,
                       so each line's exchange takes little more than its
                       bytes' time on the wire; inside a line only the answer
                       gap does, and an answer with no line end ends after
                       it. quiet: only the answer gap, the window's timing
  --answer-gap MS      the quiet, in milliseconds, that ends one answer of the
                       board inside a line (with --answer-end quiet, anywhere):
                       1 to 20 (default 20, the window's timing). A short gap
                       ends an answer without a line end sooner; but a board
                       whose answer stalls longer than the gap is seen as two
                       answers, and a keyword cut in two is then seen in
                       neither
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
  -v, --verbose        print every answer of the board, what waited on the
                       port before the first command (dropped), and the
                       window's own message texts
  -h, --help           show this text
      --version        show the version

PORT is the serial device as the system names it (/dev/ttyACM0, COM5:), a
board named by what it is (looked up among the system's serial ports at every
attempt, so that a board plugged in during the attempts is found), or a port
served on the network:
  usb:VVVV:PPPP          USB vendor and product id, in hex (usb:2341:0043)
  usb:VVVV:PPPP:SERIAL   the same, and the USB serial number
  serial:SERIAL          the USB serial number
  usb-path:LOCATION      the USB socket as --list shows it (usb-path:1-2.3),
                         the same for whichever board is plugged into it
  socket://HOST:PORT     raw TCP, the line set by the server
  rfc2217://HOST:PORT    Telnet with RFC 2217, which sets the line itself
                         (a server's PORT: 1 to 65535, or a service name)
A board name that matches several ports ends the run at once and lists them.
A port that does not open is named with the system's reason at the give-up
("Permission denied", "Device or resource busy", "No such file or
directory"); a name that is no serial device (a file, a FIFO) ends the run at
once.

Progress and messages go to standard error: on a terminal one line redrawn in
place (one a board with --every, one a socket with --station), otherwise a
line at each phase (prefixed with the board's device with --every; a line an
event with --station). No file is written but the log --station --log names,
and no configuration is read.

Exit status:
   0  the board verified every line (with --info: the board answered; with
      --every: every board verified)
   2  the port was not available: the attempts gave up, or it is no serial
      device
   3  the HEX file could not be loaded, or is not one whole Intel HEX image
   4  the board answered "ERROR" (the line sent last is named)
   5  the board gave no answer within the time-out
   6  the port's device vanished (unplugged or hung up)
   7  the board name matched more than one port (they are listed)
   8  the board did not follow the protocol: it ended a pass early, or
      answered so that a pass would start again or a line go out of turn
   9  the board answered "FORMAT": the run stops there, as the window's
      would, and the answer is named
  64  the command line was wrong
  73  --station: the log could not be written
 130  interrupted (SIGINT, SIGTERM, or SIGHUP from a closed terminal); where
      the run stood is named, and --json still reports; how --station ends
With --every, the highest code of the boards.
)";

constexpr char kTryHelp[] = "Try 'tarnwick-flash --help'.\n";
constexpr long kMaxTimeoutMs = 86400L * 1000;  // a day

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
                     : arg == "--list"                   ? &options.list
                     : arg == "--json"                   ? &options.json
                     : arg == "--every"                  ? &options.every
                     : arg == "--station"                ? &options.station
                     : arg == "-q" || arg == "--quiet"   ? &options.quiet
                     : arg == "-v" || arg == "--verbose" ? &options.verbose
                                                         : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

std::optional<std::string> conflict(const FlashOptions& options) {
  if (options.info && options.go) return "--info and --go exclude each other";
  if (options.quiet && options.verbose) return "--quiet and --verbose exclude each other";
  if (options.info && options.every) return "--info and --every exclude each other";
  if (options.station && (options.info || options.every)) {
    return std::string("--station and ") + (options.info ? "--info" : "--every") +
           " exclude each other";
  }
  if (!options.log.empty() && !options.station) return "--log goes with --station";
  if (!options.serve.empty() && !options.station) return "--serve goes with --station";
  return std::nullopt;
}

// A network name must reach one port, not whatever the resolver makes of a typo.
std::optional<std::string> networkProblem(const std::string& name) {
  std::string problem;
  if (!serial::isNetworkPortName(name) || serial::parseNetworkAddress(name, problem)) {
    return std::nullopt;
  }
  return "'" + name + "' is no network port: " + problem;
}

// --station: each item a board name or a device path, none empty, none twice.
std::optional<std::string> stationMatchProblem(const std::string& match) {
  std::vector<std::string> seen;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = match.find(',', start);
    const std::string item = match.substr(start, comma - start);
    std::string error;
    if (item.empty()) return "MATCH '" + match + "' holds an empty item";
    if (serial::isNetworkPortName(item)) {
      return "--station watches devices; " + item + " is a network port";
    }
    if (serial::isBoardName(item) && !serial::parseBoardName(item, error)) {
      return "'" + item + "' is no board name: " + error;
    }
    if (std::find(seen.begin(), seen.end(), item) != seen.end()) {
      return "MATCH names " + item + " twice";
    }
    seen.push_back(item);
    if (comma == std::string::npos) return std::nullopt;
    start = comma + 1;
  }
}

// A board name must be one; a list of devices must not hold an empty one.
std::optional<std::string> portProblem(const FlashOptions& options) {
  const bool match = options.every || options.station;
  if (options.port.empty()) return std::string(match ? "MATCH" : "PORT") + " is empty";
  std::string error;
  if (options.station) return stationMatchProblem(options.port);
  if (serial::isBoardName(options.port)) {
    if (!serial::parseBoardName(options.port, error)) {
      return "'" + options.port + "' is no board name: " + error;
    }
    return std::nullopt;
  }
  if (!options.every) return networkProblem(options.port);
  // One device twice would be two sessions on one port, and one of them busy.
  std::vector<std::string> seen;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = options.port.find(',', start);
    const std::string device = options.port.substr(start, comma - start);
    if (device.empty()) return "MATCH '" + options.port + "' holds an empty device";
    if (auto problem = networkProblem(device)) return problem;
    if (std::find(seen.begin(), seen.end(), device) != seen.end()) {
      return "MATCH names " + device + " twice";
    }
    seen.push_back(device);
    if (comma == std::string::npos) return std::nullopt;
    start = comma + 1;
  }
}

ParsedCommandLine checkList(const FlashOptions& options, const std::vector<std::string>& operands) {
  if (!operands.empty()) return usageError("--list takes no PORT or FILE.hex");
  if (options.info || options.every || options.station || options.go || !options.log.empty())
    return usageError("--list goes alone, or with --json");
  return ParsedCommandLine{options, {}, 0};
}

ParsedCommandLine checkOperands(FlashOptions options, const std::vector<std::string>& operands) {
  if (options.list) return checkList(options, operands);
  const std::size_t wanted = options.info ? 1 : 2;
  const char* const port = options.every || options.station ? "MATCH" : "PORT";
  if (operands.empty())
    return usageError(options.info ? "missing PORT"
                                   : std::string("missing ") + port + " and FILE.hex");
  if (operands.size() < wanted) return usageError("missing FILE.hex");
  if (operands.size() > wanted) return usageError("unexpected argument '" + operands[wanted] + "'");
  if (!options.info && operands[1].empty()) return usageError("FILE.hex is empty");
  if (const auto problem = conflict(options)) return usageError(*problem);
  options.port = operands[0];
  if (const auto problem = portProblem(options)) return usageError(*problem);
  if (!options.info) options.hexFile = operands[1];
  return ParsedCommandLine{options, {}, 0};
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; false
// when `arg` is not that option. `value` is empty when it is missing.
bool optionValue(const std::string& name, int argc, const char* const argv[], int& i,
                 std::optional<std::string>& value) {
  const std::string arg = argv[i];
  if (arg == name) {
    value = i + 1 < argc ? std::optional<std::string>(argv[++i]) : std::nullopt;
    return true;
  }
  if (arg.rfind(name + "=", 0) != 0) return false;
  value = arg.substr(name.size() + 1);
  return true;
}

std::optional<serial::AnswerEnd> parseAnswerEnd(const std::string& text) {
  for (const auto end : {serial::AnswerEnd::Line, serial::AnswerEnd::Quiet}) {
    if (text == answerEndWord(end)) return end;
  }
  return std::nullopt;
}

std::optional<std::chrono::milliseconds> parseGap(const std::string& text) {
  if (text.empty() || text.size() > 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      !std::isdigit(static_cast<unsigned char>(text.back()))) {
    return std::nullopt;
  }
  const int ms = std::stoi(text);
  if (ms < 1 || ms > 20) return std::nullopt;
  return std::chrono::milliseconds(ms);
}

}  // namespace

ParsedCommandLine usageError(const std::string& problem) {
  return ParsedCommandLine{std::nullopt, "tarnwick-flash: " + problem + "\n" + kTryHelp,
                           kExitUsage};
}

const char* usageText() {
  return kUsage;
}

ParsedCommandLine parseCommandLine(int argc, const char* const argv[]) {
  FlashOptions options;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  std::optional<std::string> value;
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
    } else if (optionValue("--answer-timeout", argc, argv, i, value)) {
      if (!value) return usageError("--answer-timeout needs a number of seconds");
      const auto timeout = parseSeconds(*value);
      if (!timeout) {
        return usageError("--answer-timeout takes seconds above 0 and up to 86400, not '" + *value +
                          "'");
      }
      options.answerTimeout = *timeout;
    } else if (optionValue("--log", argc, argv, i, value)) {
      if (!value || value->empty()) return usageError("--log needs a file");
      options.log = *value;
    } else if (optionValue("--serve", argc, argv, i, value)) {
      if (!value || value->empty()) return usageError("--serve needs [ADDRESS:]PORT");
      options.serve = *value;
    } else if (optionValue("--answer-end", argc, argv, i, value)) {
      const auto end = value ? parseAnswerEnd(*value) : std::nullopt;
      if (!end) {
        return usageError("--answer-end takes line or quiet" +
                          (value ? ", not '" + *value + "'" : std::string()));
      }
      options.answerEnd = *end;
    } else if (optionValue("--answer-gap", argc, argv, i, value)) {
      if (!value) return usageError("--answer-gap needs a number of milliseconds");
      const auto gap = parseGap(*value);
      if (!gap) return usageError("--answer-gap takes 1 to 20 milliseconds, not '" + *value + "'");
      options.answerGap = *gap;
    } else {
      return usageError("unknown option '" + arg + "'");
    }
  }
  return checkOperands(options, operands);
}

}  // namespace tarnwick::flash
