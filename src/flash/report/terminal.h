// Whether standard error is a person's terminal, asked the platform's way
// (one file per platform, chosen by the build).
#pragma once

namespace tarnwick::flash {

// True on a terminal; there, on Windows, the console is also made to follow
// the cursor-movement sequences that redraw one line per board.
bool standardErrorIsTerminal();

}  // namespace tarnwick::flash
