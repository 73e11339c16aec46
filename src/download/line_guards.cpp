#include "download/line_guards.h"

#include <limits>
#include <string>

#include "download/protocol.h"

namespace tarnwick::download {

std::optional<RuntimeError> advanceLineIndex(std::int16_t& lineIndex) {
  if (lineIndex == std::numeric_limits<std::int16_t>::max()) {
    return RuntimeError{kOverflowError, "Overflow: the line counter cannot go past 32767."};
  }
  ++lineIndex;
  if (lineIndex < 1 || lineIndex > kMaxImageLines) {
    return RuntimeError{kSubscriptError, "Subscript out of range: there is no line " +
                                             std::to_string(lineIndex) +
                                             " in the line table, which holds lines 1 to " +
                                             std::to_string(kMaxImageLines) + "."};
  }
  return std::nullopt;
}

}  // namespace tarnwick::download
