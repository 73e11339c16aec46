// The flasher against servers that misbehave, on both kinds of network port:
// a server of the test's own on the loopback address plays one fault each
// (silence, an RFC 2217 negotiation left half done, the wrong line settings,
// an endless subnegotiation, a storm of option negotiation that never reads
// our replies, a flood of data). Every run must end within its answer
// time-out or the connection's give-up, with its documented exit code and
// reason, in bounded memory, and none may say that a board was verified.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/board_sim.h"
#include "support/child_process.h"

// Under AddressSanitizer the flasher's memory is mostly the sanitizer's own
// (shadow memory, freed blocks held in quarantine): its bound is checked in
// the ordinary build.
#include "support/sanitizer.h"
#ifdef TARNWICK_ASAN
constexpr bool kMemoryMeasured = false;
#else
constexpr bool kMemoryMeasured = true;
#endif

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

const std::string kIac = "\xff";
// DO COM-PORT-OPTION, WILL and DO BINARY, WILL and DO SUPPRESS-GO-AHEAD.
const std::string kAgreement = "\xff\xfd\x2c\xff\xfb\x00\xff\xfd\x00\xff\xfb\x03\xff\xfd\x03"s;

// One connection as the server sees it; every wait is short and watches `stop`.
class Peer {
 public:
  Peer(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {}

  // Reads what has come, waiting up to 50 ms; false once the client has gone.
  bool listen() {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 50) <= 0) return !stop_;
    char buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) heard_.append(buffer, static_cast<std::size_t>(n));
    return n != 0 && !stop_;
  }
  // Sends all of `bytes` unless the client goes; reads nothing meanwhile when `deaf`.
  bool say(const std::string& bytes, bool deaf = false) {
    for (std::size_t sent = 0; sent < bytes.size();) {
      if (stop_) return false;
      const ssize_t n =
          ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN) return false;
      if (!deaf && !listen()) return false;
      pollfd entry{fd_, POLLOUT, 0};
      ::poll(&entry, 1, 50);
    }
    return true;
  }
  void silence() {
    while (listen()) {
    }
  }
  bool heard(const std::string& bytes) const { return heard_.find(bytes) != std::string::npos; }

 private:
  int fd_;
  const std::atomic<bool>& stop_;
  std::string heard_;
};

using Play = std::function<void(Peer&)>;

// Serves one connection after another on 127.0.0.1 until it is destroyed.
class HostileServer {
 public:
  explicit HostileServer(Play play) : play_(std::move(play)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no server on 127.0.0.1";
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~HostileServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }

 private:
  void serve() {
    while (!stop_) {
      pollfd entry{listener_, POLLIN, 0};
      if (::poll(&entry, 1, 50) <= 0) continue;
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      Peer peer(fd, stop_);
      play_(peer);
      ::close(fd);
    }
  }

  Play play_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Sends `chunk` again and again until the client goes.
void endless(Peer& peer, const std::string& chunk, bool deaf = false) {
  std::string block;
  while (block.size() < 65536) block += chunk;
  while (peer.say(block, deaf)) std::this_thread::sleep_for(1ms);
}

std::string comPortReply(int command, const std::string& value) {
  return kIac + "\xfa\x2c" + static_cast<char>(100 + command) + value + kIac + "\xf0";
}

// Answers the line settings once they are asked for, with `baud` for the baud rate.
void answerSettings(Peer& p, const std::string& baud) {
  while (!p.heard("\xff\xfa\x2c\x05") && p.listen()) {
  }
  p.say(comPortReply(1, baud) + comPortReply(2, "\x08") + comPortReply(3, "\x01") +
        comPortReply(4, "\x01") + comPortReply(5, "\x01"));
}

struct Fault {
  const char* name;
  Play play;
  int rawExit;              // on socket://, where every byte is the board's
  int rfc2217Exit;          // on rfc2217://
  const char* rfc2217Says;  // there, the reason named
};

std::vector<Fault> faults() {
  const char* const noOption = "did not answer RFC 2217's COM-PORT-OPTION within 2 s";
  const char* const noSettings = "did not answer the line settings within 2 s";
  return {
      {"silent", [](Peer& p) { p.silence(); }, 5, 2, noOption},
      {"no line settings",
       [](Peer& p) {
         if (p.say(kAgreement)) p.silence();
       },
       5, 2, noSettings},
      {"9600 baud",
       [](Peer& p) {
         if (!p.say(kAgreement)) return;
         answerSettings(p, "\0\0\x25\x80"s);
         p.silence();
       },
       5, 2, "the server set 9600 baud, not 115200"},
      {"endless subnegotiation",
       [](Peer& p) {
         if (p.say(kAgreement + kIac + "\xfa\x2c\x65")) endless(p, "A");
       },
       5, 2, noSettings},
      {"negotiation storm, deaf",
       [](Peer& p) { endless(p, "\xff\xfb\x00\xff\xfc\x00\xff\xfb\x01\xff\xfd\x05"s, true); }, 5, 2,
       "does not read the answers to its own Telnet negotiation"},
      {"flood", [](Peer& p) { endless(p, "OK\r\n"); }, 8, 2, noOption},
      {"flood after a sound negotiation",
       [](Peer& p) {
         if (!p.say(kAgreement)) return;
         answerSettings(p, "\0\x01\xc2\0"s);
         endless(p, "OK\r\n");
       },
       5, 8, "\"OK\""},  // on socket:// no settings are asked: the Telnet bytes, then silence
  };
}

struct FlashRun {
  std::string label;
  std::unique_ptr<HostileServer> server;
  std::unique_ptr<ChildProcess> flasher;
  int exit;
  std::string says;
};

TEST(HostileServer, EveryRunEndsInTimeWithItsCodeInBoundedMemory) {
  constexpr auto kAnswerTimeout = 1s;
  constexpr auto kGiveUp = 20s;
  // Generous: every run shares a loaded machine with the others.
  constexpr auto kSlack = 12s;
  const std::string hexFile = firmwareFile("avr_blink.hex");
  std::vector<FlashRun> runs;
  for (const Fault& fault : faults()) {
    for (const bool rfc2217 : {false, true}) {
      FlashRun run{std::string(fault.name) + (rfc2217 ? " on rfc2217://" : " on socket://"),
                   std::make_unique<HostileServer>(fault.play), nullptr,
                   rfc2217 ? fault.rfc2217Exit : fault.rawExit, rfc2217 ? fault.rfc2217Says : ""};
      const std::string url = std::string(rfc2217 ? "rfc2217" : "socket") +
                              "://127.0.0.1:" + std::to_string(run.server->port());
      run.flasher = std::make_unique<ChildProcess>(
          std::vector<std::string>{FLASH_PROGRAM, "--answer-timeout", "1", url, hexFile});
      runs.push_back(std::move(run));
    }
  }
  // Each run's time is taken when its end is seen: every run is watched at once.
  const auto deadline = Clock::now() + kGiveUp + kSlack + 30s;
  for (bool running = true; running && Clock::now() < deadline;) {
    running = false;
    for (FlashRun& run : runs) running = !run.flasher->waitForExit(0ms) || running;
    std::this_thread::sleep_for(10ms);
  }
  for (FlashRun& run : runs) {
    SCOPED_TRACE(run.label);
    ASSERT_TRUE(run.flasher->waitForExit(0ms));
    const auto limit = (run.exit == 2 ? kGiveUp : kAnswerTimeout) + kSlack;
    EXPECT_LT(run.flasher->runTime(), limit);
    EXPECT_EQ(run.flasher->exitCode(), run.exit) << run.flasher->errorOutput();
    EXPECT_NE(run.flasher->errorOutput().find(run.says), std::string::npos)
        << run.flasher->errorOutput();
    EXPECT_EQ(run.flasher->errorOutput().find("verified"), std::string::npos);
    if (kMemoryMeasured) {
      EXPECT_LT(run.flasher->peakMemoryKiB(), 50 * 1024);
    }
  }
}

}  // namespace
}  // namespace tarnwick::testing
