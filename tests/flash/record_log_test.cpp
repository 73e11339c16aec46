// The station's log on a disk that fills up and after a crash: the log stays
// one record a line, so a reader can still count every board.
#include "flash/station/record_log.h"

#include <gtest/gtest.h>

#include "support/file_size_limit.h"
#include "support/temp_folder.h"

namespace tarnwick::flash {
namespace {

constexpr char kRecords[] =
    "{\"board\":1,\"outcome\":\"verified\"}\n{\"board\":2,\"outcome\":\"error\"}\n";
const std::string kNext = "{\"board\":3,\"outcome\":\"verified\",\"exit_code\":0}\n";

TEST(RecordLogTest, ARecordCutShortByAFullDiskIsTakenOutAgainAndTheNextIsWhole) {
  testing::TempFolder files;
  const std::string path = files.write("boards.jsonl", kRecords);
  std::string error;
  auto log = RecordLog::open(path, error);
  ASSERT_TRUE(log) << error;
  {
    const testing::FileSizeLimit full(sizeof kRecords - 1 + 20);  // 20 bytes of the record fit
    EXPECT_FALSE(log->append(kNext, error));
    EXPECT_NE(error.find("only 20 of"), std::string::npos) << error;
    EXPECT_EQ(testing::readFile(path), kRecords);
  }
  ASSERT_TRUE(log->append(kNext, error)) << error;
  EXPECT_EQ(testing::readFile(path), kRecords + kNext);
}

TEST(RecordLogTest, ALogWhoseLastLineWasCutGetsALineEndBeforeTheFirstNewRecord) {
  testing::TempFolder files;
  const std::string cut = std::string(kRecords) + "{\"board\":3,\"outcome\":\"verif";
  const std::string path = files.write("boards.jsonl", cut);
  std::string error;
  auto log = RecordLog::open(path, error);
  ASSERT_TRUE(log) << error;
  EXPECT_TRUE(log->endedInACutLine());
  ASSERT_TRUE(log->append(kNext, error)) << error;
  ASSERT_TRUE(log->append(kNext, error)) << error;
  EXPECT_EQ(testing::readFile(path), cut + "\n" + kNext + kNext);

  log = RecordLog::open(path, error);
  ASSERT_TRUE(log) << error;
  EXPECT_FALSE(log->endedInACutLine());
}

TEST(RecordLogTest, ADeviceThatKeepsNoRecordIsRefusedBeforeAnyBoardIsFlashed) {
  for (const char* device : {"/dev/full", "/dev/null"}) {
    std::string error;
    EXPECT_FALSE(RecordLog::open(device, error)) << device;
    EXPECT_NE(error.find("keeps no records"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace tarnwick::flash
