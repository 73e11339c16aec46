// Programs run as child processes for the end-to-end tests: the flasher and
// the board simulator. Output goes to files, so that a chatty child never
// blocks on a full pipe. Every wait is bounded; a child still running when
// its object goes is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tarnwick::testing {

class ChildProcess {
 public:
  // Starts argv[0] with the arguments; standard error goes to `stderrPath`
  // when one is given (a terminal, for instance), else to a file.
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& stderrPath = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // True once it has ended, within `limit`.
  bool waitForExit(std::chrono::milliseconds limit);
  void signal(int number);
  int exitCode() const { return exitCode_; }  // -1 until it ended by itself
  std::chrono::duration<double> runTime() const { return ended_ - started_; }
  std::string output() const;       // standard output so far
  std::string errorOutput() const;  // standard error so far (when it went to a file)
  // The first line of standard output, waiting for it up to `limit`.
  std::string firstLine(std::chrono::milliseconds limit) const;

 private:
  pid_t pid_ = -1;
  int exitCode_ = -1;
  std::string outPath_;
  std::string errPath_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point ended_;
};

std::string readWholeFile(const std::string& path);

}  // namespace tarnwick::testing
