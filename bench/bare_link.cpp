#include "bare_link.h"

#include <chrono>

#include "serial/serial_platform.h"
#include "serial/serial_port.h"
#include "support/board_sim.h"

namespace tarnwick::bench {
namespace {

using Clock = std::chrono::steady_clock;

std::u32string widened(const std::string& text) {
  return std::u32string(text.begin(), text.end());
}

std::string command(std::string line, bool verifyForm) {
  if (verifyForm) {
    for (char& c : line) c = c == ':' ? '#' : c;
  }
  return "BOOT" + line + "\r\n";
}

}  // namespace

BareTiming timeBareLink(const std::vector<std::string>& lines, const std::string& folder) {
  BareTiming timing;
  testing::BoardSim board({"--write-delay", "0"}, folder);
  auto platform = serial::makeSystemSerialPlatform();
  serial::SerialPort port(*platform, nullptr);
  if (port.OpenPort(widened(board.portPath()), "115200,n,8,1") != serial::kPortTrue) {
    return timing;
  }
  long wireBytes = 0;
  const auto started = Clock::now();
  timing.complete = true;
  for (const bool verifyForm : {false, true}) {
    for (const std::string& line : lines) {
      const std::string text = command(line, verifyForm);
      port.WritePort(text);
      const std::string answer = port.ReadPort();  // one read is one answer
      wireBytes += static_cast<long>(text.size() + answer.size());
      ++timing.lines;
      if (answer.find("OK") == std::string::npos && answer.find("DOWNLOAD") == std::string::npos) {
        timing.complete = false;
      }
    }
  }
  timing.seconds = std::chrono::duration<double>(Clock::now() - started).count();
  timing.boundSeconds = static_cast<double>(wireBytes) * 10 / 115200 + timing.lines * 0.020;
  port.ClosePort();
  board.stop();
  return timing;
}

}  // namespace tarnwick::bench
