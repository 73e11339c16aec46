// The window offscreen: its start state, the tag switch, what disabled
// controls and the access key do, the wiring of every event to its handler,
// the look of its parts, and the README screenshot.
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <climits>
#include <memory>

#include "recording_dialogs.h"
#include "support/fake_platform.h"
#include "ui/fill_shape.h"
#include "ui/frm_serial.h"
#include "ui/text_progress_bar.h"

using tarnwick::testing::DialogLog;
using tarnwick::testing::FakePlatform;
using tarnwick::testing::RecordingDialogs;
using tarnwick::ui::TextProgressBar;

namespace {

constexpr int kWaitMs = 5000;  // generous: a loaded CI machine must not fail a wait

struct Expected {
  const char* name;
  const char* className;
  const char* container;
  const char* caption;
  QRect clientRect;
  bool enabled;
  const char* tag;
};

constexpr char kFillShape[] = "tarnwick::ui::FillShape";
constexpr char kProgressBar[] = "tarnwick::ui::TextProgressBar";

// The designed window, in pixels of the client area.
// clang-format off
const Expected kExpected[] = {
    {"Frame2",           "QGroupBox",   "frmSerial", "Comm's",                  {0, 0, 345, 57},      true,  ""},
    {"Label1_0",         "QLabel",      "Frame2",    "Port: (1-9)",             {8, 16, 53, 17},      true,  ""},
    {"txt_0",            "QLineEdit",   "Frame2",    "COM5:",                   {4, 32, 57, 21},      true,  "NO"},
    {"Pic",              kFillShape,    "Frame2",    "",                        {48, 0, 13, 17},      true,  ""},
    {"BTNOpenCom",       "QPushButton", "Frame2",    "Open Port",               {64, 8, 69, 17},      true,  "NO"},
    {"BTNCloseCom",      "QPushButton", "Frame2",    "Close Port",              {64, 32, 69, 17},     false, "NC"},
    {"Label2",           "QLabel",      "Frame2",    "No info",                 {140, 8, 153, 17},    true,  ""},
    {"Command3",         "QPushButton", "Frame2",    "Open File and  Download", {140, 32, 149, 17},   true,  ""},
    {"Command6",         "QPushButton", "Frame2",    "Install",                 {296, 8, 41, 17},     true,  ""},
    {"Command4",         "QPushButton", "Frame2",    "Info",                    {296, 32, 41, 17},    true,  ""},
    {"Frame3",           "QGroupBox",   "frmSerial", "Status",                  {0, 56, 345, 65},     true,  ""},
    {"vbalProgressBar1", kProgressBar,  "Frame3",    "NO FILE",                 {8, 72, 329, 17},     true,  ""},
    {"Label3",           "QLabel",      "Frame3",    "Answer:",                 {8, 96, 49, 17},      true,  ""},
    {"Text8",            "QLineEdit",   "frmSerial", "",                        {52, 94, 285, 19},    true,  ""},
    {"Frame1",           "QGroupBox",   "frmSerial", "Commands and Results",    {4, 152, 313, 65},    true,  ""},
    {"Label1_2",         "QLabel",      "Frame1",    "String ",                 {12, 168, 45, 17},    true,  ""},
    {"txt_2",            "QLineEdit",   "Frame1",    "",                        {8, 184, 301, 21},    false, "NC"},
    {"BTNSend",          "QPushButton", "Frame1",    "&Send Text",              {184, 160, 65, 17},   false, "NC"},
    {"Command5",         "QPushButton", "frmSerial", "Send",                    {132, 224, 57, 17},   true,  ""},
};
// clang-format on

QString captionOf(const QWidget* w) {
  for (const char* property : {"title", "text", "Text"}) {
    const QVariant value = w->property(property);
    if (value.isValid()) return value.toString();
  }
  return QString();
}

bool isCaptionBlue(QColor c) {
  return c.blue() >= 0x90 && c.red() < 0x50 && c.green() < 0x50;
}

int countPixels(const QImage& image, QRect area, bool (*match)(QColor)) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += match(image.pixelColor(x, y));
  return count;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<tarnwick::ui::frmSerial> window_;
  FakePlatform* port_ = nullptr;  // owned by the window
  std::shared_ptr<DialogLog> dialogs_;

  template <class T = QWidget>
  T* get(const char* name) {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no control %s", name);
    return found;
  }
  QTimer* timer(const char* name) { return get<QTimer>(name); }
  TextProgressBar* bar() { return get<TextProgressBar>("vbalProgressBar1"); }
  QString label2() { return get<QLabel>("Label2")->text(); }
  void click(const char* name) { QTest::mouseClick(get(name), Qt::LeftButton); }
  bool isEnabled(const char* name) { return get(name)->isEnabled(); }

  QString writeHexFile(const QTemporaryDir& dir, const QString& name) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the HEX file");
    file.write(":0400000001020304F2\r\n:00000001FF\r\n");
    return file.fileName();
  }

 private slots:
  void init() {
    auto platform = std::make_unique<FakePlatform>();
    port_ = platform.get();
    dialogs_ = std::make_shared<DialogLog>();
    window_ = std::make_unique<tarnwick::ui::frmSerial>(
        std::move(platform), std::make_unique<RecordingDialogs>(dialogs_));
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void startStateOfEveryControl() {
    QCOMPARE(window_->windowTitle(), QString("Tarnwick v3.30"));
    QCOMPARE(window_->size(), QSize(347, 121));
    QVERIFY(window_->windowIcon().availableSizes().contains(QSize(24, 24)));
    for (const Expected& e : kExpected) {
      QWidget* w = get(e.name);
      QCOMPARE(w->metaObject()->className(), e.className);
      QCOMPARE(w->parentWidget()->objectName(), QString(e.container));
      QCOMPARE(QRect(w->mapTo(window_.get(), QPoint(0, 0)), w->size()), e.clientRect);
      if (*e.caption) QCOMPARE(captionOf(w), QString(e.caption));
      QCOMPARE(w->isEnabled(), e.enabled);
      QCOMPARE(w->property("Tag").toString(), QString(e.tag));
    }
    QCOMPARE(get<QLineEdit>("Text8")->text(), QString());
    QCOMPARE(get<QLineEdit>("txt_2")->text(), QString());
    QCOMPARE(bar()->barColor(), 0xFF0000u);
    QCOMPARE(get<tarnwick::ui::FillShape>("Pic")->fillColor(), 0xFFFFu);
    for (auto [name, interval] : {std::pair{"Timer3", 100}, {"TMRComm", 20}, {"Timer2", 500}}) {
      QCOMPARE(timer(name)->interval(), interval);
      QVERIFY(!timer(name)->isActive());
    }
    QVERIFY(port_->calls.empty());  // nothing runs at load
  }

  void focusStartsInPortNameAndFollowsTabOrder() {
    QCOMPARE(QApplication::focusWidget(), get("txt_0"));
    QStringList chain;
    QWidget* w = get("txt_0");
    do {
      if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
      w = w->nextInFocusChain();
    } while (w != get("txt_0"));
    QCOMPARE(chain, QStringList({"txt_0", "BTNOpenCom", "BTNCloseCom", "txt_2", "BTNSend",
                                 "Command3", "Command4", "Command5", "Command6", "Text8"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // past the disabled ones
    QCOMPARE(QApplication::focusWidget(), get("Command3"));
  }

  void switchTagsFlipsTaggedControlsOnly() {
    window_->SwitchTags();
    for (const Expected& e : kExpected) QCOMPARE(isEnabled(e.name), e.enabled != (*e.tag != 0));
    window_->SwitchTags();
    for (const Expected& e : kExpected) QCOMPARE(isEnabled(e.name), e.enabled);
    QCOMPARE(window_->Decode2("1F"), 31);  // the other public methods are reachable too
  }

  void disabledControlsAndAccessKeyRunNothing() {
    click("BTNCloseCom");
    click("BTNSend");
    QTest::keyClicks(get("txt_2"), "typed");
    get<QLineEdit>("txt_2")->setText("hi");
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
    QCOMPARE(label2(), QString("No info"));

    // The access key presses the button a moment later, so a press made while
    // it was disabled would show up here as a second write.
    window_->SwitchTags();  // as a connection does
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return port_->count("write") > 0; }, kWaitMs));
    window_->SwitchTags();
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
    QTest::qWait(300);
    QCOMPARE(port_->calls, std::vector<std::string>{"write 4"});  // "hi" CR LF, once
  }

  void everyEventReachesItsHandler() {
    click("Command4");
    click("Command6");
    QCOMPARE(port_->calls, (std::vector<std::string>{"write 10", "write 7"}));

    click("Command3");  // cancelled
    QCOMPARE(dialogs_->filters, QStringList{"HEX files (*.hex)"});
    QCOMPARE(dialogs_->messages.back().text, QString("Cancel"));
    QCOMPARE(dialogs_->messages.back().icon, QMessageBox::NoIcon);
    QCOMPARE(dialogs_->messages.back().title, QString("Tarnwick"));

    QTemporaryDir dir;
    dialogs_->fileNames.push_back(writeHexFile(dir, QString::fromUtf8("fïrmware €.hex")));
    click("Command3");
    QCOMPARE(bar()->text(), QString("READY"));
    QCOMPARE(bar()->max(), 2);
    QVERIFY(QTest::qWaitFor([&] { return port_->count("write 10") == 2; }, kWaitMs));  // Timer2

    click("Command5");
    QCOMPARE(bar()->text(), QString("DOWNLOAD"));
    QCOMPARE(port_->calls.back(), "write 25");  // BOOT:0400000001020304F2 CR LF

    click("BTNOpenCom");
    QVERIFY(QTest::qWaitFor([&] { return label2() == "Ready"; }, kWaitMs));  // Timer3
    QCOMPARE(port_->openedNames.front(), "COM5:");
    QVERIFY(timer("TMRComm")->isActive());
    port_->reads.push_back(std::string("VER=1\0\r\n", 8));
    QVERIFY(QTest::qWaitFor([&] { return port_->reads.empty(); }, kWaitMs));  // TMRComm
    QCOMPARE(get<QLineEdit>("Text8")->text(), QString::fromLatin1("VER=1\0\r\n", 8));
    QVERIFY(!timer("Timer2")->isActive());

    click("BTNCloseCom");
    QCOMPARE(label2(), QString("Closed"));
    QVERIFY(!timer("TMRComm")->isActive());
    QCOMPARE(port_->openDevices, 0);
  }

  void closingTheWindowClosesThePort() {
    window_->close();
    QCOMPARE(port_->calls, std::vector<std::string>{"close"});
    QVERIFY(!window_->isVisible());
  }

  void messagesKeepTheirTextsTitlesAndIcons() {
    port_->failTimeouts = true;
    port_->errorNumber = 25;
    click("BTNOpenCom");
    QVERIFY(QTest::qWaitFor([&] { return !dialogs_->messages.empty(); }, kWaitMs));
    QCOMPARE(dialogs_->messages.front().text,
             QString("Unable to set timeouts for port COM5: Error: 25"));
    QCOMPARE(dialogs_->messages.front().title, QString("Tarnwick"));
    QCOMPARE(dialogs_->messages.front().icon, QMessageBox::NoIcon);
    timer("Timer3")->stop();

    dialogs_->fileNames.push_back("/nonexistent/folder/image.hex");
    click("Command3");
    QCOMPARE(dialogs_->messages.back().title, QString("Error#2"));  // ENOENT
    QCOMPARE(dialogs_->messages.back().icon, QMessageBox::Critical);
  }

  void textsCrossUnchanged() {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte.push_back(static_cast<char>(c));
    window_->setText8(everyByte);
    QCOMPARE(window_->text8(), everyByte);

    get<QLineEdit>("txt_0")->setText(QString::fromUtf8("COM\u00e9\u20ac\U0001F600"));
    QCOMPARE(window_->portNameText(), std::u32string(U"COM\u00e9\u20ac\U0001F600"));
  }

  void captionsFitTheirControls() {
    for (auto* button : window_->findChildren<QPushButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      const QRect room =
          button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      const QString shown = QString(button->text()).remove('&');
      QVERIFY2(button->fontMetrics().horizontalAdvance(shown) <= room.width(), qPrintable(shown));
      QVERIFY2(button->fontMetrics().height() <= room.height(), qPrintable(shown));
    }
    for (auto* label : window_->findChildren<QLabel*>()) {
      if (label->objectName() == "Label2") label->setText("WAIT Connect:  200");  // its longest
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->text()));
      QVERIFY(label->fontMetrics().height() <= label->height());
    }
  }

  void framesAndAnswerBoxDrawAsDesigned() {
    window_->resize(347, 250);  // Frame1 into view
    const QImage image = window_->grab().toImage();
    QVERIFY(countPixels(image, {2, 0, 44, 12}, isCaptionBlue) > 20);     // Frame2
    QVERIFY(countPixels(image, {6, 152, 120, 12}, isCaptionBlue) > 20);  // Frame1
    QCOMPARE(countPixels(image, {2, 56, 60, 12}, isCaptionBlue), 0);     // Frame3
    QCOMPARE(countPixels(image, {8, 166, 40, 14}, isCaptionBlue), 0);    // Label1(2)
    QCOMPARE(window_->childAt(get("Text8")->geometry().center()), get("Text8"));
  }

  void progressBarIsSafeAndShowsItsText() {
    QCOMPARE(TextProgressBar::filledWidth(100, 5, 0), 0);
    QCOMPARE(TextProgressBar::filledWidth(100, -3, 10), 0);
    QCOMPARE(TextProgressBar::filledWidth(100, 20, 10), 100);
    QCOMPARE(TextProgressBar::filledWidth(100, 3, 9), 33);
    QCOMPARE(TextProgressBar::filledWidth(327, INT_MAX - 1, INT_MAX), 326);

    TextProgressBar bar;
    bar.resize(100, 17);
    bar.setBarColor(0x800000);  // navy
    bar.setMax(10);
    bar.setValue(20);
    bar.setText("DOWNLOAD");
    QImage image = bar.grab().toImage();
    QCOMPARE(image.pixelColor(95, 3), QColor(0, 0, 0x80));
    const QRect textArea(20, 2, 60, 13);
    QVERIFY(countPixels(image, textArea, [](QColor c) { return c.value() < 40; }) > 20);
    QVERIFY(countPixels(image, textArea, [](QColor c) { return c.lightness() > 200; }) > 20);
    bar.setMax(0);
    image = bar.grab().toImage();
    QCOMPARE(image.pixelColor(5, 3), bar.palette().color(QPalette::Base));
  }

  // The README's picture of the window as it starts.
  void writesReadmeScreenshot() {
    const QString path = QStringLiteral(TARNWICK_DOCS_DIR "/window.png");
    QVERIFY(window_->grab().save(path));
    QCOMPARE(QImage(path).size(), QSize(347, 121));
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
