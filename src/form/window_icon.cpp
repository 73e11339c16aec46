#include "form/window_icon.h"

namespace tarnwick::form {
namespace {

using Kind = IconShape::Kind;

constexpr Color kPinGrey = 0xD0D0D0;
constexpr Color kChipBlack = 0x202020;
constexpr Color kArrowYellow = 0x20D0FF;

std::vector<IconShape> drawShapes() {
  std::vector<IconShape> shapes;
  for (int at = 8; at <= 15; at += 3) {
    shapes.push_back({Kind::Rectangle, {at, 3}, {1, 3}, {}, kPinGrey});   // top
    shapes.push_back({Kind::Rectangle, {at, 18}, {1, 3}, {}, kPinGrey});  // bottom
    shapes.push_back({Kind::Rectangle, {3, at}, {3, 1}, {}, kPinGrey});   // left
    shapes.push_back({Kind::Rectangle, {18, at}, {3, 1}, {}, kPinGrey});  // right
  }
  shapes.push_back({Kind::Rectangle, {6, 6}, {12, 12}, {}, kChipBlack});
  shapes.push_back({Kind::Rectangle, {11, 7}, {2, 5}, {}, kArrowYellow});  // the arrow's shaft
  shapes.push_back({Kind::Triangle, {8, 12}, {16, 12}, {12, 16}, kArrowYellow});
  return shapes;
}

// Which side of the edge from a to b the point p lies on (0: on it).
long long side(IconPoint a, IconPoint b, long long px, long long py, long long scale) {
  return (b.x - a.x) * scale * (py - a.y * scale) - (b.y - a.y) * scale * (px - a.x * scale);
}

// A pixel centre that lies exactly on an edge counts only on a right-hand
// edge (nudged left, the centre is inside): the left edge's pixels stay out,
// as Qt's painter leaves them.
bool triangleCovers(const IconShape& shape, int x, int y) {
  // Coordinates in 1/2048 of a unit: the nudge of one such step changes no
  // sign but the zero of a centre on an edge.
  constexpr long long kScale = 2048;
  const long long px = (2LL * x + 1) * kScale / 2 - 1;
  const long long py = (2LL * y + 1) * kScale / 2;
  const long long s1 = side(shape.a, shape.b, px, py, kScale);
  const long long s2 = side(shape.b, shape.c, px, py, kScale);
  const long long s3 = side(shape.c, shape.a, px, py, kScale);
  return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

bool covers(const IconShape& shape, int x, int y) {
  if (shape.kind == Kind::Triangle) return triangleCovers(shape, x, y);
  return x >= shape.a.x && x < shape.a.x + shape.b.x && y >= shape.a.y && y < shape.a.y + shape.b.y;
}

}  // namespace

const std::vector<IconShape>& iconShapes() {
  static const std::vector<IconShape> shapes = drawShapes();
  return shapes;
}

std::vector<Color> iconPixels() {
  std::vector<Color> pixels(kIconSize * kIconSize, kIconBackground);
  for (const IconShape& shape : iconShapes()) {
    for (int y = 0; y < kIconSize; ++y) {
      for (int x = 0; x < kIconSize; ++x) {
        if (covers(shape, x, y)) pixels[static_cast<std::size_t>(y * kIconSize + x)] = shape.color;
      }
    }
  }
  return pixels;
}

}  // namespace tarnwick::form
