// One whole run through the real window, the real serial link on a
// pseudo-terminal, and a board scripted here: connect, load, download,
// verify, END; then a second load that the board stops with ERROR.
// Screenshots of READY, DOWNLOAD, END and ERROR go to the build folder.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <string>
#include <vector>

#include "recording_dialogs.h"
#include "serial/serial_platform.h"
#include "support/pty_pair.h"
#include "ui/frm_serial.h"
#include "ui/text_progress_bar.h"

using tarnwick::testing::DialogLog;
using tarnwick::testing::PtyPair;
using tarnwick::testing::RecordingDialogs;

namespace {

constexpr int kWaitMs = 10000;  // generous: a loaded CI machine must not fail a wait

const std::vector<std::string> kImage = {
    ":020000040000FA",
    ":10000000000102030405060708090A0B0C0D0E0F78",
    ":10001000101112131415161718191A1B1C1D1E1F68",
    ":10002000202122232425262728292A2B2C2D2E2F58",
    ":0400300030313233FE",
    ":00000001FF",
};

std::string verifyForm(std::string line) {
  std::replace(line.begin(), line.end(), ':', '#');
  return line;
}

// The board's side on the pty master, answered from the event loop as a
// boot loader would: notes every command that ends in CR LF, can hold the
// answer to one download line until release(), and can refuse one.
class ScriptedBoard {
 public:
  explicit ScriptedBoard(int masterFd) : fd_(masterFd), notifier_(masterFd, QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { take(); });
  }

  int holdAfterLine = 0;  // download line (1-based) whose answer waits for release()
  int errorAtLine = 0;    // download line answered with ERROR
  std::vector<std::string> commands;
  std::string unframed;  // bytes after the last CR LF

  void release() {
    holdAfterLine = 0;
    say(held_);
  }

 private:
  void take() {
    char buffer[512];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) return;
    unframed.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = unframed.find("\r\n")) != std::string::npos;) {
      commands.push_back(unframed.substr(0, end));
      unframed.erase(0, end + 2);
      answer(commands.back());
    }
  }

  void answer(const std::string& command) {
    // Busy in the middle of a pass, the board leaves an info request unanswered:
    // a late poll must not make the window send a line out of turn.
    if (command == "BOOTinfo") return say(midPass_ ? "" : "VER=2.01 BOOT\r\n");
    std::string reply = "?\r\n";
    int line = 0;  // of a download line
    for (std::size_t i = 0; i < kImage.size(); ++i) {
      const std::string next = i + 1 == kImage.size() ? "DOWNLOAD\r\n" : "OK\r\n";
      if (command == "BOOT" + verifyForm(kImage[i])) reply = next;
      if (command == "BOOT" + kImage[i]) {
        line = static_cast<int>(i) + 1;
        reply = errorAtLine == line ? "ERROR\r\n" : next;
      }
    }
    midPass_ = reply == "OK\r\n";
    if (line != 0 && line == holdAfterLine) {
      held_ = reply;
    } else {
      say(reply);
    }
  }

  void say(const std::string& reply) {
    [[maybe_unused]] auto n = ::write(fd_, reply.data(), reply.size());
  }

  int fd_;
  QSocketNotifier notifier_;
  bool midPass_ = false;
  std::string held_;
};

// The commands of one run as the board must hear them after its info polling.
std::vector<std::string> linesOfPass(char mark, std::size_t count) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i) {
    lines.push_back("BOOT" + (mark == ':' ? kImage[i] : verifyForm(kImage[i])));
  }
  return lines;
}

// The lines heard from `from` on, without the "BOOTinfo" polls, whose number
// depends on timing.
std::vector<std::string> linesHeard(const std::vector<std::string>& commands, std::size_t from) {
  std::vector<std::string> lines;
  for (std::size_t i = from; i < commands.size(); ++i) {
    if (commands[i] != "BOOTinfo") lines.push_back(commands[i]);
  }
  return lines;
}

}  // namespace

class WindowRunTest : public QObject {
  Q_OBJECT

 private:
  QString shotsDir_ = QStringLiteral(TARNWICK_SCREENSHOT_DIR);

  void shoot(QWidget& window, const char* name) {
    QVERIFY(window.grab().save(shotsDir_ + "/" + name + ".png"));
  }

 private slots:
  void initTestCase() { QVERIFY(QDir().mkpath(shotsDir_)); }

  void downloadVerifyEndThenError() {
    QTemporaryDir dir;
    QFile hex(dir.filePath("image.hex"));
    QVERIFY(hex.open(QIODevice::WriteOnly));
    for (const std::string& line : kImage) hex.write((line + "\r\n").c_str());
    hex.close();

    PtyPair pty;
    ScriptedBoard board(pty.masterFd());
    auto dialogs = std::make_shared<DialogLog>();
    tarnwick::ui::frmSerial window(tarnwick::serial::makeSystemSerialPlatform(),
                                   std::make_unique<RecordingDialogs>(dialogs));
    window.show();
    auto* bar = window.findChild<tarnwick::ui::TextProgressBar*>("vbalProgressBar1");
    auto* text8 = window.findChild<QLineEdit*>("Text8");
    auto* status = window.findChild<QLabel*>("Label2");
    const auto click = [&](const char* name) {
      QTest::mouseClick(window.findChild<QWidget*>(name), Qt::LeftButton);
    };

    window.findChild<QLineEdit*>("txt_0")->setText(QString::fromStdString(pty.slavePath()));
    click("BTNOpenCom");
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Ready"), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(text8->text().startsWith("VER="), kWaitMs);  // answer to the first

    board.holdAfterLine = 3;
    dialogs->fileNames.push_back(hex.fileName());
    click("Command3");
    QCOMPARE(bar->text(), QString("READY"));
    shoot(window, "ready");

    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 3, kWaitMs);
    QCOMPARE(bar->text(), QString("DOWNLOAD"));
    shoot(window, "download");
    board.release();

    QTRY_COMPARE_WITH_TIMEOUT(bar->text(), QString("END"), kWaitMs);
    QCOMPARE(bar->barColor(), 0xFF00u);
    shoot(window, "end");
    std::vector<std::string> expected = linesOfPass(':', kImage.size());
    for (const std::string& line : linesOfPass('#', kImage.size())) expected.push_back(line);
    QCOMPARE(linesHeard(board.commands, 0), expected);

    const std::size_t firstRun = board.commands.size();
    board.errorAtLine = 2;
    dialogs->fileNames.push_back(hex.fileName());
    click("Command3");
    QTRY_COMPARE_WITH_TIMEOUT(bar->text(), QString("ERROR"), kWaitMs);
    QCOMPARE(bar->barColor(), 0xFFu);
    shoot(window, "error");
    QTest::qWait(700);  // the run rests: no more lines, no more polling
    QCOMPARE(linesHeard(board.commands, firstRun), linesOfPass(':', 2));
    QCOMPARE(board.unframed, std::string());
    QVERIFY(dialogs->messages.empty());

    window.close();
  }
};

QTEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
