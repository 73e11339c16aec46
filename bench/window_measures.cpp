#include "window_measures.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "serial/serial_platform.h"
#include "ui/dialog_service.h"
#include "ui/frm_serial.h"
#include "ui/recording_dialogs.h"
#include "window_station.h"

namespace tarnwick::bench {
namespace {

long long monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs the child and reads the time it printed; -1 on failure.
long long childExposedAt(const std::string& program, const std::string& argument) {
  int ends[2];
  if (pipe(ends) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(ends[1], STDOUT_FILENO);
    close(ends[0]);
    close(ends[1]);
    execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[1]);
  char text[64] = {};
  const ssize_t count = read(ends[0], text, sizeof text - 1);
  close(ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  long long exposed = -1;
  if (count <= 0 || std::sscanf(text, "%lld", &exposed) != 1) return -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? exposed : -1;
}

}  // namespace

int showWindowAndSayWhen() {
  // As the program's main() does, with the real dialogs and serial platform.
  static int argc = 1;
  static char name[] = "tarnwick";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  ui::frmSerial window(serial::makeSystemSerialPlatform(), ui::makeQtDialogs());
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  std::printf("%lld\n", monotonicNs());
  return 0;
}

double medianStartupMs(const std::string& program, const std::string& startupArgument, int runs) {
  std::vector<double> spans;
  for (int i = 0; i < runs; ++i) {
    const long long started = monotonicNs();
    const long long exposed = childExposedAt(program, startupArgument);
    if (exposed < 0) return -1;
    spans.push_back(static_cast<double>(exposed - started) / 1e6);
  }
  return median(spans);
}

LoadTimes timeLoads(const std::string& hexPath, int runs) {
  auto dialogs = std::make_shared<testing::DialogLog>();
  ui::frmSerial window(serial::makeSystemSerialPlatform(),
                       std::make_unique<testing::RecordingDialogs>(dialogs));
  window.show();
  auto* openFile = window.findChild<QWidget*>("Command3");
  std::vector<double> spans;
  for (int i = 0; i <= runs; ++i) {
    dialogs->fileNames.push_back(QString::fromStdString(hexPath));
    const auto started = std::chrono::steady_clock::now();
    QTest::mouseClick(openFile, Qt::LeftButton);
    spans.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count());
  }
  if (!dialogs->messages.empty()) return {};  // a box means a load failed
  return {spans.front(), median(std::vector<double>(spans.begin() + 1, spans.end()))};
}

double quietCpuShare(faults::Station& station, double seconds) {
  QEventLoop loop;
  const double cpuBefore = faults::processCpuSeconds();
  const auto started = std::chrono::steady_clock::now();
  QTimer::singleShot(static_cast<int>(seconds * 1e3), &loop, &QEventLoop::quit);
  loop.exec();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return station.status() == "Ready" ? (faults::processCpuSeconds() - cpuBefore) / wall : -1;
}

}  // namespace tarnwick::bench
