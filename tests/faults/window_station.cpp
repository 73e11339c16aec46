#include "window_station.h"

#include <malloc.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "support/temp_folder.h"
#include "ui/frm_serial.h"
#include "ui/text_progress_bar.h"

#include "support/sanitizer.h"
#ifdef TARNWICK_ASAN
// From the sanitizer runtime; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace tarnwick::faults {
namespace {

std::vector<std::string> withPortAndFlash(std::vector<std::string> options, const std::string& link,
                                          const std::string& flash) {
  options.insert(options.end(), {"--link", link, "--flash-out", flash});
  return options;
}

QWidget* control(ui::frmSerial& window, const char* name) {
  QWidget* widget = window.findChild<QWidget*>(QString::fromLatin1(name));
  if (!widget) std::abort();  // a fault run must not go on against the wrong window
  return widget;
}

// A line of /proc/self/status such as "VmHWM:  51200 kB", in KiB.
long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

}  // namespace

Station::Station(const std::string& folder, std::vector<std::string> boardOptions,
                 std::unique_ptr<ui::DialogService> dialogService)
    : portName_(folder + "/COM5:"),
      flashPath_(folder + "/flash.bin"),
      board_(withPortAndFlash(std::move(boardOptions), portName_, flashPath_)),
      dialogs_(std::make_shared<testing::DialogLog>()) {
  auto line = std::make_unique<ObservedPlatform>();
  line_ = line.get();
  if (!dialogService) dialogService = std::make_unique<testing::RecordingDialogs>(dialogs_);
  window_ = std::make_unique<ui::frmSerial>(std::move(line), std::move(dialogService));
  window_->findChild<QLineEdit*>("txt_0")->setText(QString::fromStdString(portName_));
  window_->show();
}

Station::~Station() = default;

BoardSummary Station::stopBoard() {
  return testing::parseSummary(board_.stop());
}

std::string Station::flash() const {
  return testing::readFile(flashPath_);
}

void Station::click(const char* name) {
  QTest::mouseClick(control(*window_, name), Qt::LeftButton);
}

void Station::postClick(const char* name) {
  QMetaObject::invokeMethod(control(*window_, name), "click", Qt::QueuedConnection);
}

void Station::openFileAndDownload(const std::string& path) {
  dialogs_->fileNames.push_back(QString::fromStdString(path));
  click("Command3");
}

bool Station::connect() {
  click("BTNOpenCom");
  return waitFor([this] { return status() == "Ready"; }, kConnectLimit);
}

std::string Station::status() const {
  return window_->findChild<QLabel*>("Label2")->text().toStdString();
}

std::string Station::answer() const {
  return window_->findChild<QLineEdit*>("Text8")->text().toLatin1().toStdString();
}

std::string Station::barText() const {
  return window_->findChild<ui::TextProgressBar*>("vbalProgressBar1")->text().toStdString();
}

int Station::barValue() const {
  return window_->findChild<ui::TextProgressBar*>("vbalProgressBar1")->value();
}

std::uint32_t Station::barColor() const {
  return window_->findChild<ui::TextProgressBar*>("vbalProgressBar1")->barColor();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  if (condition()) return true;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (condition() || clock.elapsed() > limit.count()) loop.quit();
  });
  check.start(10);
  loop.exec();
  return condition();
}

Calm watchWindow(Station& station, std::chrono::milliseconds span) {
  Calm calm;
  QEventLoop loop;
  QElapsedTimer clock;
  QTimer probe;
  probe.setSingleShot(true);
  probe.setTimerType(Qt::PreciseTimer);
  qint64 due = 50;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    calm.worstLateMs = std::max(calm.worstLateMs, static_cast<double>(now - due));
    due = now + 50;
    probe.start(50);
  });
  const double cpuBefore = processCpuSeconds();
  const long readsBefore = station.line().reads;
  clock.start();
  probe.start(50);
  QTimer::singleShot(span, &loop, &QEventLoop::quit);
  loop.exec();
  calm.cpuShare = (processCpuSeconds() - cpuBefore) / (static_cast<double>(clock.elapsed()) / 1e3);
  calm.reads = station.line().reads - readsBefore;
  return calm;
}

double processCpuSeconds() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

long residentKiB() {
  return statusKiB("VmRSS:");
}

long peakResidentKiB() {
  return statusKiB("VmHWM:");
}

long heapInUseKiB() {
#ifdef TARNWICK_ASAN
  return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
  return static_cast<long>(mallinfo2().uordblks / 1024);
#endif
}

}  // namespace tarnwick::faults
