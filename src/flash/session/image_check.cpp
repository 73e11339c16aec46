#include "flash/session/image_check.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

#include "flash/report/progress_report.h"

namespace tarnwick::flash {
namespace {

using download::LineNumber;

constexpr std::uint8_t kEndOfFileType = 0x01;
// The data bytes each record type must have; -1 for any number (data records).
constexpr int kTypeLength[] = {-1, 0, 2, 4, 2, 4};

bool isBlank(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string hexByte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

// What is wrong with one line as a record, or "" when it is a sound one; its
// type in `type`.
std::string recordFault(const std::string& line, std::uint8_t& type) {
  if (line.find('\n') != std::string::npos) {
    return "holds a line feed: lines must end in CR LF, and a file whose lines end in LF alone "
           "loads as a single line";
  }
  if (isBlank(line)) return "is blank";
  if (line[0] != ':') return "does not begin with the start code \":\"";
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 1; i < line.size(); i += 2) {
    const int high = hexValue(line[i]);
    const int low = i + 1 < line.size() ? hexValue(line[i + 1]) : 0;
    const std::size_t bad = high < 0 ? i : i + 1;
    if (high < 0 || low < 0) {
      return "holds \"" + ProgressReport::printable(line.substr(bad, 1)) + "\" at column " +
             std::to_string(bad + 1) + ", which is not a hex digit";
    }
    if (i + 1 >= line.size()) return "has an odd number of hex digits";
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  if (bytes.size() < 5) return "is too short for a record";
  const std::size_t length = bytes[0];
  if (bytes.size() != length + 5) {
    return "says it holds " + std::to_string(length) + " data bytes but holds " +
           std::to_string(static_cast<long>(bytes.size()) - 5);
  }
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  const unsigned wanted = (0x100 - sum % 0x100) % 0x100;
  if (bytes.back() != wanted) {
    return "has the checksum " + hexByte(bytes.back()) + " where its bytes need " + hexByte(wanted);
  }
  type = bytes[3];
  if (type >= std::size(kTypeLength)) return "has the record type " + hexByte(type) + ", unknown";
  if (kTypeLength[type] >= 0 && static_cast<int>(length) != kTypeLength[type]) {
    return "is a record of type " + hexByte(type) + " with " + std::to_string(length) +
           " data bytes, where that type has " + std::to_string(kTypeLength[type]);
  }
  return {};
}

}  // namespace

std::optional<ImageFault> checkImage(const std::vector<std::string>& lines, LineNumber count) {
  for (LineNumber n = 1; n <= count; ++n) {
    const std::string& line = lines[static_cast<std::size_t>(n)];
    std::uint8_t type = 0;
    const std::string fault = recordFault(line, type);
    if (!fault.empty()) return ImageFault{n, "line " + std::to_string(n) + " " + fault};
    if (type != kEndOfFileType) continue;
    for (LineNumber after = n + 1; after <= count; ++after) {
      if (isBlank(lines[static_cast<std::size_t>(after)])) continue;
      return ImageFault{after, "line " + std::to_string(after) +
                                   " follows the end-of-file record on line " + std::to_string(n) +
                                   " (two HEX files joined into one?)"};
    }
    return std::nullopt;
  }
  return ImageFault{count + 1, "the file ends after line " + std::to_string(count) +
                                   " without an end-of-file record (cut short?)"};
}

LineNumber imageLines(const std::vector<std::string>& lines, LineNumber count) {
  while (count > 0 && isBlank(lines[static_cast<std::size_t>(count)])) --count;
  return count;
}

}  // namespace tarnwick::flash
