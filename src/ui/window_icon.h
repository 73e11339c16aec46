// The window's icon, drawn here rather than shipped as a file: a chip on a
// green board with an arrow pointing into it, 24 x 24 pixels, 24-bit colour.
// The package's menu icons are the same drawing at larger sizes, rendered
// while building (packaging/render_icons.cpp).
#pragma once

#include <QIcon>
#include <QImage>

namespace tarnwick::ui {

inline constexpr int kIconSize = 24;

QIcon makeWindowIcon();

// The picture at `size` x `size` pixels; at kIconSize, the window's own icon.
QImage drawWindowIcon(int size);

}  // namespace tarnwick::ui
