// The window leaves the user's folders as it found them. HOME and the XDG
// folders point at one empty folder before Qt starts (hence a program of its
// own). Through the window's real file dialog, driven by keys as a person
// types, a folder is entered and a file opened; the dialog is cancelled once;
// the window is closed. Once Qt has ended, the folder must still be empty.
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

void typeAndReturn(const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus);
  QTest::keyClicks(focus, text);
  QTest::keyClick(focus, Qt::Key_Return);
}

class NoFilesWritten : public QObject {
  Q_OBJECT

  // Each step acts on the next modal dialog that shows, once it has the keys,
  // while the window's handler waits in it.
  std::deque<std::function<void(QWidget*)>> steps_;
  QPointer<QWidget> lastModal_;
  QTimer modalWatch_;

  void takeModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isActiveWindow() || modal == lastModal_ || steps_.empty()) return;
    lastModal_ = modal;
    const auto step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }

 private slots:
  void aLoadACancelAndClosingWriteNothing() {
    connect(&modalWatch_, &QTimer::timeout, this, &NoFilesWritten::takeModal);
    modalWatch_.start(20);
    tarnwick::testing::TempFolder files;
    std::filesystem::create_directory(files.file("images"));
    files.write("images/blink.hex", ":00000001FF\r\n");
    files.write("images/notes.txt", "not shown");
    tarnwick::ui::frmSerial window(tarnwick::serial::makeSystemSerialPlatform(),
                                   tarnwick::ui::makeQtDialogs());
    window.show();
    auto* command3 = window.findChild<QPushButton*>(QStringLiteral("Command3"));

    steps_.push_back([&](QWidget* dialog) {
      QCOMPARE(dialog->findChildren<QComboBox*>().last()->currentText(),
               QStringLiteral("HEX files (*.hex)"));
      typeAndReturn(QString::fromStdString(files.file("images")));
      auto* list = dialog->findChild<QTreeView*>();
      QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 1);  // the .hex file only
      typeAndReturn(QStringLiteral("blink.hex"));
    });
    QTest::mouseClick(command3, Qt::LeftButton);
    QCOMPARE(window.findChild<tarnwick::ui::TextProgressBar*>()->text(), QStringLiteral("READY"));

    QString cancelText;
    steps_.push_back([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    steps_.push_back([&](QWidget* box) {
      cancelText = qobject_cast<QMessageBox*>(box)->text();
      qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(command3, Qt::LeftButton);
    QCOMPARE(cancelText, QStringLiteral("Cancel"));
    window.close();
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  const tarnwick::testing::TempFolder home;
  for (const char* name :
       {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
    qputenv(name, QByteArray::fromStdString(home.path()));
  }
  int status = 0;
  {
    QApplication app(argc, argv);
    NoFilesWritten test;
    status = QTest::qExec(&test, argc, argv);
  }
  for (const auto& left : std::filesystem::directory_iterator(home.path())) {
    std::printf("FAIL: the window left %s in the home folder\n", left.path().c_str());
    status = 1;
  }
  return status;
}

#include "no_files_written_test.moc"
