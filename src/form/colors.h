// Colours of the window as numbers with red in the low byte (0x00BBGGRR), the
// layout the handlers use and the one Win32 calls a COLORREF, so a Win32
// window hands them on unchanged; a Qt window turns them round (red(),
// green(), blue() below).
#pragma once

#include <cstdint>

namespace tarnwick::form {

using Color = std::uint32_t;

inline constexpr Color kBlack = 0;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kBlue = 0xFF0000;         // the bar's fill at start
inline constexpr Color kYellow = 0xFFFF;         // the indicator's fill at start
inline constexpr Color kCaptionBlue = 0xC00000;  // the captions of Frame1 and Frame2
// Not a colour: the control keeps the toolkit's own. Outside the 24 bits on
// purpose (Win32's CLR_DEFAULT has the same value).
inline constexpr Color kToolkitColor = 0xFF000000;

constexpr int red(Color c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int green(Color c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blue(Color c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

}  // namespace tarnwick::form
