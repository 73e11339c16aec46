// The controls of frmSerial as Qt widgets, drawn from the one description in
// form/controls.h.
//
// buildControls() creates them as children of the window, named after their
// controls ("txt_0" for txt(0)). Every control carries the dynamic property
// "Tag" ("" when it has none); frames, labels and the bar also hold their tab
// index ("TabIndex") but never take the focus.
//
// Qt works in pixels at 96 dots per inch and scales them to the screen
// itself, so the twips are turned into pixels at that resolution.
#pragma once

#include <QWidget>

#include "form/controls.h"

namespace tarnwick::ui {

inline constexpr int kClientWidth = form::toPixels(form::kClientWidthTwips, form::kDesignDpi);
inline constexpr int kClientHeight = form::toPixels(form::kClientHeightTwips, form::kDesignDpi);

void buildControls(QWidget& window);

}  // namespace tarnwick::ui
