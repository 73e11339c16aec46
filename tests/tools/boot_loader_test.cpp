// The simulator's parts in-process: record checks, where data lands, the
// verify compare, the flash dump and the cutting of the line into commands.
#include <gtest/gtest.h>

#include "boot_loader.h"
#include "command_framer.h"
#include "flash.h"
#include "hex_record.h"
#include "support/temp_folder.h"

namespace boardsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HexRecord, AcceptsEachTypeWithTheLengthItNeeds) {
  struct Case {
    const char* digits;
    RecordType type;
    std::uint16_t offset;
    Bytes data;
  };
  const Case cases[] = {
      {"0400100001020304E2", RecordType::kData, 0x0010, {1, 2, 3, 4}},
      {"0400100001020304e2", RecordType::kData, 0x0010, {1, 2, 3, 4}},
      {"00000001FF", RecordType::kEndOfFile, 0, {}},
      {"020000021200EA", RecordType::kExtendedSegmentAddress, 0, {0x12, 0x00}},
      {"0400000300003800C1", RecordType::kStartSegmentAddress, 0, {0, 0, 0x38, 0}},
      {"02000004FFFFFC", RecordType::kExtendedLinearAddress, 0, {0xFF, 0xFF}},
      {"04000005000000CD2A", RecordType::kStartLinearAddress, 0, {0, 0, 0, 0xCD}},
  };
  for (const Case& c : cases) {
    const ParsedRecord parsed = parseRecord(c.digits);
    ASSERT_TRUE(parsed.record) << c.digits << ": " << parsed.problem;
    EXPECT_EQ(parsed.record->type, c.type) << c.digits;
    EXPECT_EQ(parsed.record->offset, c.offset) << c.digits;
    EXPECT_EQ(parsed.record->data, c.data) << c.digits;
  }
}

TEST(HexRecord, RefusesWhatIsNotASoundRecord) {
  for (const char* digits : {
           "", "00000001", "00000001F", ":00000001FF", "00000001FG", "00000001FF  ",
           "00000001FE",    // checksum
           "0200000001FD",  // byte count above the data
           "00000006FA",    // unknown type
           "0100000100FE",  // end of file with data
           "0100000408F3",  // extended linear address of one byte
           "0200000508F1",  // start linear address of two bytes
       }) {
    EXPECT_FALSE(parseRecord(digits).record) << '"' << digits << '"';
  }
}

TEST(BootLoader, PlacesDataByExtendedSegmentAndLinearAddresses) {
  BootLoader loader;
  for (const char* line : {"BOOT:020000021000EC", "BOOT:02FFFF00AABB9B",  // wraps in the segment
                           "BOOT:020000040800F2", "BOOT:02FFFF00CCDD57",  // runs on past 64 KiB
                           "BOOT:00000001FF",  // end of file: back to address 0
                           "BOOT:0200000000FFFF"}) {
    ASSERT_NE(loader.handle(line).text, "ERROR") << line;
  }
  const Flash& flash = loader.flash();
  EXPECT_EQ(flash.at(0x1FFFF), 0xAA);
  EXPECT_EQ(flash.at(0x10000), 0xBB);
  EXPECT_EQ(flash.at(0x0800FFFF), 0xCC);
  EXPECT_EQ(flash.at(0x08010000), 0xDD);
  EXPECT_EQ(flash.at(0x00000000), 0x00);
  EXPECT_EQ(flash.writtenBytes(), 6u);
  EXPECT_EQ(loader.records(), 6u);
}

TEST(BootLoader, VerifyComparesWithFlashAndEndsTheRunOnEndOfFile) {
  BootLoader loader;
  EXPECT_EQ(loader.handle("BOOT:0400100001020304E2").text, "OK");
  const Reply passEnd = loader.handle("BOOT:00000001FF");
  EXPECT_EQ(passEnd.text, "DOWNLOAD");
  EXPECT_FALSE(passEnd.endedRun);
  EXPECT_EQ(loader.handle("BOOT#0400100001020304E2").text, "OK");
  EXPECT_EQ(loader.handle("BOOT#0400100001020305E1").text, "ERROR");
  EXPECT_EQ(loader.handle("BOOT#0200000000FFFF").text, "ERROR");  // 0x00 against erased flash
  EXPECT_EQ(loader.handle("BOOT#01002000FFE0").text, "OK");       // never written: erased
  EXPECT_EQ(loader.handle("BOOT#00000001FE").text, "ERROR");      // bad record
  const Reply runEnd = loader.handle("BOOT#00000001FF");
  EXPECT_EQ(runEnd.text, "DOWNLOAD");
  EXPECT_TRUE(runEnd.endedRun);
  EXPECT_EQ(loader.flash().writtenBytes(), 4u);  // verifying writes nothing
  EXPECT_EQ(loader.errors(), 3u);
}

TEST(BootLoader, OtherCommandsAndTextsThatTriggerNoHostReaction) {
  BootLoader loader;
  EXPECT_EQ(loader.handle("BOOT:04000005080000C12E").text, "OK");
  const std::string version = loader.handle("BOOTinfo").text;
  const std::string start = loader.handle("BOOTg").text;
  EXPECT_EQ(version.rfind("VER=", 0), 0u);
  EXPECT_EQ(version.find("VER=", 1), std::string::npos);
  EXPECT_NE(start.find("080000C1"), std::string::npos) << start;
  for (const std::string& text : {version, start}) {
    for (const char* keyword : {"ERROR", "DOWNLOAD", "FORMAT", "OK"}) {
      EXPECT_EQ(text.find(keyword), std::string::npos) << text << " holds " << keyword;
    }
  }
  EXPECT_EQ(start.find("VER="), std::string::npos);
  EXPECT_EQ(loader.handle("").text, "");
  EXPECT_EQ(loader.handle("hello").text, "ERROR");
  EXPECT_EQ(loader.handle("BOOTINFO").text, "ERROR");
}

TEST(Flash, DumpsFromTheLowestAddressWithGapsErasedAndTheBaseBeside) {
  Flash flash;
  flash.put(0x08000002, 0x11);
  flash.put(0x08000005, 0x22);
  const tarnwick::testing::TempFolder folder;
  const std::string path = folder.file("flash.bin");
  ASSERT_EQ(dumpFlash(flash, path), "");
  EXPECT_EQ(tarnwick::testing::readFile(path), std::string("\x11\xFF\xFF\x22", 4));
  EXPECT_EQ(tarnwick::testing::readFile(path + ".base"), "0x08000002\n");

  flash.put(0, 0);  // 128 MiB apart: refused rather than written
  EXPECT_NE(dumpFlash(flash, path), "");
}

TEST(CommandFramer, CutsAtCrLfAcrossChunksAndRefusesOtherLineEnds) {
  CommandFramer framer;
  EXPECT_TRUE(framer.feed("BOOTi", 5).empty());
  auto commands = framer.feed("nfo\r\nBOOTg\r\nbare\n\r\n", 19);
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0].text, "BOOTinfo");
  EXPECT_EQ(commands[0].endsAt, 4u);
  EXPECT_EQ(commands[1].text, "BOOTg");
  EXPECT_TRUE(commands[2].badFraming);
  EXPECT_EQ(commands[3].text, "");
  EXPECT_FALSE(commands[3].badFraming);

  const std::string overlong(kMaxCommandBytes + 10, 'A');
  commands = framer.feed(overlong.data(), overlong.size());
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_TRUE(commands[0].badFraming);
  commands = framer.feed("AAA\r\nBOOTg\r\n", 12);  // the rest of the long line is skipped
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].text, "BOOTg");
}

}  // namespace
}  // namespace boardsim
