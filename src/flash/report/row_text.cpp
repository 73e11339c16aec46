#include "flash/report/row_text.h"

#include <algorithm>

namespace tarnwick::flash {
namespace {

constexpr char kEllipsis[] = "...";
constexpr std::size_t kEllipsisColumns = sizeof kEllipsis - 1;

bool startsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// The byte where the text's `columns`-th column begins (its size past the end).
std::size_t byteAtColumn(const std::string& text, std::size_t columns) {
  std::size_t byte = 0;
  for (std::size_t seen = 0; byte < text.size(); ++byte) {
    if (startsCharacter(text[byte]) && seen++ == columns) break;
  }
  return byte;
}

}  // namespace

std::size_t columnsOf(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), startsCharacter));
}

std::string headColumns(const std::string& text, std::size_t columns) {
  return text.substr(0, byteAtColumn(text, columns));
}

std::string tailColumns(const std::string& text, std::size_t columns) {
  const std::size_t have = columnsOf(text);
  if (have <= columns) return text;
  if (columns <= kEllipsisColumns) return headColumns(kEllipsis, columns);
  return kEllipsis + text.substr(byteAtColumn(text, have - (columns - kEllipsisColumns)));
}

std::string paddedColumns(std::string text, std::size_t columns) {
  const std::size_t have = columnsOf(text);
  if (have < columns) text.append(columns - have, ' ');
  return text;
}

std::size_t linesTaken(std::size_t columns, std::size_t width) {
  return std::max<std::size_t>(1, (columns + width - 1) / std::max<std::size_t>(1, width));
}

}  // namespace tarnwick::flash
