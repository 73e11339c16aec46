#include "support/ser2net_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Whether the kernel lists a listening socket on 127.0.0.1:port. Asking the
// kernel, not connecting: a probe connection would open the device.
bool listensOnLoopback(int port) {
  char local[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", port);
  std::ifstream table("/proc/net/tcp");
  std::string slot, address, remote, state;
  std::string line;
  std::getline(table, line);  // the heading
  while (table >> slot >> address >> remote >> state) {
    if (address == local && state == "0A") return true;
    std::getline(table, line);
  }
  return false;
}

}  // namespace

int freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

Ser2netServer::Ser2netServer(const std::string& device, Accepter accepter,
                             const std::string& lineSettings, CharDelay charDelay)
    : accepter_(accepter), port_(freeLoopbackPort()) {
  if (std::string(SER2NET_PROGRAM).empty()) {
    problem_ = "ser2net (Debian package ser2net) is needed";
    return;
  }
  const std::string stack =
      accepter == Accepter::Rfc2217 ? "telnet(rfc2217),tcp(nodelay)" : "tcp(nodelay)";
  const std::string config = folder_.write(
      "ser2net.yaml",
      "connection: &board\n  accepter: " + stack + ",127.0.0.1," + std::to_string(port_) +
          "\n  connector: serialdev," + device + "," + lineSettings + ",local\n" +
          (charDelay == CharDelay::Off ? "  options:\n    chardelay: false\n" : ""));
  // -n: in the foreground, so that its process id is the one to stop.
  process_ =
      std::make_unique<ChildProcess>(std::vector<std::string>{SER2NET_PROGRAM, "-n", "-c", config});
  const auto deadline = Clock::now() + 10s;
  while (!listensOnLoopback(port_)) {
    if (process_->waitForExit(0ms) || Clock::now() > deadline) {
      problem_ = "ser2net did not listen on 127.0.0.1:" + std::to_string(port_) + ": " +
                 process_->output() + process_->errorOutput();
      stop();
      return;
    }
    std::this_thread::sleep_for(10ms);
  }
}

std::string Ser2netServer::url() const {
  return (accepter_ == Accepter::Rfc2217 ? "rfc2217://" : "socket://") + std::string("127.0.0.1:") +
         std::to_string(port_);
}

void Ser2netServer::stop() {
  if (!process_) return;
  process_->signal(SIGTERM);
  if (!process_->waitForExit(10s)) process_->signal(SIGKILL);
  process_->waitForExit(10s);
}

}  // namespace tarnwick::testing
