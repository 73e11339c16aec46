// SHA-256 of bytes fed in pieces, for the record that ties a board to the
// image it got. The system's own implementation does the hashing: nettle on
// POSIX systems, Windows' CNG (BCrypt) on Windows; one file per platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tarnwick::flash {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const char* bytes, std::size_t count);
  // 64 lower-case hex digits, as sha256sum prints them. Ends the hashing.
  std::string hexDigest();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// 32 bytes as 64 lower-case hex digits.
std::string hexDigits(const unsigned char* bytes, std::size_t count);

}  // namespace tarnwick::flash
