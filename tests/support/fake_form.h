// A recording window for the handlers: keeps each control's state, logs every
// operation in order, answers the file dialog from a script, and records the
// message boxes. Timers only record whether they run; the test plays their
// ticks. Hooks run inside the modal waits, where the real window delivers
// timer ticks too.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "download/form_controls.h"

namespace tarnwick::testing {

class FakeForm : public download::FormControls {
 public:
  struct Message {
    std::u32string text;
    download::MessageStyle style;
    std::string title;
  };

  // Script.
  std::u32string portName = U"COM5:";     // txt(0)
  std::u32string sendTextBox;             // txt(2)
  std::deque<std::string> dialogAnswers;  // each dialog returns the next; "" once empty
  bool realSleep = false;                 // sleepMs really waits
  std::function<void()> duringDialog;     // run while the file dialog is open
  std::function<void()> duringMessage;    // run while a message box is open
  std::function<void()> duringSleep;      // run inside the blocking wait

  // Controls, as the window would show them now.
  std::string label2 = "No info";
  std::string text8Box;
  std::uint32_t picColor = 0xFFFF;
  std::string barText = "NO FILE";
  std::int32_t barValue = 0;
  std::int32_t barMax = 0;
  std::uint32_t barColor = 0xFF0000;
  bool timers[3] = {false, false, false};
  int switchTagsCalls = 0;

  // What was done, in order: "Label2 Ready", "Timer3 off", "bar Value 0",
  // "bar Color 0x800000", "SwitchTags", "sleep 100", "Text8 ...", "Pic 0xff",
  // "bar Text READY", "bar Max 3", "Command5 on", "dialog FILTER", "message".
  std::vector<std::string> log;
  std::vector<Message> messages;

  bool running(download::FormTimer timer) const { return timers[static_cast<int>(timer)]; }
  bool connectedControls() const { return switchTagsCalls % 2 == 1; }
  // Entries of the log from `from` on.
  std::vector<std::string> logFrom(std::size_t from) const;

  void setLabel2Caption(const std::string& caption) override;
  std::u32string portNameText() override { return portName; }
  std::u32string sendText() override { return sendTextBox; }
  std::string text8() override { return text8Box; }
  void setText8(const std::string& text) override;
  void setTimerEnabled(download::FormTimer timer, bool enabled) override;
  void enableCommand5() override;
  void SwitchTags() override;
  std::uint32_t picFillColor() override { return picColor; }
  void setPicFillColor(std::uint32_t color) override;
  void setBarText(const std::string& text) override;
  void setBarValue(std::int32_t value) override;
  void setBarMax(std::int32_t max) override;
  void setBarColor(std::uint32_t color) override;
  std::string showOpenDialog(const std::string& filter) override;
  void showMessage(const std::u32string& text, download::MessageStyle style,
                   const std::string& title) override;
  void sleepMs(int milliseconds) override;
};

// Characters below 256 as bytes, others as '?': for readable comparisons.
std::string narrow(const std::u32string& text);

}  // namespace tarnwick::testing
