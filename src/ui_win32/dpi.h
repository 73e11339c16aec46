// Dots per inch of a window and what follows from them: the dialog font at
// 8 points and the outer size of a window for a given client area.
//
// The program declares per-monitor DPI awareness in its manifest, so Windows
// scales nothing: at 150 % the window computes its own sizes and stays crisp.
// The per-monitor functions exist from Windows 10 on; they are looked up at
// run time, and older systems get the system-wide DPI.
#pragma once

#include <windows.h>

namespace tarnwick::ui_win32 {

int windowDpi(HWND window);
// The system's dialog font ("MS Shell Dlg 2") at 8 points for `dpi`.
HFONT makeDialogFont(int dpi);
// The window's outer size for a client area of `width` x `height` pixels.
SIZE outerSize(int width, int height, DWORD style, DWORD exStyle, int dpi);

}  // namespace tarnwick::ui_win32
