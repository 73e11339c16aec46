// Colours as the handlers give them: 24-bit numbers with red in the low byte
// (0x00BBGGRR), the reverse of the usual 0xRRGGBB.
#pragma once

#include <QColor>
#include <cstdint>

namespace tarnwick::ui {

inline QColor fromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

inline constexpr std::uint32_t kBlue = 0xFF0000;
inline constexpr std::uint32_t kYellow = 0xFFFF;
inline constexpr std::uint32_t kCaptionBlue = 0xC00000;  // the captions of Frame1 and Frame2

}  // namespace tarnwick::ui
