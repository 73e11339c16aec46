// The one place where the window's texts change form.
//
// The handlers speak 8-bit text (one byte per character, the byte being the
// character's Latin-1 code, NUL included) for everything that crosses the
// port, and UCS-4 for what a person typed, so that a character with no 8-bit
// code reaches the serial link intact and is refused there rather than
// silently replaced here. Both toolkits hold their texts in UTF-16 (QString,
// the wide Win32 API), so the conversions are to and from UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::form {

// Each byte becomes the character of that code: bytes 0 to 255 stay exact.
std::u16string fromLatin1(std::string_view bytes);
// Each UTF-16 unit above U+00FF has no 8-bit code and becomes '?' (a
// character beyond U+FFFF, two units, becomes "??").
std::string toLatin1(std::u16string_view text);

// Pairs of surrogates become one character; a surrogate without its partner
// becomes U+FFFD.
std::u32string toUcs4(std::u16string_view text);
// A surrogate code or one above U+10FFFF becomes U+FFFD.
std::u16string fromUcs4(std::u32string_view text);

}  // namespace tarnwick::form
