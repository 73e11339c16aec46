#include "form/window_texts.h"

namespace tarnwick::form {
namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::string windowTitle() {
  return std::string(kApplicationTitle) + " v" TARNWICK_VERSION;
}

std::string messageBoxTitle(const std::string& title) {
  return title.empty() ? std::string(kApplicationTitle) : title;
}

std::vector<FileFilter> parseFileFilter(std::string_view filter) {
  const std::vector<std::string_view> parts = split(filter, '|');
  std::vector<FileFilter> entries;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    entries.push_back({std::string(trimmed(parts[i])), std::string(trimmed(parts[i + 1]))});
  }
  return entries;
}

std::vector<std::string> patternList(std::string_view patterns) {
  std::vector<std::string> list;
  for (std::string_view part : split(patterns, ';')) {
    part = trimmed(part);
    if (!part.empty()) list.emplace_back(part);
  }
  return list;
}

}  // namespace tarnwick::form
