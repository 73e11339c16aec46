// A program run by a test as a child process: the flasher, the board
// simulator, srecord's tools. Its standard output and error go to files, so
// that a chatty child never blocks on a full pipe and the test reads them at
// leisure. Every wait is bounded; a child still running when its object goes
// is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace tarnwick::testing {

class ChildProcess {
 public:
  // Starts argv[0] with the arguments, in `workDir` when one is given.
  // Standard error goes to `stderrPath` when one is given (a terminal, say).
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& workDir = {},
                        const std::string& stderrPath = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // True once it has ended, within `limit`.
  bool waitForExit(std::chrono::milliseconds limit);
  void signal(int number);
  // Its exit status, or 128 + the signal that ended it; -1 until it ended.
  int exitCode() const { return exitCode_; }
  std::chrono::duration<double> runTime() const { return ended_ - started_; }
  // Its peak resident memory, once it has ended.
  long peakMemoryKiB() const { return peakMemoryKiB_; }
  std::string output() const { return readFile(files_.file("out")); }
  std::string errorOutput() const { return readFile(files_.file("err")); }
  // The next whole line of standard output that no call took before, without
  // its line end; waits for it up to `limit`, else "".
  std::string nextLine(std::chrono::milliseconds limit);

 private:
  TempFolder files_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  long peakMemoryKiB_ = 0;
  std::size_t linesTaken_ = 0;  // bytes of output that nextLine has handed out
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point ended_;
};

}  // namespace tarnwick::testing
