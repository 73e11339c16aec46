// What happens in a download, as events, for a front end that must know how a
// run stands without reading what the window would display.
//
// DownloadControl tells its observer what it did: a connection attempt
// counted, a port opened, the attempts given up, an image loaded, an answer
// and the keyword it was acted on as, a line sent with its index and form.
// The window needs none of it and sets no observer. Every method does nothing
// unless overridden.
//
// Order: an answer is reported before its branch acts, so that the lines the
// branch sends come after it, as its consequence. An observer must not call
// back into the handlers, with one exception that the flasher relies on:
// unload() (it only closes the port), after which whatever the branch still
// sends goes nowhere.
#pragma once

#include <cstdint>
#include <string>

#include "download/download_state.h"

namespace tarnwick::download {

enum class LineForm { Download, Verify };

// The keyword an answer was acted on as: the first of the protocol's
// keywords that it holds, or None.
enum class AnswerKeyword { None, Version, Error, PassEnd, Format, Ok };

class DownloadObserver {
 public:
  virtual ~DownloadObserver() = default;

  virtual void attemptCounted(std::int16_t /*count*/) {}  // a tick of Timer3
  virtual void connected() {}                             // after "BOOTinfo" went out
  virtual void gaveUp() {}                                // after the notice was shown
  virtual void imageLoaded(LineNumber /*lines*/) {}
  virtual void answerReceived(const std::string& /*answer*/, AnswerKeyword /*keyword*/) {}
  virtual void lineSent(LineNumber /*index*/, LineForm /*form*/) {}
};

}  // namespace tarnwick::download
