// Measures how long ReadPort takes against a pseudo-terminal, next to the
// time-out it should honour: a quiet line (256 ms), an answer already
// waiting (20 ms after its last byte), and an answer in two parts 10 ms
// apart (one read, 20 ms after the second part).
//   serial_read_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "support/pty_pair.h"

namespace {

using namespace tarnwick;
using Clock = std::chrono::steady_clock;

struct Sample {
  double ms;
  std::size_t bytes;
};

template <class Before>
Sample timeRead(serial::SerialPort& port, Before&& before) {
  before();
  const auto start = Clock::now();
  const std::string got = port.ReadPort();
  const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
  return {spent.count(), got.size()};
}

void report(const char* what, double target, std::vector<Sample> samples) {
  std::sort(samples.begin(), samples.end(), [](auto& a, auto& b) { return a.ms < b.ms; });
  std::printf(
      "%-34s target %5.1f ms  min %6.2f  median %6.2f  p90 %6.2f  max %6.2f  "
      "median off %4.1f%%  bytes %zu\n",
      what, target, samples.front().ms, samples[samples.size() / 2].ms,
      samples[samples.size() * 9 / 10].ms, samples.back().ms,
      100 * std::abs(samples[samples.size() / 2].ms - target) / target, samples.front().bytes);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
  testing::PtyPair pty;
  serial::PosixSerialPlatform platform;
  serial::SerialPort port(platform, nullptr);
  std::u32string name(pty.slavePath().begin(), pty.slavePath().end());
  if (port.OpenPort(name, "115200,n,8,1") != serial::kPortTrue) return 1;

  std::vector<Sample> quiet, waiting, split;
  for (int i = 0; i < rounds; ++i) {
    quiet.push_back(timeRead(port, [] {}));
    waiting.push_back(timeRead(port, [&] { pty.send("VER=3.30\r\n"); }));
  }
  for (int i = 0; i < rounds; ++i) {
    std::thread board;
    const auto sample = timeRead(port, [&] {
      pty.send("DOWN");
      board = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pty.send("LOAD");
      });
    });
    board.join();
    split.push_back({sample.ms - 10, sample.bytes});
  }
  report("quiet line", 256, quiet);
  report("answer waiting", 20, waiting);
  report("two parts 10 ms apart (minus 10)", 20, split);
  port.ClosePort();
  return 0;
}
