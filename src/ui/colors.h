// The window's colours (form/colors.h, 0x00BBGGRR) as Qt's QColor, whose
// order is the reverse.
#pragma once

#include <QColor>

#include "form/colors.h"

namespace tarnwick::ui {

inline QColor fromBgr(form::Color bgr) {
  return QColor(form::red(bgr), form::green(bgr), form::blue(bgr));
}

}  // namespace tarnwick::ui
