// The faults the simulator offers the host's reliability tests, in-process:
// which answer each one hides, alters or cuts, and what still reaches flash.
#include <gtest/gtest.h>

#include "board.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;

const Clock::time_point kStart{};

// What the host would receive for each command, pieces joined ("" for nothing).
std::vector<std::string> answers(Board& board, const std::vector<std::string>& commands,
                                 Clock::time_point now = kStart) {
  std::vector<std::string> received;
  for (const std::string& text : commands) {
    std::string joined;
    for (const Piece& piece : board.respond(Command{text, false, 0}, now).pieces) {
      joined += piece.bytes;
    }
    received.push_back(joined);
  }
  return received;
}

const std::vector<std::string> kRun = {"BOOTinfo", "BOOT:0400100001020304E2",
                                       "BOOT:0400200005060708C2", "BOOT:00000001FF"};

TEST(Faults, ErrorAndFormatAtARecordAndDroppedAnswers) {
  Faults faults;
  faults.errorAt = 1;   // not stored
  faults.formatAt = 2;  // stored
  faults.dropEvery = 4;
  Board board(faults);
  EXPECT_EQ(answers(board, kRun), (std::vector<std::string>{"VER=2.1 simulated board\r\n",
                                                            "ERROR\r\n", "FORMAT\r\n", ""}));
  EXPECT_EQ(board.loader().flash().writtenBytes(), 4u);
  EXPECT_EQ(board.loader().flash().at(0x20), 5);
  EXPECT_EQ(board.loader().errors(), 1u);
  // Records count on through the verify pass.
  Faults late;
  late.errorAt = 4;
  Board again(late);
  answers(again, kRun);
  EXPECT_EQ(answers(again, {"BOOT#0400100001020304E2"}), std::vector<std::string>{"ERROR\r\n"});
}

TEST(Faults, LowerCaseBurstAndSplitChangeOnlyTheBytes) {
  Faults faults;
  faults.lowerCase = true;
  faults.burstBytes = 300;
  faults.splitAnswers = true;
  Board board(faults);
  const Response response = board.respond(Command{"BOOT:00000001FF", false, 0}, kStart);
  ASSERT_EQ(response.pieces.size(), 2u);
  EXPECT_EQ(response.pieces[0].bytes, std::string(300, '.') + "down");
  EXPECT_EQ(response.pieces[0].pauseBefore, 0ms);
  EXPECT_EQ(response.pieces[1].bytes, "load\r\n");
  EXPECT_EQ(response.pieces[1].pauseBefore, kSplitPause);
}

TEST(Faults, SilenceAndHangUpAnswerNothingAndOnlySilenceStores) {
  Faults silent;
  silent.silent = true;
  Board quiet(silent);
  EXPECT_EQ(answers(quiet, kRun), std::vector<std::string>(4, ""));
  EXPECT_EQ(quiet.loader().flash().writtenBytes(), 8u);

  Faults afterFirst;
  afterFirst.silentFrom = 2;
  Board laterQuiet(afterFirst);
  EXPECT_EQ(answers(laterQuiet, kRun),
            (std::vector<std::string>{"VER=2.1 simulated board\r\n", "OK\r\n", "", ""}));

  Faults hangUp;
  hangUp.hangUpAt = 2;
  Board board(hangUp);
  answers(board, {kRun[0], kRun[1]});
  EXPECT_TRUE(board.respond(Command{kRun[2], false, 0}, kStart).hangUp);
  EXPECT_EQ(board.loader().flash().writtenBytes(), 4u);
}

TEST(Faults, VersionIsWithheldForAWhileFromTheFirstInfo) {
  Faults faults;
  faults.withholdVersion = 500ms;
  Board board(faults);
  EXPECT_EQ(answers(board, {"BOOTinfo"}, kStart + 1s), std::vector<std::string>{""});
  EXPECT_EQ(answers(board, {"BOOTinfo"}, kStart + 1499ms), std::vector<std::string>{""});
  EXPECT_EQ(answers(board, {"BOOT:00000001FF"}, kStart + 1499ms),
            std::vector<std::string>{"DOWNLOAD\r\n"});
  EXPECT_EQ(answers(board, {"BOOTinfo"}, kStart + 1500ms),
            std::vector<std::string>{"VER=2.1 simulated board\r\n"});
}

TEST(Faults, BadlyFramedLineIsAnError) {
  Board board(Faults{});
  const Response response = board.respond(Command{"BOOTinfo", true, 0}, kStart);
  ASSERT_EQ(response.pieces.size(), 1u);
  EXPECT_EQ(response.pieces[0].bytes, "ERROR\r\n");
}

}  // namespace
}  // namespace boardsim
