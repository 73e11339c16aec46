// The progress bar vbalProgressBar1: a small owner-drawn control that always
// shows its Text, in black, over the part filled in its BarColor, as the Qt
// window's bar does (a thin white rim keeps the text readable on navy).
//
// The handlers only write Text, Value, Max and BarColor; the control keeps
// them, so the conformance test reads them back. Value may lie outside
// 0..Max and Max may be 0 (an empty file): the fill is then empty or full.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tarnwick::ui_win32 {

struct BarState {
  std::wstring text;
  std::int32_t value = 0;
  std::int32_t max = 100;
  std::uint32_t barColor = 0;  // 0x00BBGGRR, which is a COLORREF
  HFONT font = nullptr;        // WM_SETFONT's, not owned
};

// Registers the window class once; the control's class name.
const wchar_t* registerBarClass(HINSTANCE instance);

// The state of a bar made from that class; null for any other window, a
// destroyed one included. Changing it repaints nothing: the window invalidates
// the bar when it shows its changes (see FormWindow::showSoon).
BarState* barState(HWND bar);

}  // namespace tarnwick::ui_win32
