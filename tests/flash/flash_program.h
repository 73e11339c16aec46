// The flasher program as a test runs it: against the board simulator on a
// pseudo-terminal, with a five-line image at hand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/board_sim.h"
#include "support/temp_folder.h"

namespace tarnwick::testing {

using namespace std::chrono_literals;

// The first records of the ARM sample and the end record: a five-line image.
const char kSmallImage[] =
    ":020000040800F2\r\n"
    ":1000000000500020C100000805010008050100089B\r\n"
    ":1000100005010008050100080501000805010008A8\r\n"
    ":1000200005010008000000000000000000000000C2\r\n"
    ":00000001FF\r\n";

struct FlashResult {
  int exitCode;
  std::string out, err;
  double seconds;
};

class FlashRun : public ::testing::Test {
 protected:
  TempFolder files;
  const std::string smallImage = files.write("small.hex", kSmallImage);
  const std::string noSuchPort = files.file("no_such_port");

  // A simulated board that logs every command and dumps its flash here.
  std::vector<std::string> board(std::vector<std::string> faults,
                                 const std::string& flashFile = "flash.bin") {
    faults.insert(faults.begin(), {"--fast", "--verbose", "--flash-out", files.file(flashFile)});
    return faults;
  }

  // Runs the flasher to its end; generous bound: a loaded machine is slow, not wrong.
  static FlashResult flash(std::vector<std::string> args, const std::string& stderrPath = {}) {
    args.insert(args.begin(), FLASH_PROGRAM);
    ChildProcess flasher(args, {}, stderrPath);
    EXPECT_TRUE(flasher.waitForExit(120s)) << "the flasher did not end";
    return FlashResult{flasher.exitCode(), flasher.output(), flasher.errorOutput(),
                       flasher.runTime().count()};
  }

  // Every line went once in each pass, none was refused, and the board's
  // flash equals srec's image of the file.
  void expectFlashHolds(BoardSim& sim, const std::string& hexFile, int lines,
                        const std::string& flashFile = "flash.bin") {
    const SimSummary summary = parseSummary(sim.stop());
    EXPECT_EQ(summary.records, 2 * lines);
    EXPECT_EQ(summary.errors, 0);
    EXPECT_EQ(flashDifference(files.file(flashFile), hexFile), "");
  }
};

}  // namespace tarnwick::testing
