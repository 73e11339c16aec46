// The receive tick of TMRComm: read once, blink, show the answer, act on it.
//
// One read is one answer: nothing is joined across reads and nothing is
// split into lines. The keywords are tested in a fixed order and the first
// one found is the only one acted on.
#include "download/download_control.h"

namespace tarnwick::download {
namespace {

std::string withoutTrailingSpaces(const std::string& chunk) {
  const std::size_t last = chunk.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : chunk.substr(0, last + 1);
}

}  // namespace

void DownloadControl::receiveTick() {
  const std::string chunk = port_.ReadPort();
  blinkIndicator();
  if (chunk.empty()) return;
  form_.setPicFillColor(kRed);
  port_.FlushPort();
  const std::string answer = withoutTrailingSpaces(chunk);
  form_.setText8(answer);
  dispatchAnswer(answer);
}

void DownloadControl::blinkIndicator() {
  form_.setPicFillColor(form_.picFillColor() == kWhite ? kGrey : kWhite);
}

// Each test searches the answer box afresh, as it stands now.
bool DownloadControl::answerHolds(std::string_view keyword) {
  return form_.text8().find(keyword) != std::string::npos;
}

void DownloadControl::dispatchAnswer(const std::string& answer) {
  // The observer hears of the answer before its branch acts on it.
  const auto actOn = [&](AnswerKeyword keyword) { observer_->answerReceived(answer, keyword); };
  // A line sender error ends the tick silently: a tick never waits in a box.
  if (answerHolds(kVersionKeyword)) {
    actOn(AnswerKeyword::Version);
    state_.awaitingRunStart = false;
    form_.setTimerEnabled(FormTimer::Timer2, false);
    if (state_.downloadRequested == 1 && state_.imageLoaded == 1) sendNextLine();
  } else if (answerHolds(kErrorKeyword)) {
    actOn(AnswerKeyword::Error);
    form_.setBarText(std::string(kBarError));
    form_.setBarColor(kRed);
    state_.verifyPass = 0;
  } else if (answerHolds(kPassEndKeyword) && state_.awaitingRunStart) {
    actOn(AnswerKeyword::None);  // the replaced run's: the new run starts on "VER="
  } else if (answerHolds(kPassEndKeyword)) {
    actOn(AnswerKeyword::PassEnd);
    if (state_.verifyPass == 1) {
      form_.setBarText(std::string(kBarEnd));
      form_.setBarColor(kGreen);
      state_.verifyPass = 0;
      state_.imageLoaded = 0;
    } else {
      form_.setBarText(std::string(kBarVerify));
      state_.verifyPass = 1;
      state_.lineIndex = 0;
      sendNextLine();
    }
  } else if (answerHolds(kFormatKeyword)) {
    actOn(AnswerKeyword::Format);
    form_.setBarText(std::string());
    form_.setBarValue(0);
  } else if (answerHolds(kOkKeyword) && !state_.awaitingRunStart) {
    actOn(AnswerKeyword::Ok);
    sendNextLine();
  } else {
    actOn(AnswerKeyword::None);
  }
}

}  // namespace tarnwick::download
