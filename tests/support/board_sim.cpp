#include "support/board_sim.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> withProgram(std::vector<std::string> options) {
  options.insert(options.begin(), BOARDSIM_PROGRAM);
  return options;
}

// Runs one of srecord's tools to its end; its output, or `problem` set.
std::string runSrecTool(const std::vector<std::string>& argv, std::string& problem) {
  if (argv[0].empty()) {
    problem = "srec_cat and srec_info (Debian package srecord) are needed";
    return {};
  }
  ChildProcess tool(argv);
  if (!tool.waitForExit(30s) || tool.exitCode() != 0) {
    problem = argv[0] + " failed: " + tool.errorOutput();
  }
  return tool.output();
}

}  // namespace

BoardSim::BoardSim(std::vector<std::string> options, const std::string& workDir)
    : process_(withProgram(std::move(options)), workDir), portPath_(process_.nextLine(10s)) {}

std::string BoardSim::stop() {
  process_.signal(SIGTERM);
  return waitForExit(10s);
}

std::string BoardSim::waitForExit(std::chrono::milliseconds limit) {
  return process_.waitForExit(limit) ? process_.output() : std::string();
}

SimSummary parseSummary(const std::string& output) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    SimSummary s;
    unsigned long long base = 0;
    if (std::sscanf(line.c_str(), "summary: records=%lld bytes=%lld base=0x%llx errors=%lld",
                    &s.records, &s.bytes, &base, &s.errors) == 4) {
      s.base = static_cast<long long>(base);
      return s;
    }
  }
  return {};
}

SrecImage srecImageOf(const std::string& hexPath) {
  SrecImage image;
  TempFolder folder;
  const std::string bin = folder.file("image.bin");
  // Without the offset, an image at 0x08000000 would become a 128 MiB file.
  runSrecTool({SREC_CAT_PROGRAM, hexPath, "-Intel", "-offset", "-", "-minimum-addr", hexPath,
               "-Intel", "-o", bin, "-Binary"},
              image.problem);
  // "Data:   08000000 - 08000B07": the first address of the first block.
  const std::string info = runSrecTool({SREC_INFO_PROGRAM, hexPath, "-Intel"}, image.problem);
  const auto data = info.find("Data:");
  if (data != std::string::npos) image.base = std::strtoll(info.c_str() + data + 5, nullptr, 16);
  image.bytes = readFile(bin);
  return image;
}

std::string flashDifference(const std::string& flashPath, const std::string& hexPath) {
  const SrecImage expected = srecImageOf(hexPath);
  if (!expected.problem.empty()) return expected.problem;
  const std::string flash = readFile(flashPath);
  const long long base = std::strtoll(readFile(flashPath + ".base").c_str(), nullptr, 16);
  std::ostringstream difference;
  if (base != expected.base) {
    difference << std::hex << "the flash starts at 0x" << base << ", the file at 0x"
               << expected.base;
  } else if (flash != expected.bytes) {
    std::size_t at = 0;
    while (at < flash.size() && at < expected.bytes.size() && flash[at] == expected.bytes[at]) ++at;
    difference << "the flash holds " << flash.size() << " bytes, the image "
               << expected.bytes.size() << "; the first difference is at +" << at;
  }
  return difference.str();
}

std::string firmwareFile(const std::string& name) {
  return std::string(FIRMWARE_DIR) + "/" + name;
}

}  // namespace tarnwick::testing
