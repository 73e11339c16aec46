// What every window fault run shares: a folder, a board with its faults, the
// window on it, and the bounds that say the window stayed well.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hex_image.h"
#include "support/temp_folder.h"
#include "window_station.h"

namespace tarnwick::faults {

// While the board misbehaves the window keeps ticking, answers within a
// couple of seconds, and does not spin a core. Far from the real figures
// (about 0.01 of a core, and 260 ms at worst: one read of a quiet line).
inline constexpr double kCalmCpuShare = 0.5;
inline constexpr double kCalmLateMs = 2000;

inline constexpr std::uint32_t kRed = 0xFF;
inline constexpr std::uint32_t kGreen = 0xFF00;

class WindowFaults : public ::testing::Test {
 protected:
  // A board with these options and the window on it, connected.
  void start(std::vector<std::string> boardOptions);
  // Writes the image into the folder; its path.
  std::string writeImage(const HexImage& image, const std::string& name = "image.hex");
  // Waits until the bar shows this text.
  bool runEndsWith(const char* barText);
  // The window ticks, stays prompt and does not spin a core for `span`.
  void expectCalm(std::chrono::milliseconds span);
  // The board is stopped; its flash holds the image, and it refused only as
  // many records as it was told to.
  void expectFlashHolds(const HexImage& image, long refusals = 0);

  testing::TempFolder folder;
  std::unique_ptr<Station> station;
};

}  // namespace tarnwick::faults
