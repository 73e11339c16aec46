// Open File and Download: choose a HEX file, load its lines, arm the download.
#include "download/download_control.h"
#include "download/hex_file_reader.h"

namespace tarnwick::download {

void DownloadControl::openFileAndDownloadClick() {
  // Stands whatever happens next, a cancel or a failed load included.
  state_.downloadRequested = 1;

  const std::string fileName = form_.showOpenDialog(std::string(kHexFilter));
  if (fileName.empty()) {
    form_.showMessage(latin1Text(kCancelMessage), MessageStyle::Plain, std::string());
    return;
  }

  // A pass under way behind the dialog kept its form until a file was
  // chosen: a cancel leaves it running as it was. From here until the last
  // line is stored the table is being replaced, so nothing of it may be
  // sent: ticks arrive while an error box is open, and a failed load leaves it so.
  state_.verifyPass = 0;
  state_.lineIndex = 0;
  state_.lineTotal = 0;
  state_.imageLoaded = 0;
  form_.setBarText(std::string(kBarNoFile));
  if (auto error = readHexLines(fileName, state_.hexLines, state_.lineIndex, limits_.maxLines)) {
    showRuntimeError(form_, *error);  // the file is already closed
    return;
  }

  state_.lineTotal = state_.lineIndex;
  form_.setBarMax(state_.lineTotal);
  form_.setBarText(std::string(kBarReady));
  // A new image starts in download form from line 1, whatever the old run did
  // while the dialog was open (its "DOWNLOAD" may have begun a verify pass).
  state_.verifyPass = 0;
  state_.lineIndex = 0;
  state_.awaitingRunStart = true;
  form_.enableCommand5();
  form_.setTimerEnabled(FormTimer::Timer2, true);
  state_.imageLoaded = 1;
  observer_->imageLoaded(state_.lineTotal);
}

}  // namespace tarnwick::download
