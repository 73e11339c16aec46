// The image check that keeps a joined, cut or LF-only file from being sent:
// each fault names the first line at fault; blank lines after the end stay
// allowed and are not part of what a pass sends.
#include "flash/session/image_check.h"

#include <gtest/gtest.h>

namespace tarnwick::flash {
namespace {

const std::string kData = ":0400000001020304F2";
const std::string kEnd = ":00000001FF";

std::optional<ImageFault> check(std::vector<std::string> lines) {
  lines.insert(lines.begin(), std::string());  // entry 0 is never used
  return checkImage(lines, static_cast<download::LineNumber>(lines.size() - 1));
}

TEST(ImageCheck, NamesTheFirstLineAtFaultAndWhatIsWrongWithIt) {
  const struct {
    std::vector<std::string> lines;
    download::LineNumber line;
    std::string says;
  } cases[] = {
      {{kData + "\n" + kEnd}, 1, "holds a line feed"},
      {{kData, "", kEnd}, 2, "is blank"},
      {{kData.substr(1), kEnd}, 1, "start code"},
      {{":04000000010203G4F2", kEnd}, 1, "\"G\" at column 16, which is not a hex digit"},
      {{kData + "0", kEnd}, 1, "odd number of hex digits"},
      {{":0500000001020304F2", kEnd}, 1, "says it holds 5 data bytes but holds 4"},
      {{":0400000001020304F3", kEnd}, 1, "checksum 0xF3 where its bytes need 0xF2"},
      {{":0400000701020304EB", kEnd}, 1, "record type 0x07"},
      {{kData, ":01000001AA54"}, 2, "type 0x01 with 1 data bytes"},
      {{kData, kData}, 3, "ends after line 2 without an end-of-file record"},
      {{kData, kEnd, "", kData, kEnd}, 4, "follows the end-of-file record on line 2"},
  };
  for (const auto& c : cases) {
    const auto fault = check(c.lines);
    ASSERT_TRUE(fault) << c.says;
    EXPECT_EQ(fault->line, c.line) << fault->description;
    EXPECT_NE(fault->description.find(c.says), std::string::npos) << fault->description;
  }
}

TEST(ImageCheck, BlankLinesAfterTheEndPassButAreNotSent) {
  const std::vector<std::string> lines = {"", kData, kEnd, "", "  "};
  EXPECT_FALSE(checkImage(lines, 4));
  EXPECT_EQ(imageLines(lines, 4), 2);
  EXPECT_FALSE(check({":020000040800F2", ":0400000001020304f2", kEnd}));  // lower case digits
}

}  // namespace
}  // namespace tarnwick::flash
