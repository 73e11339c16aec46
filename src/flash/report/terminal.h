// Whether standard error is a person's terminal, and how wide it is, asked
// the platform's way (one file per platform, chosen by the build).
#pragma once

#include <cstddef>

namespace tarnwick::flash {

// True on a terminal; there, on Windows, the console is also made to follow
// the cursor-movement sequences that redraw one line per board.
bool standardErrorIsTerminal();

// The columns of standard error's terminal as it is now (it can be resized
// at any time: ask again before each drawing); 0 when it does not say.
std::size_t standardErrorColumns();

}  // namespace tarnwick::flash
