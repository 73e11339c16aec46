// Whole runs of the real window, with the real serial link, against the board
// simulator: each sample firmware to "END", then the simulator's flash
// compared byte for byte with the image srec_cat makes of the same file; the
// file with a spoiled checksum stopped on "ERROR"; and four windows against
// four boards at once, each to "END". The window and its board are the fault
// runs' station (tests/faults/window_station.h).
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "support/board_sim.h"
#include "window_station.h"

using tarnwick::faults::BoardSummary;
using tarnwick::faults::kConnectLimit;
using tarnwick::faults::kRunLimit;
using tarnwick::faults::Station;
using tarnwick::faults::waitFor;
using tarnwick::testing::firmwareFile;

namespace {

constexpr unsigned kGreen = 0xFF00;
constexpr unsigned kRed = 0xFF;

long records(const std::string& hexPath) {
  const std::string text = tarnwick::testing::readFile(hexPath);
  long lines = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    ++lines;
  }
  return lines;
}

QString bar(const Station& station) {
  return QString::fromStdString(station.barText());
}

bool runEnded(const Station& station) {
  return bar(station) == "END" || bar(station) == "ERROR";
}

// Stops the board; empty when it took every line of the file once in each
// pass, refused none, and its flash equals srec's image of the file.
QString fullRunProblem(Station& station, const std::string& hexPath) {
  const BoardSummary summary = station.stopBoard();
  if (summary.records != 2 * records(hexPath) || summary.errors != 0) {
    return QStringLiteral("the board counted %1 records and %2 errors")
        .arg(summary.records)
        .arg(summary.errors);
  }
  return QString::fromStdString(tarnwick::testing::flashDifference(station.flashPath(), hexPath));
}

}  // namespace

class WindowDownloadTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;

  // A fresh folder of the test's own for each board.
  std::string boardFolder(const QString& name) {
    QDir(folder_->path()).mkdir(name);
    return (folder_->path() + "/" + name).toStdString();
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
  }

  void cleanup() {
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
    Station station(boardFolder("board"), {"--fast"});
    QVERIFY(station.boardStarted());
    QVERIFY(station.connect());
    station.openFileAndDownload(hex);
    QCOMPARE(bar(station), QString("READY"));
    QVERIFY(waitFor([&] { return runEnded(station); }, kRunLimit));
    QCOMPARE(bar(station), QString("END"));
    QCOMPARE(station.barColor(), kGreen);
    QVERIFY(station.dialogs().messages.empty());
    QCOMPARE(fullRunProblem(station, hex), QString());
  }

  void spoiledChecksumStopsTheRunOnError() {
    Station station(boardFolder("board"), {"--fast"});
    QVERIFY(station.boardStarted());
    QVERIFY(station.connect());
    station.openFileAndDownload(firmwareFile("bad_checksum.hex"));
    QVERIFY(waitFor([&] { return runEnded(station); }, kRunLimit));
    QCOMPARE(bar(station), QString("ERROR"));
    QCOMPARE(station.barColor(), kRed);
    QVERIFY(station.answer().find("ERROR") != std::string::npos);

    // The run rests where it stopped: nothing after the tenth line reaches
    // the board, not even after a few ticks of every timer.
    QTest::qWait(1500);
    QCOMPARE(bar(station), QString("ERROR"));
    const BoardSummary summary = station.stopBoard();
    QCOMPARE(summary.records, 9L);
    QCOMPARE(summary.errors, 1L);
  }

  // One file for all four, so the runs end together: the windows share the
  // one UI thread, and a window whose run is over reads a quiet line for
  // 256 ms on every tick, holding up the others (a person runs one program
  // per board). A line that reached the wrong board shows in the counts.
  void fourWindowsAgainstFourBoardsAtOnce() {
    const std::string hex = firmwareFile("avr_blink.hex");
    std::vector<std::unique_ptr<Station>> stations;
    for (const char* name : {"COM5", "COM6", "COM7", "COM8"}) {
      // Paced as real boards on 115200-baud lines.
      stations.push_back(std::make_unique<Station>(boardFolder(name), std::vector<std::string>{}));
      QVERIFY(stations.back()->boardStarted());
    }
    const auto all = [&](auto condition) {
      for (const auto& station : stations)
        if (!condition(*station)) return false;
      return true;
    };
    for (auto& station : stations) station->click("BTNOpenCom");
    QVERIFY(waitFor([&] { return all([](Station& s) { return s.status() == "Ready"; }); },
                    kConnectLimit));
    for (auto& station : stations) station->openFileAndDownload(hex);
    QVERIFY(waitFor([&] { return all(runEnded); }, kRunLimit));
    for (auto& station : stations) {
      QCOMPARE(bar(*station), QString("END"));
      const QString problem = fullRunProblem(*station, hex);
      QVERIFY2(problem.isEmpty(),
               qPrintable(QString::fromStdString(station->portName()) + ": " + problem));
    }
  }
};

QTEST_MAIN(WindowDownloadTest)
#include "window_download_test.moc"
