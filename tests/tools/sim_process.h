// The simulator as a child process, and the host's end of its line, for tests
// that run the real program. Every wait is bounded, generously, so that a
// loaded machine is slow rather than wrong.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace boardsim::testing {

class SimProcess {
 public:
  // Starts the simulator with `args` (in `workDir` if given) and reads the port's path.
  explicit SimProcess(const std::vector<std::string>& args, const std::string& workDir = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& portPath() const { return portPath_; }
  // The next line of its output (a new port's path after it came back).
  std::string nextLine(std::chrono::seconds limit);
  // Asks it to stop (SIGTERM) and returns the rest of its output.
  std::string stop();
  // Waits for it to end by itself; returns the rest of its output, or "" if it did not.
  std::string waitForExit(std::chrono::seconds limit);
  int exitStatus() const { return status_; }

 private:
  std::string collectUntilExit(std::chrono::seconds limit);

  pid_t pid_ = -1;
  int output_ = -1;
  int status_ = -1;
  std::string portPath_;
};

class HostPort {
 public:
  explicit HostPort(const std::string& path);  // raw, non-blocking
  ~HostPort();
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void send(const std::string& command);  // adds CR LF
  // Bytes of the first read that returns any, within `limit`.
  std::string readOnce(std::chrono::milliseconds limit);
  // Everything up to and with the next CR LF (or what came within `limit`).
  std::string readAnswer(std::chrono::milliseconds limit = std::chrono::seconds(5));
  std::string exchange(const std::string& command);  // the answer without CR LF
  // True when the line reports that it vanished (end of file or an error) within `limit`.
  bool seesHangUp(std::chrono::milliseconds limit);

 private:
  int fd_ = -1;
};

std::string readFile(const std::string& path);

}  // namespace boardsim::testing
