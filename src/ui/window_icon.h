// The window's icon, the drawing of form/window_icon.h: at its own 24 pixels
// exactly the pixels every window shows; the package's menu icons are the
// same drawing at larger sizes, rendered while building
// (packaging/render_icons.cpp).
#pragma once

#include <QIcon>
#include <QImage>

#include "form/window_icon.h"

namespace tarnwick::ui {

using form::kIconSize;

QIcon makeWindowIcon();

// The picture at `size` x `size` pixels; at kIconSize, the window's own icon.
QImage drawWindowIcon(int size);

}  // namespace tarnwick::ui
