#include "ui_win32/wide_text.h"

#include <string_view>

#include "form/text_codec.h"

namespace tarnwick::ui_win32 {
namespace {

constexpr wchar_t kNulSymbol = 0x2400;

std::wstring wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

std::u16string utf16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

std::wstring wideFromLatin1(const std::string& bytes) {
  return wide(form::fromLatin1(bytes));
}

std::wstring answerBoxText(const std::string& bytes) {
  std::wstring text = wideFromLatin1(bytes);
  for (wchar_t& c : text) {
    if (c == 0) c = kNulSymbol;
  }
  return text;
}

std::string answerBoxBytes(const std::wstring& text) {
  std::string bytes = form::toLatin1(utf16(text));
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kNulSymbol) bytes[i] = '\0';
  }
  return bytes;
}

std::u32string ucs4FromWide(const std::wstring& text) {
  return form::toUcs4(utf16(text));
}

std::wstring wideFromUcs4(const std::u32string& text) {
  return wide(form::fromUcs4(text));
}

}  // namespace tarnwick::ui_win32
