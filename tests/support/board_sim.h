// The board simulator (tarnwick-boardsim) as a child process of a test, and
// what tools that no one here wrote say its flash must hold.
//
// The simulator prints its pseudo-terminal's path as its first line and
// serves from then on; after a hang-up with --back-after, it prints the new
// path. Asked to stop (SIGTERM), or at the end of a run with
// --exit-after-end, it writes its flash (--flash-out FILE: FILE, and its
// lowest address in FILE.base) and prints one summary line.
// Every wait is bounded, generously: a loaded machine is slow, not wrong.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace tarnwick::testing {

class BoardSim {
 public:
  explicit BoardSim(std::vector<std::string> options, const std::string& workDir = {});

  // The pseudo-terminal's path; empty when the simulator did not start.
  const std::string& portPath() const { return portPath_; }
  // The next line of its output: a new port's path once it came back.
  std::string nextLine(std::chrono::milliseconds limit) { return process_.nextLine(limit); }
  // Asks it to stop and returns all of its standard output, or "" when it
  // did not end in time.
  std::string stop();
  // Waits for it to end by itself; its standard output, or "".
  std::string waitForExit(std::chrono::milliseconds limit);
  int exitCode() const { return process_.exitCode(); }
  // Its standard error: complaints, and with --verbose "<- " each command
  // and "-> " each answer.
  std::string log() const { return process_.errorOutput(); }

 private:
  ChildProcess process_;
  std::string portPath_;
};

// The numbers of the "summary: records=R bytes=B base=0xADDRESS errors=E"
// line; all -1 when the output holds none.
struct SimSummary {
  long long records = -1;
  long long bytes = -1;
  long long base = -1;
  long long errors = -1;
};
SimSummary parseSummary(const std::string& output);

// srec_cat's binary image of a HEX file from its lowest address on, and that
// address as srec_info names it.
struct SrecImage {
  std::string bytes;
  long long base = -1;
  std::string problem;  // empty when both tools answered
};
SrecImage srecImageOf(const std::string& hexPath);

// Empty when the simulator's flash (as --flash-out FILE wrote it) equals
// srec's image of the HEX file, byte for byte and at the same address; else
// what differs.
std::string flashDifference(const std::string& flashPath, const std::string& hexPath);

// A file of tests/data/firmware.
std::string firmwareFile(const std::string& name);

}  // namespace tarnwick::testing
