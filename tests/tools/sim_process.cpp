#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace boardsim::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// One byte at a time, so that nothing after the line is taken from the pipe.
std::string readLine(int fd, std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  std::string line;
  char c = 0;
  pollfd watch{fd, POLLIN, 0};
  while (poll(&watch, 1, remainingMs(deadline)) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
    line += c;
  }
  return line;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& workDir) {
  std::vector<char*> argv{const_cast<char*>(BOARDSIM_PROGRAM)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  output_ = pipeEnds[0];
  portPath_ = readLine(output_, 10s);
}

SimProcess::~SimProcess() {
  if (status_ == -1 && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

std::string SimProcess::nextLine(std::chrono::seconds limit) {
  return readLine(output_, limit);
}

std::string SimProcess::stop() {
  kill(pid_, SIGTERM);
  return collectUntilExit(10s);
}

std::string SimProcess::waitForExit(std::chrono::seconds limit) {
  return collectUntilExit(limit);
}

std::string SimProcess::collectUntilExit(std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  std::string text;
  char buffer[256];
  pollfd watch{output_, POLLIN, 0};
  while (poll(&watch, 1, remainingMs(deadline)) > 0) {
    const ssize_t count = read(output_, buffer, sizeof buffer);
    if (count <= 0) break;  // the program closed its output: it is ending
    text.append(buffer, static_cast<std::size_t>(count));
  }
  while (waitpid(pid_, &status_, WNOHANG) == 0) {
    if (Clock::now() > deadline) return "";
    std::this_thread::sleep_for(10ms);
  }
  return text;
}

HostPort::HostPort(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios settings{};
  if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return;
  cfmakeraw(&settings);
  tcsetattr(fd_, TCSANOW, &settings);
}

HostPort::~HostPort() {
  if (fd_ >= 0) close(fd_);
}

void HostPort::send(const std::string& command) {
  const std::string line = command + "\r\n";
  if (write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    throw std::runtime_error("short write to the port");
  }
}

std::string HostPort::readOnce(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  char buffer[512];
  pollfd watch{fd_, POLLIN, 0};
  while (poll(&watch, 1, remainingMs(deadline)) > 0) {
    const ssize_t count = read(fd_, buffer, sizeof buffer);
    if (count > 0) return std::string(buffer, static_cast<std::size_t>(count));
    if (count == 0 || errno != EAGAIN) break;
  }
  return "";
}

std::string HostPort::readAnswer(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  std::string answer;
  while (answer.find("\r\n") == std::string::npos && Clock::now() < deadline) {
    const std::string more = readOnce(std::chrono::milliseconds(remainingMs(deadline)));
    if (more.empty()) break;
    answer += more;
  }
  return answer;
}

std::string HostPort::exchange(const std::string& command) {
  send(command);
  const std::string answer = readAnswer();
  return answer.size() >= 2 ? answer.substr(0, answer.size() - 2) : answer;
}

bool HostPort::seesHangUp(std::chrono::milliseconds limit) {
  pollfd watch{fd_, POLLIN, 0};
  if (poll(&watch, 1, static_cast<int>(limit.count())) <= 0) return false;
  char c = 0;
  return (watch.revents & (POLLHUP | POLLERR)) != 0 || read(fd_, &c, 1) <= 0;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace boardsim::testing
