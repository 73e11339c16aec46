// The handlers' texts in the wide (UTF-16) form of the Win32 API, over the
// conversions of form/text_codec.h: wchar_t is 16 bits on Windows, so a
// std::wstring and a std::u16string hold the same units.
//
// Trap: a Windows edit control ends its text at the first NUL. The answer box
// therefore shows a NUL byte as U+2400 (the symbol for NUL) and reads that
// symbol back as byte 0, so every byte 0 to 255 survives the round trip.
#pragma once

#include <string>

namespace tarnwick::ui_win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide Win32 API is UTF-16");

// Latin-1 bytes as shown in captions and on the bar.
std::wstring wideFromLatin1(const std::string& bytes);

// The answer box's form: NUL shown as U+2400, and read back as 0; a
// character with no 8-bit code becomes '?'.
std::wstring answerBoxText(const std::string& bytes);
std::string answerBoxBytes(const std::wstring& text);

// Typed text for the handlers, and message texts for the boxes.
std::u32string ucs4FromWide(const std::wstring& text);
std::wstring wideFromUcs4(const std::u32string& text);

}  // namespace tarnwick::ui_win32
