// The line sender's two guards on its line counter.
//
// Both end a send before anything goes out. Past the last loaded line the
// sender stops on its own, so no run reaches them; they keep a damaged state
// (a counter set from outside) from sending a line the table does not hold.
#pragma once

#include <cstdint>
#include <optional>

#include "download/download_state.h"
#include "download/runtime_error.h"

namespace tarnwick::download {

// Moves the counter on to the next line. At `counterMax` (the window's 32767)
// it stays and the result is an overflow error; a line outside 1..lastLine
// (the window's table ends at 9000) stays in the counter and the result is a
// subscript error.
std::optional<RuntimeError> advanceLineIndex(
    LineNumber& lineIndex, LineNumber lastLine = kMaxImageLines,
    LineNumber counterMax = DownloadLimits{}.lineCounterMax);

}  // namespace tarnwick::download
