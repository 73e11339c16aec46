#include "download/hex_line_splitter.h"

#include <cstring>
#include <utility>

namespace tarnwick::download {

std::optional<RuntimeError> HexLineSplitter::feed(const char* bytes, std::size_t count) {
  const char* const end = bytes + count;
  if (afterCr_ && bytes < end && *bytes == '\n') ++bytes;  // the LF of a CR LF split by a piece
  afterCr_ = false;
  while (bytes < end) {
    const auto* cr =
        static_cast<const char*>(std::memchr(bytes, '\r', static_cast<std::size_t>(end - bytes)));
    const char* lineEnd = cr ? cr : end;
    line_.append(bytes, lineEnd);
    lineStarted_ = true;
    if (!cr) break;
    if (auto error = store()) return error;
    bytes = cr + 1;
    if (bytes == end) {
      afterCr_ = true;
    } else if (*bytes == '\n') {
      ++bytes;
    }
  }
  return std::nullopt;
}

std::optional<RuntimeError> HexLineSplitter::finish() {
  return lineStarted_ ? store() : std::nullopt;
}

std::optional<RuntimeError> HexLineSplitter::store() {
  ++lineIndex_;
  if (lineIndex_ > maxLines_) {
    return RuntimeError{kSubscriptError, "The file has more than " + std::to_string(maxLines_) +
                                             " lines; at most " + std::to_string(maxLines_) +
                                             " lines can be loaded."};
  }
  const auto index = static_cast<std::size_t>(lineIndex_);
  if (index >= hexLines_.size()) hexLines_.resize(index + 1);
  // Moved, not copied: a long line is not held twice.
  hexLines_[index] = std::move(line_);
  line_.clear();
  lineStarted_ = false;
  return std::nullopt;
}

}  // namespace tarnwick::download
