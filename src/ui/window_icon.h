// The window's icon, drawn here rather than shipped as a file: a chip on a
// green board with an arrow pointing into it, 24 x 24 pixels, 24-bit colour.
#pragma once

#include <QIcon>

namespace tarnwick::ui {

inline constexpr int kIconSize = 24;

QIcon makeWindowIcon();

}  // namespace tarnwick::ui
