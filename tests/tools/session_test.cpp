// The simulator program itself, over its pseudo-terminal, played by a test as
// the host: the protocol, the link, a host that comes and goes, the line's
// pace, and the faults that act on the line. Whole runs of the sample files,
// with the flash compared to srec_cat's image, are the flasher's and the
// window's end-to-end tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "support/board_sim.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tarnwick::testing::BoardSim;
using tarnwick::testing::readFile;
using tarnwick::testing::TempFolder;

// The host's end of the line: raw, and every wait bounded.
class HostPort {
 public:
  explicit HostPort(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return;
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
  }
  ~HostPort() {
    if (fd_ >= 0) close(fd_);
  }
  bool isOpen() const { return fd_ >= 0; }
  void send(const std::string& command) {
    const std::string line = command + "\r\n";
    EXPECT_EQ(write(fd_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  // The bytes of the first read that brings any; "" at a hang-up or after `limit`.
  std::string readOnce(std::chrono::milliseconds limit = 5s) {
    pollfd watch{fd_, POLLIN, 0};
    char buffer[512];
    if (poll(&watch, 1, static_cast<int>(limit.count())) <= 0) return "";
    const ssize_t count = read(fd_, buffer, sizeof buffer);
    return count > 0 ? std::string(buffer, static_cast<std::size_t>(count)) : "";
  }
  // Everything up to and with the next CR LF, or what came before the line went quiet.
  std::string readAnswer() {
    std::string answer;
    for (std::string more = "-"; !more.empty() && answer.find("\r\n") == std::string::npos;) {
      more = readOnce();
      answer += more;
    }
    return answer;
  }
  // The answer to one command, without its CR LF.
  std::string exchange(const std::string& command) {
    send(command);
    const std::string answer = readAnswer();
    return answer.substr(0, answer.find("\r\n"));
  }
  // True when the line reports within `limit` that it vanished.
  bool seesHangUp(std::chrono::milliseconds limit) {
    pollfd watch{fd_, POLLIN, 0};
    char c = 0;
    return poll(&watch, 1, static_cast<int>(limit.count())) > 0 &&
           ((watch.revents & (POLLHUP | POLLERR)) != 0 || read(fd_, &c, 1) <= 0);
  }

 private:
  int fd_;
};

TEST(BoardSimProgram, AnswersTheProtocolAndReportsItsFlashAtExit) {
  TempFolder folder;
  const std::string flash = folder.file("flash.bin");
  BoardSim sim({"--fast", "--flash-out", flash});
  HostPort host(sim.portPath());
  ASSERT_TRUE(host.isOpen()) << "port: '" << sim.portPath() << "'";
  EXPECT_EQ(host.exchange("BOOTinfo").rfind("VER=", 0), 0u);
  for (const char* record :
       {"BOOT:020000040800F2", "BOOT:0400100001020304E2", "BOOT:04000005080000C12E"}) {
    EXPECT_EQ(host.exchange(record), "OK") << record;
  }
  EXPECT_EQ(host.exchange("BOOT:00000001FF"), "DOWNLOAD");
  EXPECT_EQ(host.exchange("BOOT#020000040800F2"), "OK");
  EXPECT_EQ(host.exchange("BOOT#0400100001020305E1"), "ERROR");
  EXPECT_EQ(host.exchange("BOOT:0400100001020304E3"), "ERROR");  // checksum
  EXPECT_EQ(host.exchange("BOOTg"), "STARTING APPLICATION AT 0x080000C1");

  const std::string output = sim.stop();
  EXPECT_EQ(sim.exitCode(), 0);
  EXPECT_NE(output.find("summary: records=6 bytes=4 base=0x08000010 errors=2"), std::string::npos)
      << output;
  EXPECT_EQ(readFile(flash), "\x01\x02\x03\x04");
  EXPECT_EQ(readFile(flash + ".base"), "0x08000010\n");
}

TEST(BoardSimProgram, LinksThePortByNameAndSurvivesTheHostComingAndGoing) {
  TempFolder folder;
  BoardSim sim({"--fast", "--link", "COM5:"}, folder.path());
  const std::string link = folder.file("COM5:");
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.portPath());
  for (int round = 0; round < 25; ++round) {
    HostPort host(link);
    ASSERT_TRUE(host.isOpen()) << "round " << round;
    ASSERT_EQ(host.exchange("BOOTinfo").rfind("VER=", 0), 0u) << "round " << round;
  }
  sim.stop();
  struct stat info {};
  EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlived the simulator";
}

// Lower bounds only: a loaded machine makes the line slower, never faster.
TEST(BoardSimProgram, TakesTheTimeOfAFlashWriteAndOfA115200BaudLine) {
  BoardSim sim({"--write-delay", "150", "--burst", "400"});
  HostPort host(sim.portPath());
  const auto sent = Clock::now();
  host.send("BOOT:0400100001020304E2");
  const std::string first = host.readOnce();
  const auto firstArrived = Clock::now();
  const std::string rest = host.readAnswer();
  const auto lastArrived = Clock::now();
  EXPECT_EQ(first + rest, std::string(400, '.') + "OK\r\n");
  EXPECT_GE(firstArrived - sent, 150ms);
  // The command's 25 bytes in, the write, then 404 bytes out at 86.8 us each.
  EXPECT_GE(lastArrived - sent, 150ms + (25 + 404) * 86us);
}

TEST(BoardSimProgram, SplitsAnswersAndHangsUpAtTheRecordAskedFor) {
  BoardSim sim({"--fast", "--split-answers", "--hangup-at", "2"});
  HostPort host(sim.portPath());
  host.send("BOOT:0400100001020304E2");
  const std::string first = host.readOnce();
  EXPECT_EQ(first, "O");
  EXPECT_EQ(first + host.readAnswer(), "OK\r\n");
  host.send("BOOT:00000001FF");
  EXPECT_TRUE(host.seesHangUp(5s));
  const std::string output = sim.waitForExit(10s);
  EXPECT_NE(output.find("summary: records=1 "), std::string::npos) << output;
}

TEST(BoardSimProgram, ComesBackAfterAHangUpUnderTheSameLinkWithItsFlash) {
  TempFolder folder;
  const std::string link = folder.file("COM5:");
  BoardSim sim({"--fast", "--link", "COM5:", "--hangup-at", "2", "--back-after", "300"},
               folder.path());
  {
    HostPort host(link);
    EXPECT_EQ(host.exchange("BOOT:0400100001020304E2"), "OK");
    host.send("BOOT:00000001FF");
    EXPECT_TRUE(host.seesHangUp(5s));
  }
  EXPECT_FALSE(sim.nextLine(10s).empty());
  HostPort host(link);
  ASSERT_TRUE(host.isOpen());
  EXPECT_EQ(host.exchange("BOOT#0400100001020304E2"), "OK");
  const std::string output = sim.stop();
  EXPECT_NE(output.find("summary: records=2 bytes=4 "), std::string::npos) << output;
}

// Starts the simulator in `folder` with its output on a pipe, sends SIGTERM
// the moment the first byte of the port's path arrives (as a script reading
// that line may), and returns everything it printed; "" if it did not end.
std::string stoppedAsItAnnounces(const std::vector<std::string>& options,
                                 const std::string& folder) {
  std::vector<char*> argv{const_cast<char*>(BOARDSIM_PROGRAM)};
  for (const auto& option : options) argv.push_back(const_cast<char*>(option.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return "";
  const pid_t pid = fork();
  if (pid == 0) {
    if (dup2(out[1], STDOUT_FILENO) < 0 || chdir(folder.c_str()) != 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string output;
  pollfd watch{out[0], POLLIN, 0};
  char buffer[256];
  for (ssize_t n = 1; n > 0 && poll(&watch, 1, 10000) > 0;) {
    n = read(out[0], buffer, output.empty() ? 1 : sizeof buffer);
    if (n > 0 && output.empty()) kill(pid, SIGTERM);
    if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  kill(pid, SIGKILL);  // only if it is still there, stuck
  waitpid(pid, nullptr, 0);
  return output;
}

// A test or a script may stop the simulator the moment it has read the port's
// path, or while it floods a host that keeps reading; either way it must end
// at once and tidily.
TEST(BoardSimProgram, ASignalRightAfterStartOrInABurstStillGivesTheSummaryAndRemovesTheLink) {
  TempFolder folder;
  for (int round = 0; round < 20; ++round) {
    const std::string output = stoppedAsItAnnounces({"--fast", "--link", "COM5:"}, folder.path());
    ASSERT_NE(output.find("\nsummary: records=0 "), std::string::npos) << "round " << round;
    struct stat info {};
    ASSERT_NE(lstat(folder.file("COM5:").c_str(), &info), 0) << "round " << round;
  }

  BoardSim flooding({"--burst", "345600"});  // 30 s of filler at line speed
  HostPort host(flooding.portPath());
  host.send("BOOTinfo");
  std::atomic<bool> stopped{false};
  std::thread reader([&] {
    while (!stopped) host.readOnce(100ms);
  });
  std::this_thread::sleep_for(200ms);
  const auto asked = Clock::now();
  const std::string output = flooding.stop();
  stopped = true;
  reader.join();
  EXPECT_NE(output.find("summary: "), std::string::npos) << "it went on flooding";
  EXPECT_LT(Clock::now() - asked, 5s);  // not the burst's 30 s; generous for a loaded machine
}

}  // namespace
}  // namespace boardsim
