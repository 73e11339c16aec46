// Conversions between the handlers' texts and Qt's.
//
// The handlers speak 8-bit text (Latin-1, one byte per character, NUL
// included) for everything that crosses the port, and UCS-4 for what a person
// typed, so that a character with no 8-bit code reaches the serial link
// intact and can be refused there rather than silently replaced here.
#pragma once

#include <QString>
#include <string>

namespace tarnwick::ui {

QString fromLatin1(const std::string& text);
// Characters above U+00FF have no 8-bit code and become '?'.
std::string toLatin1(const QString& text);

std::u32string toUcs4(const QString& text);
QString fromUcs4(const std::u32string& text);

}  // namespace tarnwick::ui
