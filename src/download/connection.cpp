// Open Port, the attempt tick of Timer3, Close Port and the window's unload.
#include "download/command_line.h"
#include "download/download_control.h"

namespace tarnwick::download {
namespace {

// The count with a blank in the place of its sign: "WAIT Connect:  2".
std::string waitingCaption(int count) {
  std::string caption(kStatusWaiting);
  if (count >= 0) caption += ' ';
  return caption + std::to_string(count);
}

// The observer of a control that has none: it hears everything and does nothing.
DownloadObserver noObserver;

}  // namespace

DownloadControl::DownloadControl(FormControls& form, serial::SerialPort& port,
                                 DownloadLimits limits)
    : form_(form), port_(port), limits_(limits), observer_(&noObserver) {}

void DownloadControl::setObserver(DownloadObserver* observer) {
  observer_ = observer != nullptr ? observer : &noObserver;
}

void DownloadControl::openPortClick() {
  // A file loaded before the port opened is not sent: it must be loaded again.
  state_.downloadRequested = 0;
  form_.setLabel2Caption(std::string(kStatusWaiting));
  state_.connectAttempts = 1;
  form_.setTimerEnabled(FormTimer::Timer3, true);
  state_.imageLoaded = 0;
}

void DownloadControl::attemptTick() {
  // An attempt can wait in a message box (the port's own configuration
  // failure, or the give-up notice), and ticks reach us inside it. Such a
  // tick is dropped and not counted: a second attempt would replace the
  // port's one handle before the first has closed its device.
  if (attemptRunning_) return;
  attemptRunning_ = true;
  runAttempt();
  attemptRunning_ = false;
}

void DownloadControl::runAttempt() {
  ++state_.connectAttempts;
  form_.setLabel2Caption(waitingCaption(state_.connectAttempts));
  observer_->attemptCounted(state_.connectAttempts);
  if (state_.connectAttempts >= kGiveUpCount) {
    giveUp();
    return;
  }
  // Only -1 means the port is open and configured.
  if (port_.OpenPort(form_.portNameText(), kPortSettings) != serial::kPortTrue) return;
  connected();
}

void DownloadControl::giveUp() {
  // The timer stops before the box, so no attempt starts while it is open.
  form_.setTimerEnabled(FormTimer::Timer3, false);
  form_.showMessage(form_.portNameText() + latin1Text(kNotAvailableSuffix), MessageStyle::Plain,
                    std::string());
  form_.setLabel2Caption(std::string(kStatusGaveUp));
  observer_->gaveUp();
}

void DownloadControl::connected() {
  form_.setLabel2Caption(std::string(kStatusReady));
  form_.setTimerEnabled(FormTimer::Timer3, false);
  form_.setBarValue(0);
  form_.setBarColor(kNavy);
  form_.SwitchTags();
  form_.setTimerEnabled(FormTimer::TMRComm, true);
  // The boot loader needs a moment after the port opens before it listens.
  form_.sleepMs(kPauseAfterOpenMs);
  port_.WritePort(commandLine(kInfoCommand));
  observer_->connected();
}

void DownloadControl::closePortClick() {
  form_.setTimerEnabled(FormTimer::TMRComm, false);
  form_.setBarText(std::string(kBarNoFile));
  form_.setLabel2Caption(std::string(kStatusClosed));
  form_.setText8(std::string());
  state_.verifyPass = 0;
  state_.imageLoaded = 0;
  port_.ClosePort();
  form_.SwitchTags();
  // No HEX file to close here: the loader never leaves one open.
}

void DownloadControl::unload() {
  port_.ClosePort();
}

}  // namespace tarnwick::download
