// The state of one download, shared by the handlers for the life of the window,
// and the limits of its line table and line counter.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "download/protocol.h"

namespace tarnwick::download {

// A line's index or a count of lines. Wide enough for any image a front end
// takes; how far it may go is DownloadLimits', not the type's.
using LineNumber = std::int32_t;

// How many lines a file may have and where the line counter fails. The
// defaults are the window's: a table of 9000 lines and a 16-bit counter that
// fails rather than wrap past 32767. A front end that takes larger images
// passes its own; the table then grows as a load needs it.
struct DownloadLimits {
  LineNumber maxLines = kMaxImageLines;
  LineNumber lineCounterMax = std::numeric_limits<std::int16_t>::max();
};

struct DownloadState {
  // Line n of the file at index n, from 1; index 0 is never written or sent.
  std::vector<std::string> hexLines = std::vector<std::string>(kMaxImageLines + 1);
  LineNumber lineIndex = 0;  // the line sent last in this pass; 0 before the first
  LineNumber lineTotal = 0;  // lines loaded
  std::int16_t verifyPass = 0;
  std::int16_t downloadRequested = 0;
  std::int16_t imageLoaded = 0;
  std::int16_t connectAttempts = 0;
  // Set when a load completes, cleared by the first answer holding "VER=".
  // Until then an "OK" or "DOWNLOAD" answers a line of the run the load
  // replaced (the file dialog runs while the old run goes on), so it must not
  // send a line of the new image.
  bool awaitingRunStart = false;
};

}  // namespace tarnwick::download
