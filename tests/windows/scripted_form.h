// A stand-in for the window in the Windows download test: it keeps what the
// handlers show, answers the file dialog with one prepared path, and notes
// when each timer was switched on so the test can play their ticks.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "download/form_controls.h"

namespace tarnwick::testing {

class ScriptedForm : public download::FormControls {
 public:
  using Clock = std::chrono::steady_clock;

  std::u32string portName;
  std::string chosenFile;

  std::string label2;
  std::string answerBox;              // Text8
  std::vector<std::string> barTexts;  // every text the bar showed, in order
  std::uint32_t barColor = 0;
  std::int32_t barValue = 0;
  std::vector<std::u32string> messages;
  bool timerRuns[3] = {false, false, false};
  Clock::time_point timerStarted[3];

  bool running(download::FormTimer timer) const { return timerRuns[index(timer)]; }
  Clock::time_point startedAt(download::FormTimer timer) const {
    return timerStarted[index(timer)];
  }

  void setLabel2Caption(const std::string& caption) override { label2 = caption; }
  std::u32string portNameText() override { return portName; }
  std::u32string sendText() override { return U""; }
  std::string text8() override { return answerBox; }
  void setText8(const std::string& text) override { answerBox = text; }
  void setTimerEnabled(download::FormTimer timer, bool enabled) override {
    if (enabled && !running(timer)) timerStarted[index(timer)] = Clock::now();
    timerRuns[index(timer)] = enabled;
  }
  void enableCommand5() override {}
  void SwitchTags() override {}
  std::uint32_t picFillColor() override { return pic_; }
  void setPicFillColor(std::uint32_t color) override { pic_ = color; }
  void setBarText(const std::string& text) override { barTexts.push_back(text); }
  void setBarValue(std::int32_t value) override { barValue = value; }
  void setBarMax(std::int32_t) override {}
  void setBarColor(std::uint32_t color) override { barColor = color; }
  std::string showOpenDialog(const std::string&) override { return chosenFile; }
  void showMessage(const std::u32string& text, download::MessageStyle,
                   const std::string&) override {
    messages.push_back(text);
  }
  void sleepMs(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

 private:
  static int index(download::FormTimer timer) { return static_cast<int>(timer); }
  std::uint32_t pic_ = 0;
};

}  // namespace tarnwick::testing
