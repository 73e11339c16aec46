#include "child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string uniquePath(const char* what) {
  static std::atomic<int> counter{0};
  return ::testing::TempDir() + "flash_child_" + std::to_string(getpid()) + "_" +
         std::to_string(counter++) + what;
}

void redirect(const std::string& path, int target, int flags) {
  const int fd = open(path.c_str(), flags, 0600);
  if (fd < 0 || dup2(fd, target) < 0) _exit(126);
  close(fd);
}

}  // namespace

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& stderrPath)
    : outPath_(uniquePath(".out")), errPath_(stderrPath.empty() ? uniquePath(".err") : "") {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  started_ = Clock::now();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    redirect("/dev/null", STDIN_FILENO, O_RDONLY);
    redirect(outPath_, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    if (stderrPath.empty()) {
      redirect(errPath_, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    } else {
      redirect(stderrPath, STDERR_FILENO, O_WRONLY | O_NOCTTY);
    }
    execv(args[0], args.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && exitCode_ == -1 && waitpid(pid_, nullptr, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(outPath_.c_str());
  if (!errPath_.empty()) unlink(errPath_.c_str());
}

bool ChildProcess::waitForExit(std::chrono::milliseconds limit) {
  if (exitCode_ != -1) return true;
  const auto deadline = Clock::now() + limit;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  ended_ = Clock::now();
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

void ChildProcess::signal(int number) {
  if (exitCode_ == -1) kill(pid_, number);
}

std::string ChildProcess::output() const {
  return readWholeFile(outPath_);
}

std::string ChildProcess::errorOutput() const {
  return errPath_.empty() ? std::string() : readWholeFile(errPath_);
}

std::string ChildProcess::firstLine(std::chrono::milliseconds limit) const {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const std::string text = output();
    const auto end = text.find('\n');
    if (end != std::string::npos) return text.substr(0, end);
    if (Clock::now() > deadline) return std::string();
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace tarnwick::testing
