// frmSerial: the program's one window.
//
// It builds the controls of form_layout.h, owns the three timers, the serial
// port and the handlers (DownloadControl), and hands every click, tick and
// its closing to the handler that form/events.h wires to it. It holds no
// protocol logic: it only carries out, on real widgets, the operations that
// FormControls lists, and offers SwitchTags, Decode and Decode2 as public
// methods.
//
// Traps:
//   - Timer ticks and clicks still arrive while a message box or the file
//     dialog is open (Qt runs a nested event loop there); the handlers, not
//     the window, keep that safe.
//   - sleepMs() blocks the thread without handling any event.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "download/download_control.h"
#include "download/form_controls.h"
#include "form/window_texts.h"
#include "serial/serial_platform.h"
#include "serial/serial_port.h"
#include "ui/dialog_service.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tarnwick::ui {

class FillShape;
class TextProgressBar;

// The title of message boxes that bring none of their own.
using form::kApplicationTitle;

class frmSerial : public QWidget, public download::FormControls {
  Q_OBJECT

 public:
  frmSerial(std::unique_ptr<serial::SerialPlatform> platform,
            std::unique_ptr<DialogService> dialogs, QWidget* parent = nullptr);
  ~frmSerial() override;

  // The window's public methods.
  void SwitchTags() override;
  std::int16_t Decode(const QString& digit) const;
  std::int16_t Decode2(const QString& digits) const;

  // What the handlers do to the controls.
  void setLabel2Caption(const std::string& caption) override;
  std::u32string portNameText() override;
  std::u32string sendText() override;
  std::string text8() override;
  void setText8(const std::string& text) override;
  void setTimerEnabled(download::FormTimer timer, bool enabled) override;
  void enableCommand5() override;
  std::uint32_t picFillColor() override;
  void setPicFillColor(std::uint32_t color) override;
  void setBarText(const std::string& text) override;
  void setBarValue(std::int32_t value) override;
  void setBarMax(std::int32_t max) override;
  void setBarColor(std::uint32_t color) override;
  std::string showOpenDialog(const std::string& filter) override;
  void showMessage(const std::u32string& text, download::MessageStyle style,
                   const std::string& title) override;
  void sleepMs(int milliseconds) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void findControls();
  void createTimers();
  void wireEvents();
  QTimer* timer(download::FormTimer which) const;

  std::unique_ptr<DialogService> dialogs_;
  std::unique_ptr<serial::SerialPlatform> platform_;
  serial::SerialPort port_;
  download::DownloadControl control_;

  QLineEdit* txt0_ = nullptr;
  QLineEdit* txt2_ = nullptr;
  QLineEdit* text8_ = nullptr;
  QLabel* label2_ = nullptr;
  QPushButton* command5_ = nullptr;
  FillShape* pic_ = nullptr;
  TextProgressBar* bar_ = nullptr;
  std::array<QTimer*, 3> timers_{};  // by download::FormTimer
};

}  // namespace tarnwick::ui
