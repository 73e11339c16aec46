// How the progress bar vbalProgressBar1 draws its Text, Value, Max and
// BarColor, for every toolkit alike.
//
// The bar is a 1-pixel border around an inner area. The fill covers the left
// part of the inner area, Value / Max of its width. The text is drawn last, in
// kBarTextColor, centred both ways in the inner area, over fill and empty part
// alike; over a dark fill (navy) it gets a 1-pixel rim of kBarRimColor where it
// lies on the fill, so that it stays readable.
//
// Trap: the handlers only write the four values and may set Value outside
// 0..Max or leave Max at 0 (an empty file): the bar then shows an empty or a
// full fill and never divides by zero.
#pragma once

#include "form/colors.h"

namespace tarnwick::form {

inline constexpr int kBarBorder = 1;
inline constexpr Color kBarTextColor = kBlack;
inline constexpr Color kBarRimColor = kWhite;

// Pixels of the inner width that the fill covers.
int filledWidth(int innerWidth, int value, int max);

// The fill is dark enough that black text on it needs the rim.
bool needsTextRim(Color fill);

}  // namespace tarnwick::form
