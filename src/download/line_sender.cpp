// The line sender (Send, and every answer that asks for the next line) and
// the info polling tick.
#include "download/command_line.h"
#include "download/download_control.h"
#include "download/line_guards.h"

namespace tarnwick::download {

std::optional<RuntimeError> DownloadControl::sendNextLine() {
  // Only lines 1 to lineTotal ever go out. Past the last one, or with nothing
  // loaded, the call does nothing at all: what lies beyond is empty or left
  // over from an earlier, longer file.
  if (state_.lineIndex >= state_.lineTotal) return std::nullopt;

  const bool verifyForm = state_.verifyPass == 1;
  // The verify pass keeps the "VERIFY" its start put on the bar.
  if (!verifyForm) form_.setBarText(std::string(kBarDownload));
  const auto lastInTable = static_cast<LineNumber>(state_.hexLines.size() - 1);
  if (auto error = advanceLineIndex(state_.lineIndex, lastInTable, limits_.lineCounterMax)) {
    return error;
  }

  port_.WritePort(imageLineCommand(state_.hexLines[state_.lineIndex], verifyForm));
  form_.setBarValue(state_.lineIndex);
  observer_->lineSent(state_.lineIndex, verifyForm ? LineForm::Verify : LineForm::Download);
  // After the last line the pass waits at 0: "DOWNLOAD" moves the run on,
  // "OK" starts the same pass again.
  if (state_.lineIndex == state_.lineTotal) state_.lineIndex = 0;
  return std::nullopt;
}

void DownloadControl::sendClick() {
  if (auto error = sendNextLine()) showRuntimeError(form_, *error);
}

void DownloadControl::infoTick() {
  port_.WritePort(commandLine(kInfoCommand));
}

}  // namespace tarnwick::download
