#include "download/line_guards.h"

#include <string>

#include "download/protocol.h"

namespace tarnwick::download {

std::optional<RuntimeError> advanceLineIndex(LineNumber& lineIndex, LineNumber lastLine,
                                             LineNumber counterMax) {
  if (lineIndex >= counterMax) {
    return RuntimeError{kOverflowError, "Overflow: the line counter cannot go past " +
                                            std::to_string(counterMax) + "."};
  }
  ++lineIndex;
  if (lineIndex < 1 || lineIndex > lastLine) {
    return RuntimeError{kSubscriptError, "Subscript out of range: there is no line " +
                                             std::to_string(lineIndex) +
                                             " in the line table, which holds lines 1 to " +
                                             std::to_string(lastLine) + "."};
  }
  return std::nullopt;
}

}  // namespace tarnwick::download
