#include "ui/frm_serial.h"

#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <utility>

#include "download/hex_decode.h"
#include "form/controls.h"
#include "form/events.h"
#include "ui/fill_shape.h"
#include "ui/form_layout.h"
#include "ui/text_codec.h"
#include "ui/text_progress_bar.h"
#include "ui/window_icon.h"

namespace tarnwick::ui {
namespace {

template <class Child>
Child* control(QWidget& window, const char* name) {
  return window.findChild<Child*>(QString::fromLatin1(name));
}

// The designed controls are sized for a narrow 8-point face: at 11 pixels,
// slightly narrowed, "Open File and  Download" shows whole in its 149 x 17
// button and "Port: (1-9)" in its 53-pixel label.
QFont designFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  font.setStretch(92);
  return font;
}

}  // namespace

frmSerial::frmSerial(std::unique_ptr<serial::SerialPlatform> platform,
                     std::unique_ptr<DialogService> dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(std::move(dialogs)),
      platform_(std::move(platform)),
      port_(*platform_,
            [this](const std::string& message) {
              dialogs_->message(this, fromLatin1(message), QMessageBox::NoIcon,
                                QString::fromLatin1(kApplicationTitle));
            }),
      control_(*this, port_) {
  setObjectName(QString::fromLatin1(form::kWindowName));
  setWindowTitle(QString::fromStdString(form::windowTitle()));
  setWindowIcon(makeWindowIcon());
  setFont(designFont());
  resize(kClientWidth, kClientHeight);
  buildControls(*this);
  findControls();
  createTimers();
  wireEvents();
  findChild<QWidget*>(QString::fromLatin1(form::firstFocus().name))->setFocus();
}

frmSerial::~frmSerial() = default;

void frmSerial::findControls() {
  txt0_ = control<QLineEdit>(*this, "txt_0");
  txt2_ = control<QLineEdit>(*this, "txt_2");
  text8_ = control<QLineEdit>(*this, "Text8");
  label2_ = control<QLabel>(*this, "Label2");
  command5_ = control<QPushButton>(*this, "Command5");
  pic_ = control<FillShape>(*this, "Pic");
  bar_ = control<TextProgressBar>(*this, "vbalProgressBar1");
}

void frmSerial::createTimers() {
  for (const form::TimerDesign& design : form::timers()) {
    auto* timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(design.name));
    timer->setInterval(design.interval);
    timer->setProperty("Tag", QString());
    timers_[static_cast<std::size_t>(design.timer)] = timer;
  }
}

void frmSerial::wireEvents() {
  for (const form::EventWiring& wiring : form::events()) {
    const auto run = [this, handler = wiring.handler] { (control_.*handler)(); };
    switch (wiring.event) {
      case form::FormEvent::Click:
        connect(control<QPushButton>(*this, wiring.source), &QPushButton::clicked, this, run);
        break;
      case form::FormEvent::Timer:
        connect(control<QTimer>(*this, wiring.source), &QTimer::timeout, this, run);
        break;
      case form::FormEvent::Unload:  // closeEvent()
        break;
    }
  }
}

void frmSerial::closeEvent(QCloseEvent* event) {
  form::runHandler(control_, form::kWindowName, form::FormEvent::Unload);
  event->accept();
}

void frmSerial::SwitchTags() {
  // Tag and enabled are reached by name, so the walk needs no control's type.
  for (QObject* object : findChildren<QObject*>()) {
    if (object->property("Tag").toString().isEmpty()) continue;
    const QVariant enabled = object->property("enabled");
    if (enabled.isValid()) object->setProperty("enabled", !enabled.toBool());
  }
}

std::int16_t frmSerial::Decode(const QString& digit) const {
  return download::Decode(toUcs4(digit));
}

std::int16_t frmSerial::Decode2(const QString& digits) const {
  return download::Decode2(toUcs4(digits));
}

void frmSerial::setLabel2Caption(const std::string& caption) {
  label2_->setText(fromLatin1(caption));
}

std::u32string frmSerial::portNameText() {
  return toUcs4(txt0_->text());
}

std::u32string frmSerial::sendText() {
  return toUcs4(txt2_->text());
}

std::string frmSerial::text8() {
  return toLatin1(text8_->text());
}

void frmSerial::setText8(const std::string& text) {
  text8_->setText(fromLatin1(text));
}

QTimer* frmSerial::timer(download::FormTimer which) const {
  return timers_[static_cast<std::size_t>(which)];
}

void frmSerial::setTimerEnabled(download::FormTimer which, bool enabled) {
  QTimer* t = timer(which);
  // Enabling a running timer leaves its interval running; start() would restart it.
  if (!enabled) {
    t->stop();
  } else if (!t->isActive()) {
    t->start();
  }
}

void frmSerial::enableCommand5() {
  command5_->setEnabled(true);
}

std::uint32_t frmSerial::picFillColor() {
  return pic_->fillColor();
}

void frmSerial::setPicFillColor(std::uint32_t color) {
  pic_->setFillColor(color);
}

void frmSerial::setBarText(const std::string& text) {
  bar_->setText(fromLatin1(text));
}

void frmSerial::setBarValue(std::int32_t value) {
  bar_->setValue(value);
}

void frmSerial::setBarMax(std::int32_t max) {
  bar_->setMax(max);
}

void frmSerial::setBarColor(std::uint32_t color) {
  bar_->setBarColor(color);
}

std::string frmSerial::showOpenDialog(const std::string& filter) {
  const QByteArray name = QFile::encodeName(dialogs_->openFileName(this, qtFileFilter(filter)));
  return std::string(name.constData(), static_cast<std::size_t>(name.size()));
}

void frmSerial::showMessage(const std::u32string& text, download::MessageStyle style,
                            const std::string& title) {
  const QMessageBox::Icon icon =
      style == download::MessageStyle::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
  const QString caption = fromLatin1(form::messageBoxTitle(title));
  dialogs_->message(this, fromUcs4(text), icon, caption);
}

void frmSerial::sleepMs(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

}  // namespace tarnwick::ui
