#include "ui/text_codec.h"

#include <QList>

namespace tarnwick::ui {

QString fromLatin1(const std::string& text) {
  // The explicit size keeps NUL characters; they are not terminators here.
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLatin1(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::u32string toUcs4(const QString& text) {
  const QList<uint> codes = text.toUcs4();
  return std::u32string(codes.begin(), codes.end());
}

QString fromUcs4(const std::u32string& text) {
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tarnwick::ui
