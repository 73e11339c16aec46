// The simulated flash: a sparse map of written bytes over a 32-bit address
// space. Bytes never written read as 0xFF, as erased flash does, both when a
// verify record is compared and when the contents are dumped.
//
// The dump covers the lowest to the highest written address; its base (the
// lowest address) goes beside it in a one-line text file, FILE.base, because a
// binary file cannot say where it starts. Trap: two far-apart writes (0 and
// 0x08000000) would make a 128 MiB dump; dumps above kMaxImageBytes are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace boardsim {

inline constexpr std::uint8_t kErased = 0xFF;
inline constexpr std::size_t kMaxImageBytes = 64u << 20;

class Flash {
 public:
  void put(std::uint32_t address, std::uint8_t value) { bytes_[address] = value; }
  std::uint8_t at(std::uint32_t address) const;

  bool empty() const { return bytes_.empty(); }
  std::size_t writtenBytes() const { return bytes_.size(); }
  std::uint32_t lowest() const;  // 0 when empty
  // Lowest to highest written address, gaps erased; empty when over kMaxImageBytes.
  std::vector<std::uint8_t> image() const;

 private:
  std::map<std::uint32_t, std::uint8_t> bytes_;
};

// Writes image() to `path` and its base address ("0x08000000") to `path`.base.
// Returns an empty string on success, else what went wrong.
std::string dumpFlash(const Flash& flash, const std::string& path);

}  // namespace boardsim
