// Whole runs of the real window, with the real serial link, against the board
// simulator: each sample firmware to "END", then the simulator's flash
// compared byte for byte with the image srec_cat makes of the same file; the
// file with a spoiled checksum stopped on "ERROR"; and four windows against
// four boards at once, each to "END". The window and its board are the fault
// runs' station (tests/faults/window_station.h).
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "support/board_sim.h"
#include "support/temp_folder.h"
#include "ui/dialog_service.h"
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

// The same records with every data byte inverted: an image that lands on
// exactly the addresses of the first, so that the board's flash shows whether
// each of its bytes came from the second.
std::string invertedData(const std::string& hexText) {
  std::string out;
  std::size_t start = 0;
  for (auto end = hexText.find("\r\n"); end != std::string::npos;
       start = end + 2, end = hexText.find("\r\n", start)) {
    std::string line = hexText.substr(start, end - start);
    std::vector<unsigned> bytes;
    for (std::size_t at = 1; at + 1 < line.size(); at += 2) {
      bytes.push_back(std::stoul(line.substr(at, 2), nullptr, 16));
    }
    if (bytes.size() > 5 && bytes[3] == 0) {
      unsigned sum = 0;
      for (std::size_t i = 4; i + 1 < bytes.size(); ++i) bytes[i] ^= 0xFF;
      for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
      bytes.back() = (0x100 - (sum & 0xFF)) & 0xFF;
      line = ":";
      char digits[3];
      for (unsigned byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        line += digits;
      }
    }
    out += line + "\r\n";
  }
  return out;
}

// The lines a run of this file sends: each in download form, then in verify form.
std::vector<std::string> runCommands(const std::string& hexText) {
  std::vector<std::string> download;
  std::vector<std::string> verify;
  std::size_t start = 0;
  for (auto end = hexText.find("\r\n"); end != std::string::npos;
       start = end + 2, end = hexText.find("\r\n", start)) {
    const std::string line = hexText.substr(start, end - start);
    download.push_back("BOOT" + line + "\r\n");
    verify.push_back("BOOT#" + line.substr(1) + "\r\n");
  }
  download.insert(download.end(), verify.begin(), verify.end());
  return download;
}

// Acts on each modal dialog of the window as it shows, as a person would.
class ModalHand : public QObject {
 public:
  ModalHand() {
    connect(&watch_, &QTimer::timeout, this, [this] { take(); });
    watch_.start(20);
  }
  void next(std::function<void(QWidget*)> step) { steps_.push_back(std::move(step)); }

 private:
  void take() {
    // Only once the dialog has the keys: typed before, they go nowhere.
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* focus = QApplication::focusWidget();
    if (!modal || modal == last_ || steps_.empty() || !modal->isActiveWindow()) return;
    if (!focus || !modal->isAncestorOf(focus)) return;
    last_ = modal;
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }
  QTimer watch_;
  QPointer<QWidget> last_;
  std::deque<std::function<void(QWidget*)>> steps_;
};

void typePathAndReturn(const std::string& path) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus);
  QTest::keyClicks(focus, QString::fromStdString(path));
  QTest::keyClick(focus, Qt::Key_Return);
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

  // A second file chosen in the real dialog while the first file's run is in
  // its verify pass: the old run goes on behind the dialog, and once the new
  // image has loaded the board gets exactly its lines, download then verify.
  void aFileChosenDuringTheVerifyPassGoesOutWholeAndAlone() {
    const std::string first = firmwareFile("arm_blink.hex");
    tarnwick::testing::TempFolder files;
    const std::string second =
        files.write("inverted.hex", invertedData(tarnwick::testing::readFile(first)));
    Station station(boardFolder("board"), {"--fast"}, tarnwick::ui::makeQtDialogs());
    QVERIFY(station.boardStarted());
    QVERIFY(station.connect());

    ModalHand hand;
    hand.next([&](QWidget*) { typePathAndReturn(first); });
    station.click("Command3");
    QCOMPARE(bar(station), QString("READY"));

    hand.next([&](QWidget*) {
      const bool verifying =
          waitFor([&] { return bar(station) == "VERIFY" && station.barValue() >= 3; }, kRunLimit);
      QVERIFY(verifying);
      typePathAndReturn(second);
    });
    station.click("Command3");
    QCOMPARE(bar(station), QString("READY"));
    const std::size_t loadedAt = station.line().writes.size();

    QVERIFY(waitFor([&] { return runEnded(station); }, kRunLimit));
    QCOMPARE(bar(station), QString("END"));
    QCOMPARE(station.barColor(), kGreen);
    std::vector<std::string> sent;
    for (std::size_t i = loadedAt; i < station.line().writes.size(); ++i) {
      if (station.line().writes[i] != "BOOTinfo\r\n") sent.push_back(station.line().writes[i]);
    }
    const std::vector<std::string> expected = runCommands(tarnwick::testing::readFile(second));
    for (std::size_t i = 0; i < std::max(sent.size(), expected.size()); ++i) {
      const std::string got = i < sent.size() ? sent[i] : "(nothing)";
      const std::string want = i < expected.size() ? expected[i] : "(nothing)";
      QVERIFY2(got == want, qPrintable(QStringLiteral("write %1 after the load: %2 instead of %3")
                                           .arg(i)
                                           .arg(QString::fromStdString(got).trimmed())
                                           .arg(QString::fromStdString(want).trimmed())));
    }
    const BoardSummary summary = station.stopBoard();
    QCOMPARE(summary.errors, 0L);
    QCOMPARE(
        QString::fromStdString(tarnwick::testing::flashDifference(station.flashPath(), second)),
        QString());
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
