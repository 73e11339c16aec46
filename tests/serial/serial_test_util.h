// Small helpers shared by the serial link's tests.
#pragma once

#include <chrono>
#include <string>

namespace tarnwick::testing {

inline constexpr char kSettings[] = "115200,n,8,1";

// Every byte value once, 0 to 255, in order.
inline std::string allByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// n bytes that differ from their neighbours, so that order and splits show.
inline std::string numberedBytes(std::size_t n) {
  std::string bytes;
  for (std::size_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>('A' + i % 53));
  return bytes;
}

// 8-bit text as the window hands typed text over: one character per byte.
inline std::u32string widened(const std::string& bytes) {
  std::u32string text;
  for (char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text;
}

// Wall time of one call, in milliseconds.
template <class Call>
double millisecondsOf(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count();
}

}  // namespace tarnwick::testing
