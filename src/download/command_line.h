// The bytes of every command the host sends: the text, then CR LF.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "download/protocol.h"

namespace tarnwick::download {

inline std::string commandLine(std::string_view text) {
  std::string line(text);
  line += kLineEnd;
  return line;
}

// "BOOT" and one image line, as stored; in the verify form every record mark
// of the line, not only the first, becomes the verify mark.
inline std::string imageLineCommand(std::string_view imageLine, bool verifyForm) {
  std::string text(kLinePrefix);
  text += imageLine;
  if (verifyForm) std::replace(text.begin(), text.end(), kRecordMark, kVerifyMark);
  return commandLine(text);
}

}  // namespace tarnwick::download
