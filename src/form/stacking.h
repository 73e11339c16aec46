// Which of two controls lies above the other, as the table stacks them:
// siblings by zOrder, the later in the table above among equals; every
// control above its own container, and with it above whatever its container
// lies above. For toolkits that keep all controls in one stack (Win32).
#pragma once

#include "form/controls.h"

namespace tarnwick::form {

bool liesAbove(const ControlDesign& upper, const ControlDesign& lower);

// Whether the two rectangles share any area (touching edges do not).
bool overlap(const TwipsRect& a, const TwipsRect& b);

}  // namespace tarnwick::form
