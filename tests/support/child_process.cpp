#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// In the child, between fork and exec: only calls that are safe there.
void redirect(const char* path, int target, int flags) {
  const int fd = open(path, flags, 0600);
  if (fd < 0 || dup2(fd, target) < 0) _exit(126);
  close(fd);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& workDir,
                           const std::string& stderrPath) {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const std::string outPath = files_.file("out");
  const std::string errPath = stderrPath.empty() ? files_.file("err") : stderrPath;
  const int errFlags = stderrPath.empty() ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY | O_NOCTTY;
  started_ = Clock::now();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    redirect("/dev/null", STDIN_FILENO, O_RDONLY);
    redirect(outPath.c_str(), STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    redirect(errPath.c_str(), STDERR_FILENO, errFlags);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
    execv(args[0], args.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && exitCode_ == -1 && waitpid(pid_, nullptr, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ChildProcess::waitForExit(std::chrono::milliseconds limit) {
  if (exitCode_ != -1) return true;
  const auto deadline = Clock::now() + limit;
  int status = 0;
  rusage usage{};
  while (wait4(pid_, &status, WNOHANG, &usage) == 0) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  ended_ = Clock::now();
  peakMemoryKiB_ = usage.ru_maxrss;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

void ChildProcess::signal(int number) {
  if (exitCode_ == -1) kill(pid_, number);
}

std::string ChildProcess::nextLine(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const std::string text = output();
    const auto end = text.find('\n', linesTaken_);
    if (end != std::string::npos) {
      const std::string line = text.substr(linesTaken_, end - linesTaken_);
      linesTaken_ = end + 1;
      return line;
    }
    if (Clock::now() > deadline) return std::string();
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace tarnwick::testing
