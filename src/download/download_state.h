// The state of one download, shared by the handlers for the life of the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "download/protocol.h"

namespace tarnwick::download {

struct DownloadState {
  // Line n of the file at index n, from 1; index 0 is never written or sent.
  std::vector<std::string> hexLines = std::vector<std::string>(kMaxImageLines + 1);
  std::int16_t lineIndex = 0;  // the line sent last in this pass; 0 before the first
  std::int16_t lineTotal = 0;  // lines loaded
  std::int16_t verifyPass = 0;
  std::int16_t downloadRequested = 0;
  std::int16_t imageLoaded = 0;
  std::int16_t connectAttempts = 0;
};

}  // namespace tarnwick::download
