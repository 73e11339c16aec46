#include "options.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace boardsim {
namespace {

constexpr char kUsage[] =
    R"(Usage: tarnwick-boardsim [OPTION]... [DEVICE]
Plays a board's serial boot loader on a new pseudo-terminal, or on DEVICE.
Prints the port's path as the first line of its output (and a new path on a
line of its own each time it comes back, see --back-after), then serves the
host until SIGINT or SIGTERM (which also cut short an answer being sent or
paced, within half a second); then writes the flash (see --flash-out) and
prints one line "summary: records=R bytes=B base=0xADDRESS errors=E" (sound
records received, flash bytes written, lowest flash address, "ERROR" answers).

  --link NAME        make a symbolic link NAME to the port (e.g. "COM5:");
                     removed at exit
  --flash-out FILE   at exit, write the flash from its lowest to its highest
                     written address to FILE (never-written bytes 0xFF), and
                     the lowest address, as "0x08000000", to FILE.base
  --exit-after-end   end once the host has read the answer to the end-of-file
                     record of a verify pass
  --fast             no 115200-baud pacing and no flash-write time
  --write-delay MS   time taken by each flash write (default 2)
  --verbose          log commands and answers on standard error
  --adapter NAME     hand the board's bytes to the host as this USB serial
                     bridge would (the board itself answers as ever):
                       none     at once, as the line delivers them (default)
                       ftdi     in packets of up to 62 bytes: a full one at
                                once, else what is held when the latency
                                timer fires, every --latency MS
                       cdc-acm  all that is held once per 1 ms USB frame,
                                in 64-byte packets
                     Not played: the way to the board (commands arrive as
                     the line delivers them), the FTDI event character,
                     USB bus load and jitter, the host driver's buffering
  --latency MS       the ftdi latency timer (default 16; 1 to 255)
  -h, --help         show this text
  --version          show the version

Faults. Record N is the Nth "BOOT:" or "BOOT#" command since the start,
counted from 1 across both passes (the verify pass of a 100-line file is
records 101 to 200); answer N is the Nth answer that would be sent.
  --silent           never answer
  --silent-from N    answer nothing from record N on (1: silent after "VER=")
  --drop-every N     leave every Nth answer unsent
  --error-at N       answer "ERROR" to record N, without storing it
  --format-at N      store record N, answer "FORMAT"
  --hangup-at N      on record N, close the port (the host sees it vanish)
                     and end, without answering it
  --back-after MS    with --hangup-at: instead of ending, come back MS
                     milliseconds later on a new port (printed, and linked
                     by --link), flash kept, as a board plugged in again
  --lower-case       answer in lower case
  --ok-to-eof        answer "OK" instead of "DOWNLOAD" to the end-of-file
                     record, as a board that does not know that record
  --split-answers    send each answer in two parts 100 ms apart, cut in the
                     middle of its text
  --burst N          send N filler bytes (".") before each answer, at line
                     speed with no pause; over 255 takes the host two reads,
                     and 345600 floods the line for 30 s before the answer
  --ver-text TEXT    answer "VER=TEXT" to "BOOTinfo", as a board of another
                     make (any bytes: a board's answer is data)
  --withhold-ver MS  leave "BOOTinfo" unanswered until MS milliseconds after
                     the first one
)";

using Setter = std::function<void(Options&, unsigned)>;

const std::map<std::string, Setter>& numericOptions() {
  static const std::map<std::string, Setter> table{
      {"--write-delay",
       [](Options& o, unsigned v) { o.writeDelay = std::chrono::milliseconds(v); }},
      {"--back-after", [](Options& o, unsigned v) { o.backAfter = std::chrono::milliseconds(v); }},
      {"--latency",
       [](Options& o, unsigned v) { o.bridge.latency = std::chrono::milliseconds(v); }},
      {"--silent-from", [](Options& o, unsigned v) { o.faults.silentFrom = v; }},
      {"--drop-every", [](Options& o, unsigned v) { o.faults.dropEvery = v; }},
      {"--error-at", [](Options& o, unsigned v) { o.faults.errorAt = v; }},
      {"--format-at", [](Options& o, unsigned v) { o.faults.formatAt = v; }},
      {"--hangup-at", [](Options& o, unsigned v) { o.faults.hangUpAt = v; }},
      {"--burst", [](Options& o, unsigned v) { o.faults.burstBytes = v; }},
      {"--withhold-ver",
       [](Options& o, unsigned v) { o.faults.withholdVersion = std::chrono::milliseconds(v); }},
  };
  return table;
}

bool setFlag(Options& o, const std::string& name) {
  bool* const flag = name == "--exit-after-end"  ? &o.exitAfterEnd
                     : name == "--fast"          ? &o.fast
                     : name == "--verbose"       ? &o.verbose
                     : name == "--silent"        ? &o.faults.silent
                     : name == "--lower-case"    ? &o.faults.lowerCase
                     : name == "--ok-to-eof"     ? &o.faults.okToEndOfFile
                     : name == "--split-answers" ? &o.faults.splitAnswers
                                                 : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

// A whole number up to 10^7; 0 turns the setting off.
std::optional<unsigned> wholeNumber(const char* text) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0' || value > 10000000) {
    return std::nullopt;
  }
  return static_cast<unsigned>(value);
}

ParsedOptions fail(const std::string& message) {
  return ParsedOptions{std::nullopt, message + "\nTry 'tarnwick-boardsim --help'.\n"};
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const argv[]) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return ParsedOptions{std::nullopt, kUsage, true};
    if (arg == "--version")
      return ParsedOptions{std::nullopt, "tarnwick-boardsim " TARNWICK_VERSION "\n", true};
    if (setFlag(options, arg)) continue;
    const bool takesValue = arg == "--link" || arg == "--flash-out" || arg == "--adapter" ||
                            arg == "--ver-text" || numericOptions().count(arg);
    if (takesValue && i + 1 >= argc) return fail(arg + " needs a value");
    if (arg == "--link") {
      options.link = argv[++i];
    } else if (arg == "--flash-out") {
      options.flashOut = argv[++i];
    } else if (arg == "--adapter") {
      if (!adapterNamed(argv[++i], options.bridge.adapter))
        return fail(std::string("--adapter takes none, ftdi or cdc-acm, not '") + argv[i] + "'");
    } else if (arg == "--ver-text") {
      options.faults.versionText = argv[++i];
    } else if (takesValue) {
      const auto value = wholeNumber(argv[++i]);
      if (!value) return fail(arg + " needs a whole number, not '" + argv[i] + "'");
      numericOptions().at(arg)(options, *value);
    } else if (arg.rfind("-", 0) == 0 || !options.device.empty()) {
      return fail("unknown option or extra argument '" + arg + "'");
    } else {
      options.device = arg;
    }
  }
  const auto latency = options.bridge.latency.count();
  if (latency < 1 || latency > 255) return fail("--latency takes 1 to 255 milliseconds");
  return ParsedOptions{options, {}};
}

}  // namespace boardsim
