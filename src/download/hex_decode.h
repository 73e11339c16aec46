// Hexadecimal digit text to numbers, as the window's public methods offer it.
// Only the upper-case digits 0-9 and A-F count; anything else counts as 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick::download {

std::int16_t Decode(std::u32string_view digit);
std::int16_t Decode2(std::u32string_view digits);

}  // namespace tarnwick::download
