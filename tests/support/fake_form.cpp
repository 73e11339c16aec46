#include "support/fake_form.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace tarnwick::testing {
namespace {

std::string hex(std::uint32_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

const char* timerName(download::FormTimer timer) {
  switch (timer) {
    case download::FormTimer::Timer3:
      return "Timer3";
    case download::FormTimer::TMRComm:
      return "TMRComm";
    case download::FormTimer::Timer2:
      return "Timer2";
  }
  return "?";
}

}  // namespace

std::string narrow(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) out.push_back(c < 256 ? static_cast<char>(c) : '?');
  return out;
}

std::vector<std::string> FakeForm::logFrom(std::size_t from) const {
  if (from >= log.size()) return {};
  return std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(from), log.end());
}

void FakeForm::setLabel2Caption(const std::string& caption) {
  label2 = caption;
  log.push_back("Label2 " + caption);
}

void FakeForm::setText8(const std::string& text) {
  text8Box = text;
  log.push_back("Text8 " + text);
}

void FakeForm::setTimerEnabled(download::FormTimer timer, bool enabled) {
  timers[static_cast<int>(timer)] = enabled;
  log.push_back(std::string(timerName(timer)) + (enabled ? " on" : " off"));
}

void FakeForm::enableCommand5() {
  log.push_back("Command5 on");
}

void FakeForm::SwitchTags() {
  ++switchTagsCalls;
  log.push_back("SwitchTags");
}

void FakeForm::setPicFillColor(std::uint32_t color) {
  picColor = color;
  log.push_back("Pic " + hex(color));
}

void FakeForm::setBarText(const std::string& text) {
  barText = text;
  log.push_back("bar Text " + text);
}

void FakeForm::setBarValue(std::int32_t value) {
  barValue = value;
  log.push_back("bar Value " + std::to_string(value));
}

void FakeForm::setBarMax(std::int32_t max) {
  barMax = max;
  log.push_back("bar Max " + std::to_string(max));
}

void FakeForm::setBarColor(std::uint32_t color) {
  barColor = color;
  log.push_back("bar Color " + hex(color));
}

std::string FakeForm::showOpenDialog(const std::string& filter) {
  log.push_back("dialog " + filter);
  if (duringDialog) duringDialog();
  if (dialogAnswers.empty()) return std::string();
  std::string answer = dialogAnswers.front();
  dialogAnswers.pop_front();
  return answer;
}

void FakeForm::showMessage(const std::u32string& text, download::MessageStyle style,
                           const std::string& title) {
  messages.push_back(Message{text, style, title});
  log.push_back("message");
  if (duringMessage) duringMessage();
}

void FakeForm::sleepMs(int milliseconds) {
  log.push_back("sleep " + std::to_string(milliseconds));
  if (duringSleep) duringSleep();
  if (realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace tarnwick::testing
