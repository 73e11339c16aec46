// What a port that ends answers at line ends must make of what a board sends,
// shared by the tests of every platform. Each case is pieces of bytes with a
// pause after each, and the answers (the bytes of each read that brought
// some) that a reader must see. The gaps are the platform's, set for the
// case, and long beside the pauses, so that a loaded machine cannot turn one
// outcome into the other: only the structure is asserted, never a time.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_platform.h"

namespace tarnwick::testing {

struct SentPiece {
  std::string bytes;
  std::chrono::milliseconds pauseAfter{0};
};

struct FramingCase {
  const char* what;
  std::chrono::milliseconds answerGap;
  std::vector<SentPiece> sent;
  std::vector<std::string> answers;
};

inline std::vector<FramingCase> lineEndCases() {
  using std::chrono::milliseconds;
  return {
      {"a two-line burst is one answer",
       milliseconds{400},
       {{"DOWNLOAD 9\r\nOK\r\n"}},
       {"DOWNLOAD 9\r\nOK\r\n"}},
      {"a stall inside a line is no end",
       milliseconds{400},
       {{"O", milliseconds{10}}, {"K\r\n"}},
       {"OK\r\n"}},
      {"a line end ends the answer long before the gap",
       milliseconds{400},
       {{"OK\r\n", milliseconds{150}}, {"OK\r\n"}},
       {"OK\r\n", "OK\r\n"}},
      {"an answer with no line end ends after the gap",
       milliseconds{40},
       {{"OK", milliseconds{400}}, {"\r\n"}},
       {"OK", "\r\n"}},
  };
}

// The time-outs of a case: its gap, the line-end quiet of 1 ms, and a limit
// far beyond both.
inline serial::PortTimeouts lineEndTimeouts(const FramingCase& c) {
  serial::PortTimeouts timeouts;
  timeouts.answerGap = c.answerGap;
  timeouts.lineEndQuiet = std::chrono::milliseconds{1};
  timeouts.read.constant = std::chrono::milliseconds{3000};
  timeouts.write = {std::chrono::milliseconds{1}, std::chrono::milliseconds{100}};
  return timeouts;
}

inline std::size_t byteCount(const FramingCase& c) {
  std::size_t count = 0;
  for (const auto& piece : c.sent) count += piece.bytes.size();
  return count;
}

// Sends the pieces through `send`, each followed by its pause, on a thread
// of its own, as a board would while the port reads.
inline std::thread playOnThread(const FramingCase& c,
                                std::function<void(const std::string&)> send) {
  return std::thread([pieces = c.sent, send = std::move(send)] {
    for (const auto& piece : pieces) {
      send(piece.bytes);
      std::this_thread::sleep_for(piece.pauseAfter);
    }
  });
}

// The case as the Windows tests' player peer takes it, after "PLAY ": the
// bytes with CR and LF written as \r and \n, each pause as ~MS~.
inline std::string playScript(const FramingCase& c) {
  std::string script;
  for (const auto& piece : c.sent) {
    for (const char byte : piece.bytes) {
      script += byte == '\r' ? "\\r" : byte == '\n' ? "\\n" : std::string(1, byte);
    }
    if (piece.pauseAfter.count() > 0)
      script += "~" + std::to_string(piece.pauseAfter.count()) + "~";
  }
  return script;
}

// Each case on an open port: its time-outs set, its pieces played by `play`
// (which returns at once, or once the board has them all), its answers read.
inline void expectLineEndFraming(serial::SerialPlatform& platform, serial::PortHandle port,
                                 const std::function<std::thread(const FramingCase&)>& play) {
  for (const auto& c : lineEndCases()) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(platform.setTimeouts(port, lineEndTimeouts(c)));
    std::thread board = play(c);
    std::vector<std::string> answers;
    std::size_t received = 0;
    while (received < byteCount(c)) {
      std::uint8_t buffer[255];
      const std::uint32_t count = platform.read(port, buffer, sizeof buffer);
      if (count == 0) break;
      received += count;
      answers.emplace_back(reinterpret_cast<const char*>(buffer), count);
    }
    if (board.joinable()) board.join();
    EXPECT_EQ(answers, c.answers);
  }
}

}  // namespace tarnwick::testing
