// The reports for machines and people: a board's bytes survive JSON, and a
// name that is not UTF-8 does not end the report.
#include "flash/report/flash_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace tarnwick::flash {
namespace {

// What a reader does to get the bytes back: each character's number.
std::string bytesOf(const std::string& utf8) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      bytes += utf8[i];
    } else {
      EXPECT_LT(lead, 0xC4) << "a character above U+00FF";
      bytes += static_cast<char>(((lead & 0x1F) << 6) | (utf8[++i] & 0x3F));
    }
  }
  return bytes;
}

TEST(FlashReport, BoardBytesOfEveryValueComeBackAsTheNumbersOfTheirCharacters) {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  BoardReport report{"/dev/tty\xff", "fw.hex", "1-2", "", {}};  // a name that is not UTF-8
  report.outcome.exitCode = kExitBoardError;
  report.outcome.boardInfo = "VER=" + everyByte;
  report.outcome.passes = {{Pass::Download, 2, false}};
  report.outcome.errorLine = 2;
  report.outcome.errorLineText = ":10\x80\xe9\r";

  const auto json = nlohmann::json::parse(reportJson(report));
  EXPECT_EQ(bytesOf(json["board_info"].get<std::string>()), "VER=" + everyByte);
  EXPECT_EQ(bytesOf(json["error_line"]["text"].get<std::string>()), ":10\x80\xe9\r");
  EXPECT_EQ(json["error_line"]["pass"], "download");
  EXPECT_EQ(json["port"], "/dev/tty\xef\xbf\xbd");  // U+FFFD
  EXPECT_EQ(json["outcome"], "error");

  const auto list = nlohmann::json::parse(reportJson(std::vector<BoardReport>{report, report}));
  ASSERT_TRUE(list.is_array());
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
}  // namespace tarnwick::flash
