#include "download/hex_decode.h"

namespace tarnwick::download {

std::int16_t Decode(std::u32string_view digit) {
  static constexpr std::u32string_view kDigits = U"0123456789ABCDEF";
  if (digit.size() != 1) return 0;
  const std::size_t value = kDigits.find(digit.front());
  return value == std::u32string_view::npos ? 0 : static_cast<std::int16_t>(value);
}

std::int16_t Decode2(std::u32string_view digits) {
  if (digits.size() == 2) {
    return static_cast<std::int16_t>(Decode(digits.substr(0, 1)) * 16 + Decode(digits.substr(1)));
  }
  if (digits.size() == 1) return Decode(digits);
  return 0;
}

}  // namespace tarnwick::download
