// The indicator Pic: a rectangle filled with its FillColor and outlined in
// black, as the Qt window draws it. The handlers read the colour back, so the
// control keeps exactly the number it was given.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tarnwick::ui_win32 {

// Registers the window class once; the control's class name.
const wchar_t* registerFillShapeClass(HINSTANCE instance);

std::uint32_t fillColor(HWND shape);  // 0x00BBGGRR, which is a COLORREF
// Repaints nothing: the window invalidates the shape when it shows its
// changes (see FormWindow::showSoon).
void setFillColor(HWND shape, std::uint32_t color);

}  // namespace tarnwick::ui_win32
