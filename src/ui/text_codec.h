// The handlers' texts as Qt's, through the conversions of form/text_codec.h
// (QString holds UTF-16), so that both windows turn texts into bytes alike.
#pragma once

#include <QString>
#include <string>

namespace tarnwick::ui {

// Keeps every byte, NUL included.
QString fromLatin1(const std::string& text);
// Characters above U+00FF have no 8-bit code and become '?'.
std::string toLatin1(const QString& text);

std::u32string toUcs4(const QString& text);
QString fromUcs4(const std::u32string& text);

}  // namespace tarnwick::ui
