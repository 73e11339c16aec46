// ser2net, the network serial server that labs run, as a child process of a
// test or of the benchmark: it serves one device (a board simulator's
// pseudo-terminal, or a test's own) on a free port of the loopback address
// only, from a configuration written into a temporary folder, and is stopped
// by its process id. Every wait is bounded.
#pragma once

#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/temp_folder.h"

namespace tarnwick::testing {

enum class Accepter { RawTcp, Rfc2217 };
// ser2net's own default waits a little after each byte from the device
// before it sends (chardelay); flashing goes faster without that wait.
enum class CharDelay { Off, Ser2netDefault };

class Ser2netServer {
 public:
  // `lineSettings` in ser2net's own words, such as "115200n81" or "9600n82,rtscts".
  Ser2netServer(const std::string& device, Accepter accepter,
                const std::string& lineSettings = "115200n81",
                CharDelay charDelay = CharDelay::Off);
  ~Ser2netServer() { stop(); }
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  // True once it listens; otherwise what went wrong, with ser2net's own output.
  bool listening() const { return problem_.empty(); }
  const std::string& problem() const { return problem_; }
  // The port name for the flasher: "socket://127.0.0.1:P" or "rfc2217://127.0.0.1:P".
  std::string url() const;
  // Stops it (SIGTERM, then SIGKILL), so that its connections drop.
  void stop();

 private:
  TempFolder folder_;
  Accepter accepter_;
  int port_;
  std::unique_ptr<ChildProcess> process_;
  std::string problem_;
};

// A TCP port of 127.0.0.1 that nothing listens on now.
int freeLoopbackPort();

}  // namespace tarnwick::testing
