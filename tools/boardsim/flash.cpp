#include "flash.h"

#include <cstdio>
#include <fstream>

namespace boardsim {

std::uint8_t Flash::at(std::uint32_t address) const {
  const auto found = bytes_.find(address);
  return found == bytes_.end() ? kErased : found->second;
}

std::uint32_t Flash::lowest() const {
  return bytes_.empty() ? 0 : bytes_.begin()->first;
}

std::vector<std::uint8_t> Flash::image() const {
  if (bytes_.empty()) return {};
  const std::uint64_t span = std::uint64_t{bytes_.rbegin()->first} - lowest() + 1;
  if (span > kMaxImageBytes) return {};
  std::vector<std::uint8_t> image(static_cast<std::size_t>(span), kErased);
  for (const auto& [address, value] : bytes_) image[address - lowest()] = value;
  return image;
}

std::string dumpFlash(const Flash& flash, const std::string& path) {
  const std::vector<std::uint8_t> image = flash.image();
  if (image.empty() && !flash.empty()) {
    return "flash contents span more than " + std::to_string(kMaxImageBytes) + " bytes";
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  char base[16];
  std::snprintf(base, sizeof base, "0x%08X\n", static_cast<unsigned>(flash.lowest()));
  std::ofstream baseOut(path + ".base", std::ios::trunc);
  baseOut << base;
  if (!out.flush() || !baseOut.flush()) return "cannot write " + path + " or its .base file";
  return {};
}

}  // namespace boardsim
