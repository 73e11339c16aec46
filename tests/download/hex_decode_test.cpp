#include "download/hex_decode.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick::download {
namespace {

TEST(HexDecode, OnlyOneUpperCaseDigitCounts) {
  const std::u32string digits = U"0123456789ABCDEF";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(Decode(digits.substr(i, 1)), static_cast<std::int16_t>(i));
  }
  for (const char32_t* text : {U"f", U"a", U"G", U" ", U"", U"10", U"\u0661"}) {
    EXPECT_EQ(Decode(text), 0) << "length " << std::u32string(text).size();
  }
}

TEST(HexDecode, TwoDigitsMakeAByteAndAnythingElseCountsAsZero) {
  const struct {
    const char32_t* text;
    int value;
  } cases[] = {{U"1F", 31}, {U"FF", 255}, {U"00", 0}, {U"1f", 16}, {U"G7", 7},
               {U" 7", 7},  {U"7", 7},    {U"", 0},   {U"100", 0}, {U"A", 10}};
  for (const auto& c : cases) {
    EXPECT_EQ(Decode2(c.text), c.value) << "value " << c.value;
  }
}

}  // namespace
}  // namespace tarnwick::download
