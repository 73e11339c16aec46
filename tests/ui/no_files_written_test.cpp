// The window leaves the user's folders as it found them. HOME and the XDG
// folders point at one empty folder before Qt starts (hence a program of its
// own). Through the window's real file dialog, driven by keys as a person
// types, a folder is entered and a file opened; the dialog is cancelled once;
// the window is closed. The folder must still be empty, and again once Qt has
// ended.
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <functional>

#include "serial/serial_platform.h"
#include "support/temp_folder.h"
#include "ui/dialog_service.h"
#include "ui/frm_serial.h"
#include "ui/text_progress_bar.h"

namespace {

using tarnwick::testing::TempFolder;

QStringList entriesIn(const std::string& folder) {
  QStringList names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names << QString::fromStdString(entry.path().filename().string());
  }
  return names;
}

// Each step acts on the next modal dialog that shows, once it has the keys,
// while the window's handler waits in it.
class ModalSteps {
 public:
  using Step = std::function<void(QWidget*)>;
  ModalSteps() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(20);
  }
  void add(Step step) { steps_.push_back(std::move(step)); }

 private:
  void tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isActiveWindow() || modal == last_ || steps_.empty()) return;
    last_ = modal;
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }
  QTimer timer_;
  std::deque<Step> steps_;
  QPointer<QWidget> last_;
};

void typeAndReturn(const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus);
  QTest::keyClicks(focus, text);
  QTest::keyClick(focus, Qt::Key_Return);
}

class NoFilesWritten : public QObject {
  Q_OBJECT

 public:
  explicit NoFilesWritten(std::string home) : home_(std::move(home)) {}

 private slots:
  void aLoadACancelAndClosingWriteNothing() {
    TempFolder files;
    std::filesystem::create_directory(files.file("images"));
    files.write("images/blink.hex", ":00000001FF\r\n");
    files.write("images/notes.txt", "not shown");
    QString cancelText;
    {
      tarnwick::ui::frmSerial window(tarnwick::serial::makeSystemSerialPlatform(),
                                     tarnwick::ui::makeQtDialogs());
      window.show();
      auto* command3 = window.findChild<QPushButton*>(QStringLiteral("Command3"));
      auto* bar =
          window.findChild<tarnwick::ui::TextProgressBar*>(QStringLiteral("vbalProgressBar1"));
      ModalSteps steps;

      steps.add([&](QWidget* dialog) {
        QCOMPARE(dialog->findChildren<QComboBox*>().last()->currentText(),
                 QStringLiteral("HEX files (*.hex)"));
        typeAndReturn(QString::fromStdString(files.file("images")));
        auto* list = dialog->findChild<QTreeView*>();
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 1);  // the .hex file only
        typeAndReturn(QStringLiteral("blink.hex"));
      });
      QTest::mouseClick(command3, Qt::LeftButton);
      QCOMPARE(bar->text(), QStringLiteral("READY"));

      steps.add([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
      steps.add([&](QWidget* box) {
        cancelText = qobject_cast<QMessageBox*>(box)->text();
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
      });
      QTest::mouseClick(command3, Qt::LeftButton);
      QCOMPARE(cancelText, QStringLiteral("Cancel"));
      window.close();
    }
    QCOMPARE(entriesIn(home_), QStringList());
  }

 private:
  std::string home_;
};

}  // namespace

int main(int argc, char* argv[]) {
  const TempFolder home;
  for (const char* name :
       {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
    qputenv(name, QByteArray::fromStdString(home.path()));
  }
  int status = 0;
  {
    QApplication app(argc, argv);
    NoFilesWritten test(home.path());
    status = QTest::qExec(&test, argc, argv);
  }
  const QStringList left = entriesIn(home.path());
  if (!left.isEmpty()) {
    qWarning("FAIL: left in the home folder once Qt ended: %s", qPrintable(left.join(u' ')));
    return 1;
  }
  return status;
}

#include "no_files_written_test.moc"
