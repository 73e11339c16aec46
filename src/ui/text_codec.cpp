#include "ui/text_codec.h"

#include "form/text_codec.h"

namespace tarnwick::ui {
namespace {

QString fromUtf16(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string_view utf16Of(const QString& text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                             static_cast<std::size_t>(text.size()));
}

}  // namespace

QString fromLatin1(const std::string& text) {
  return fromUtf16(form::fromLatin1(text));
}

std::string toLatin1(const QString& text) {
  return form::toLatin1(utf16Of(text));
}

std::u32string toUcs4(const QString& text) {
  return form::toUcs4(utf16Of(text));
}

QString fromUcs4(const std::u32string& text) {
  return fromUtf16(form::fromUcs4(text));
}

}  // namespace tarnwick::ui
