#include "hex_image.h"

#include <cstdint>
#include <cstdio>
#include <fstream>

namespace tarnwick::faults {
namespace {

constexpr int kRecordBytes = 16;

std::string record(std::uint16_t address, std::uint8_t type, const std::string& data) {
  std::string bytes;
  bytes += static_cast<char>(data.size());
  bytes += static_cast<char>(address >> 8);
  bytes += static_cast<char>(address & 0xFF);
  bytes += static_cast<char>(type);
  bytes += data;
  unsigned sum = 0;
  for (unsigned char b : bytes) sum += b;
  bytes += static_cast<char>((0x100 - sum % 0x100) % 0x100);
  std::string line = ":";
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    line += digits;
  }
  return line;
}

std::string upperAddress(std::uint32_t address) {
  return record(0, 4,
                {static_cast<char>(address >> 24), static_cast<char>((address >> 16) & 0xFF)});
}

}  // namespace

std::string HexImage::fileText() const {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string HexImage::writeTo(const std::string& path) const {
  std::ofstream(path, std::ios::binary) << fileText();
  return path;
}

HexImage makeImage(int lineCount) {
  HexImage image;
  std::uint32_t address = 0;
  std::uint32_t upper = 0;  // the 64 KiB block the records are in
  while (static_cast<int>(image.lines.size()) < lineCount - 1) {
    if (address >> 16 != upper) {
      upper = address >> 16;
      image.lines.push_back(upperAddress(address));
      continue;
    }
    std::string data;
    for (int i = 0; i < kRecordBytes; ++i) {
      data += static_cast<char>((address + static_cast<std::uint32_t>(i)) * 7 % 251);
    }
    image.lines.push_back(record(static_cast<std::uint16_t>(address & 0xFFFF), 0, data));
    image.flash += data;
    address += kRecordBytes;
  }
  image.lines.push_back(":00000001FF");
  return image;
}

}  // namespace tarnwick::faults
