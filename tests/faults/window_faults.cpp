#include "window_faults.h"

namespace tarnwick::faults {

void WindowFaults::start(std::vector<std::string> boardOptions) {
  station = std::make_unique<Station>(folder.path(), std::move(boardOptions));
  ASSERT_TRUE(station->boardStarted());
  ASSERT_TRUE(station->connect());
}

std::string WindowFaults::writeImage(const HexImage& image, const std::string& name) {
  return image.writeTo(folder.path() + "/" + name);
}

bool WindowFaults::runEndsWith(const char* barText) {
  return waitFor([&] { return station->barText() == barText; }, kRunLimit);
}

void WindowFaults::expectCalm(std::chrono::milliseconds span) {
  const Calm calm = watchWindow(*station, span);
  EXPECT_LT(calm.cpuShare, kCalmCpuShare);
  EXPECT_LT(calm.worstLateMs, kCalmLateMs);
  EXPECT_GE(calm.reads, 2);  // the receive timer still ticks
}

void WindowFaults::expectFlashHolds(const HexImage& image, long refusals) {
  const BoardSummary summary = station->stopBoard();
  EXPECT_EQ(summary.errors, refusals);
  const std::string flash = station->flash();
  EXPECT_EQ(flash.size(), image.flash.size());
  EXPECT_TRUE(flash == image.flash) << "the board's flash differs from the image";
}

}  // namespace tarnwick::faults
