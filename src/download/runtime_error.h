// Run-time errors of the handlers and the box that shows them.
//
// A handler that meets an error it cannot go on from (a file that cannot be
// read, a line counter at its limit) ends where it stands and reports a
// number and a plain description. The loader and the Send button show them in
// an error box titled "Error#" and the number; the receive loop never does, a
// tick must not wait in a dialog.
#pragma once

#include <string>
#include <string_view>

#include "download/form_controls.h"

namespace tarnwick::download {

// A run-time error of a handler: its number and a description in plain words.
struct RuntimeError {
  int number = 0;
  std::string description;  // 8-bit text or UTF-8, as the system's own messages come
};

// The numbers the handlers raise themselves; others are the platform's errno.
inline constexpr int kOverflowError = 6;
inline constexpr int kSubscriptError = 9;

// Shows the error box and returns once the user has closed it.
void showRuntimeError(FormControls& form, const RuntimeError& error);

// Latin-1 text as characters, one per byte.
std::u32string latin1Text(std::string_view text);

}  // namespace tarnwick::download
