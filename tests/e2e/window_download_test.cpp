// Whole runs of the real window, with the real serial link, against the board
// simulator: each sample firmware to "END", then the simulator's flash
// compared byte for byte with the image srec_cat makes of the same file; the
// file with a spoiled checksum stopped on "ERROR"; and four windows against
// four boards at once, each to "END".
//
// Each board links its port under a COM name in a folder that becomes the
// working directory, so the windows open names as a person types them
// ("COM5:" is the window's own default).
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

#include "support/board_sim.h"
#include "ui/frm_serial.h"
#include "ui/recording_dialogs.h"
#include "ui/text_progress_bar.h"

using tarnwick::testing::BoardSim;
using tarnwick::testing::DialogLog;
using tarnwick::testing::firmwareFile;
using tarnwick::testing::readFile;
using tarnwick::testing::RecordingDialogs;
using tarnwick::testing::SimSummary;
using tarnwick::ui::frmSerial;
using tarnwick::ui::TextProgressBar;

namespace {

// Generous bounds: a run of a few hundred lines takes seconds, but a loaded
// 2-core machine running four of them must not fail for being slow.
constexpr int kConnectMs = 20000;
constexpr int kRunMs = 120000;
constexpr unsigned kGreen = 0xFF00;
constexpr unsigned kRed = 0xFF;

long long recordsIn(const std::string& hexPath) {
  const std::string text = readFile(hexPath);
  long long lines = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    ++lines;
  }
  return lines;
}

// Runs the event loop as the program does, with no pause between passes
// (QTest::qWaitFor sleeps 10 ms between them, which would slow every tick),
// until `done` holds or `limitMs` has passed. Returns whether it holds.
template <class Predicate>
bool runUntil(Predicate done, int limitMs) {
  QEventLoop loop;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  look.start(50);
  if (!done()) loop.exec();
  return done();
}

std::vector<std::string> linkedBoard(std::vector<std::string> options, const QString& portName,
                                     const std::string& flashPath) {
  options.insert(options.end(), {"--link", portName.toStdString(), "--flash-out", flashPath});
  return options;
}

// A board, its port linked under a COM name in `folder`, and the window
// wired to it by that name.
class Station {
 public:
  Station(const QString& folder, const QString& portName, std::vector<std::string> boardOptions)
      : flashPath_((folder + "/" + QString(portName).remove(':') + ".flash.bin").toStdString()),
        board_(linkedBoard(std::move(boardOptions), portName, flashPath_), folder.toStdString()),
        dialogs_(std::make_shared<DialogLog>()),
        window_(tarnwick::serial::makeSystemSerialPlatform(),
                std::make_unique<RecordingDialogs>(dialogs_)) {
    window_.findChild<QLineEdit*>("txt_0")->setText(portName);
    window_.show();
  }

  bool boardStarted() const { return !board_.portPath().empty(); }
  void click(const char* button) {
    QTest::mouseClick(window_.findChild<QPushButton*>(button), Qt::LeftButton);
  }
  void openFileAndDownload(const std::string& hexPath) {
    dialogs_->fileNames.push_back(QString::fromStdString(hexPath));
    click("Command3");
  }
  bool ready() const { return window_.findChild<QLabel*>("Label2")->text() == "Ready"; }
  const TextProgressBar& bar() const {
    return *window_.findChild<TextProgressBar*>("vbalProgressBar1");
  }
  bool runEnded() const { return bar().text() == "END" || bar().text() == "ERROR"; }
  int messagesShown() const { return static_cast<int>(dialogs_->messages.size()); }
  QString answer() const { return window_.findChild<QLineEdit*>("Text8")->text(); }

  // Closes the window (which closes its port), then stops the board.
  SimSummary finish() {
    window_.close();
    return tarnwick::testing::parseSummary(board_.stop());
  }
  // What differs between the board's flash and srec's image of the file.
  QString flashDifference(const std::string& hexPath) const {
    return QString::fromStdString(tarnwick::testing::flashDifference(flashPath_, hexPath));
  }

 private:
  std::string flashPath_;
  BoardSim board_;
  std::shared_ptr<DialogLog> dialogs_;
  frmSerial window_;
};

bool allOf(const std::vector<std::unique_ptr<Station>>& stations, bool (Station::*test)() const) {
  for (const auto& station : stations)
    if (!((*station).*test)()) return false;
  return true;
}

}  // namespace

class WindowDownloadTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;
  std::unique_ptr<QTemporaryDir> folder_;

 private slots:
  void init() {
    startFolder_ = QDir::currentPath();
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    QVERIFY(QDir::setCurrent(folder_->path()));
  }

  void cleanup() {
    QDir::setCurrent(startFolder_);
    if (QTest::currentTestFailed()) folder_->setAutoRemove(false);  // keep the evidence
    folder_.reset();
  }

  void sampleLandsInFlashByteForByte_data() {
    QTest::addColumn<QString>("hexName");
    QTest::newRow("AVR, from address 0") << "avr_blink.hex";
    QTest::newRow("Cortex-M, extended linear addresses") << "arm_blink.hex";
  }

  void sampleLandsInFlashByteForByte() {
    QFETCH(QString, hexName);
    const std::string hex = firmwareFile(hexName.toStdString());
    Station station(folder_->path(), "COM5:", {"--fast"});
    QVERIFY(station.boardStarted());

    station.click("BTNOpenCom");
    QTRY_VERIFY_WITH_TIMEOUT(station.ready(), kConnectMs);
    station.openFileAndDownload(hex);
    QCOMPARE(station.bar().text(), QString("READY"));
    QVERIFY(runUntil([&] { return station.runEnded(); }, kRunMs));
    QCOMPARE(station.bar().text(), QString("END"));
    QCOMPARE(station.bar().barColor(), kGreen);
    QCOMPARE(station.messagesShown(), 0);

    const SimSummary summary = station.finish();
    // Every line once in each pass, none refused, none repeated.
    QCOMPARE(summary.records, 2 * recordsIn(hex));
    QCOMPARE(summary.errors, 0LL);
    QCOMPARE(station.flashDifference(hex), QString());
  }

  void spoiledChecksumStopsTheRunOnError() {
    Station station(folder_->path(), "COM5:", {"--fast"});
    QVERIFY(station.boardStarted());
    station.click("BTNOpenCom");
    QTRY_VERIFY_WITH_TIMEOUT(station.ready(), kConnectMs);
    station.openFileAndDownload(firmwareFile("bad_checksum.hex"));
    QVERIFY(runUntil([&] { return station.runEnded(); }, kRunMs));
    QCOMPARE(station.bar().text(), QString("ERROR"));
    QCOMPARE(station.bar().barColor(), kRed);
    QVERIFY(station.answer().contains("ERROR"));

    // The run rests where it stopped: nothing after the tenth line reaches
    // the board, not even after a few ticks of every timer.
    QTest::qWait(1500);
    QCOMPARE(station.bar().text(), QString("ERROR"));
    const SimSummary summary = station.finish();
    QCOMPARE(summary.records, 9LL);
    QCOMPARE(summary.errors, 1LL);
  }

  // One file for all four, so the runs end together: the windows share the
  // one UI thread, and a window whose run is over reads a quiet line for
  // 256 ms on every tick, holding up the others (a person runs one program
  // per board). A line that reached the wrong board shows in the counts.
  void fourWindowsAgainstFourBoardsAtOnce() {
    const QStringList ports = {"COM5:", "COM6:", "COM7:", "COM8:"};
    const std::string hex = firmwareFile("avr_blink.hex");
    std::vector<std::unique_ptr<Station>> stations;
    for (const QString& port : ports) {
      // Paced as real boards on 115200-baud lines.
      stations.push_back(
          std::make_unique<Station>(folder_->path(), port, std::vector<std::string>{}));
      QVERIFY(stations.back()->boardStarted());
    }
    for (auto& station : stations) station->click("BTNOpenCom");
    QVERIFY(runUntil([&] { return allOf(stations, &Station::ready); }, kConnectMs));
    for (auto& station : stations) station->openFileAndDownload(hex);
    QVERIFY(runUntil([&] { return allOf(stations, &Station::runEnded); }, kRunMs));

    for (int i = 0; i < ports.size(); ++i) {
      Station& station = *stations[i];
      QCOMPARE(station.bar().text(), QString("END"));
      const SimSummary summary = station.finish();
      QCOMPARE(summary.records, 2 * recordsIn(hex));
      QCOMPARE(summary.errors, 0LL);
      const QString difference = station.flashDifference(hex);
      QVERIFY2(difference.isEmpty(), qPrintable(ports[i] + ": " + difference));
    }
  }
};

QTEST_MAIN(WindowDownloadTest)
#include "window_download_test.moc"
