// An image longer than the window's 9000-line table and past what its 16-bit
// line counter can count (32767), through the flasher's session and the
// simulator's own boot loader and flash, in-process on a fake clock: on the
// real line every answer waits for 20 ms of quiet, and 66,000 of them would
// take twenty-three minutes.
#include <gtest/gtest.h>

#include <sstream>

#include "board.h"
#include "command_framer.h"
#include "fake_clock.h"
#include "faults/hex_image.h"
#include "flash.h"
#include "flash/report/exit_codes.h"
#include "flash/session/flash_session.h"
#include "support/board_sim.h"
#include "support/fake_platform.h"

namespace tarnwick::testing {
namespace {

// The simulated board behind the fake serial platform: each command the
// session writes is answered at once, unpaced.
class SimulatedBoard : public FakePlatform {
 public:
  boardsim::Board board{boardsim::Faults{}};

  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t n) override {
    const std::uint32_t taken = FakePlatform::write(port, buffer, n);
    for (const auto& command : framer_.feed(reinterpret_cast<const char*>(buffer), taken)) {
      for (const auto& piece : board.respond(command, {}).pieces) reads.push_back(piece.bytes);
    }
    return taken;
  }

 private:
  boardsim::CommandFramer framer_;
};

TEST(LongImage, ThirtyThreeThousandLinesVerifyAndTheFlashHoldsWhatSrecCatSees) {
  TempFolder files;
  flash::FlashOptions options;
  options.port = "COM5:";
  options.hexFile = faults::makeImage(33000).writeTo(files.file("long.hex"));
  FakeClock clock;
  SimulatedBoard board;
  std::ostringstream err, out;
  flash::ProgressReport progress(err, flash::ProgressStyle::Lines, false, clock);
  flash::FlashSession session(options, board, progress, out, clock);

  ASSERT_EQ(session.run(), flash::kExitVerified) << err.str();
  EXPECT_EQ(board.board.loader().records(), 66000u);
  const std::string flashFile = files.file("flash.bin");
  ASSERT_EQ(boardsim::dumpFlash(board.board.loader().flash(), flashFile), "");
  EXPECT_EQ(flashDifference(flashFile, options.hexFile), "");
}

}  // namespace
}  // namespace tarnwick::testing
