// The flasher's command line, on any arguments.
//
// Input: the arguments, separated by zero bytes. Properties: the parse gives
// options, or a text with exit code 0 (help, version) or 64 (a usage error
// that names the program and points to --help), never both; options that
// were accepted keep their ranges and exclusions, name a port and a file
// where the mode needs them, and written out again as a canonical command
// line parse to the same options.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "flash/command_line.h"
#include "flash/report/exit_codes.h"
#include "fuzz_check.h"

namespace {

using tarnwick::flash::FlashOptions;
using tarnwick::flash::ParsedCommandLine;

ParsedCommandLine parse(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"tarnwick-flash"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return tarnwick::flash::parseCommandLine(static_cast<int>(argv.size() - 1), argv.data());
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> canonical(const FlashOptions& options) {
  std::vector<std::string> args;
  const std::pair<bool, const char*> flags[] = {
      {options.info, "--info"},   {options.go, "--go"},       {!options.check, "--no-check"},
      {options.quiet, "--quiet"}, {options.verbose, "-v"},    {options.list, "--list"},
      {options.json, "--json"},   {options.every, "--every"}, {options.station, "--station"},
  };
  for (const auto& [set, flag] : flags) {
    if (set) args.emplace_back(flag);
  }
  char seconds[32];
  const auto ms = options.answerTimeout.count();
  std::snprintf(seconds, sizeof seconds, "%lld.%03lld", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  if (!options.log.empty()) args.insert(args.end(), {"--log", options.log});
  args.insert(args.end(), {"--answer-timeout", seconds, "--answer-gap",
                           std::to_string(options.answerGap.count()), "--"});
  if (options.list) return args;
  args.push_back(options.port);
  if (!options.info) args.push_back(options.hexFile);
  return args;
}

void checkOptions(const FlashOptions& options) {
  FUZZ_CHECK(options.answerGap.count() >= 1 && options.answerGap.count() <= 20);
  FUZZ_CHECK(options.answerTimeout.count() >= 1 && options.answerTimeout.count() <= 86'400'000);
  FUZZ_CHECK(!(options.info && options.go) && !(options.quiet && options.verbose));
  FUZZ_CHECK(!(options.info && options.every));
  FUZZ_CHECK(!(options.station && (options.info || options.every)));
  FUZZ_CHECK(options.log.empty() || options.station);
  if (options.list) {
    FUZZ_CHECK(options.port.empty() && options.hexFile.empty() && !options.info && !options.go);
    return;
  }
  FUZZ_CHECK(!options.port.empty());
  FUZZ_CHECK(options.hexFile.empty() == options.info);
}

bool sameOptions(const FlashOptions& a, const FlashOptions& b) {
  return a.port == b.port && a.hexFile == b.hexFile && a.info == b.info && a.go == b.go &&
         a.check == b.check && a.quiet == b.quiet && a.verbose == b.verbose && a.list == b.list &&
         a.json == b.json && a.every == b.every && a.station == b.station && a.log == b.log &&
         a.answerTimeout == b.answerTimeout && a.answerGap == b.answerGap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    args.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  if (size == 0) args.clear();

  const ParsedCommandLine parsed = parse(args);
  if (!parsed.options) {
    FUZZ_CHECK(!parsed.text.empty());
    FUZZ_CHECK(parsed.exitCode == tarnwick::flash::kExitVerified ||
               parsed.exitCode == tarnwick::flash::kExitUsage);
    if (parsed.exitCode == tarnwick::flash::kExitUsage) {
      FUZZ_CHECK(parsed.text.rfind("tarnwick-flash: ", 0) == 0);
      FUZZ_CHECK(endsWith(parsed.text, "Try 'tarnwick-flash --help'.\n"));
    }
    return 0;
  }
  FUZZ_CHECK(parsed.text.empty() && parsed.exitCode == 0);
  checkOptions(*parsed.options);
  const ParsedCommandLine again = parse(canonical(*parsed.options));
  FUZZ_CHECK(again.options && sameOptions(*again.options, *parsed.options));
  return 0;
}
