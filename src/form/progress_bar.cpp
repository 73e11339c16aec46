#include "form/progress_bar.h"

#include <cstdint>

namespace tarnwick::form {
namespace {

// Below this grey level black text is hard to read on the fill (navy is 14).
constexpr int kDarkFill = 60;

// Weights of the eye's sensitivity to red, green and blue, in 32nds.
int greyLevel(Color c) {
  return (red(c) * 11 + green(c) * 16 + blue(c) * 5) / 32;
}

}  // namespace

int filledWidth(int innerWidth, int value, int max) {
  if (max <= 0 || value <= 0 || innerWidth <= 0) return 0;
  if (value >= max) return innerWidth;
  // 64 bits: a width times a value near 2^31 overflows int.
  return static_cast<int>(static_cast<std::int64_t>(innerWidth) * value / max);
}

bool needsTextRim(Color fill) {
  return greyLevel(fill) < kDarkFill;
}

}  // namespace tarnwick::form
