// The window's controls without a window: what the handlers write is kept
// and reported, what they read comes from the command line.
//
// How it works: HeadlessForm implements FormControls for DownloadControl.
// The port name box holds PORT, the file dialog "returns" FILE.hex, the
// three timers are timers of a TimerLoop, and each message box is handed to a
// FormEvents listener, to be printed. The other controls keep what the
// handlers write and tell no one: how a run stands comes from the handlers'
// events (download_observer.h), not from what a window would display.
//
// Trap: a message box does not wait for anyone here: the handler goes on at
// once, as if OK had been pressed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "download/form_controls.h"
#include "flash/session/timer_loop.h"

namespace tarnwick::flash {

// The message boxes a person would have read in the window.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void messageShown(const std::u32string& text, download::MessageStyle style,
                            const std::string& title) = 0;
};

class HeadlessForm : public download::FormControls {
 public:
  HeadlessForm(TimerLoop& loop, FormEvents& events, std::u32string portName, std::string hexFile);

  // Which loop timer plays which of the window's timers.
  void bindTimer(download::FormTimer timer, TimerLoop::TimerId id);

  // What the port name box holds from now on (the device a board name found).
  void setPortName(std::u32string name) { portName_ = std::move(name); }

  void setLabel2Caption(const std::string& caption) override { label2_ = caption; }
  std::u32string portNameText() override { return portName_; }
  std::u32string sendText() override { return std::u32string(); }
  std::string text8() override { return text8_; }
  void setText8(const std::string& text) override { text8_ = text; }

  void setTimerEnabled(download::FormTimer timer, bool enabled) override;
  void enableCommand5() override {}
  // No controls to enable: the flasher never clicks a tagged control.
  void SwitchTags() override {}

  std::uint32_t picFillColor() override { return picFillColor_; }
  void setPicFillColor(std::uint32_t color) override { picFillColor_ = color; }

  void setBarText(const std::string& text) override { barText_ = text; }
  void setBarValue(std::int32_t value) override { barValue_ = value; }
  void setBarMax(std::int32_t max) override { barMax_ = max; }
  void setBarColor(std::uint32_t /*color*/) override {}

  std::string showOpenDialog(const std::string& filter) override;
  void showMessage(const std::u32string& text, download::MessageStyle style,
                   const std::string& title) override;
  void sleepMs(int milliseconds) override;

  const std::string& label2Caption() const { return label2_; }
  const std::string& barText() const { return barText_; }
  std::int32_t barValue() const { return barValue_; }
  std::int32_t barMax() const { return barMax_; }

 private:
  TimerLoop& loop_;
  FormEvents& events_;
  std::u32string portName_;
  std::string hexFile_;
  std::array<TimerLoop::TimerId, 3> timers_{};
  std::array<bool, 3> timerBound_{};
  std::string label2_;
  std::string text8_;
  std::uint32_t picFillColor_ = 0;
  std::string barText_;
  std::int32_t barValue_ = 0;
  std::int32_t barMax_ = 0;
};

}  // namespace tarnwick::flash
