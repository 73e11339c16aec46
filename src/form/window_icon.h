// The window's icon as a drawing every window can make: a chip on a green
// board with an arrow pointing into it, laid out on a grid of 24 x 24 pixels,
// the icon's own size, at 24 bits per pixel.
//
// iconPixels() is the icon itself, pixel by pixel, the 24-pixel picture every
// window shows. A toolkit that paints larger copies (menus, the Windows icon
// file's other sizes) paints the shapes of iconShapes() scaled, the arrow's
// head smoothed.
#pragma once

#include <vector>

#include "form/colors.h"

namespace tarnwick::form {

inline constexpr int kIconSize = 24;

struct IconPoint {
  int x, y;
};

// A filled rectangle (three corners and the fourth implied) or triangle, on
// the 24-unit grid, painted in the order given over kIconBackground.
struct IconShape {
  enum class Kind { Rectangle, Triangle } kind;
  IconPoint a, b, c;  // a rectangle: a is its top-left corner, b its size
  Color color;
};

inline constexpr Color kIconBackground = 0x3A6B1E;  // a board's green

const std::vector<IconShape>& iconShapes();

// kIconSize rows of kIconSize pixels, top row first. A pixel belongs to a
// shape when its centre lies inside it or on its edge.
std::vector<Color> iconPixels();

}  // namespace tarnwick::form
