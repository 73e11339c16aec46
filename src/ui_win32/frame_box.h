// The frames Frame1, Frame2 and Frame3: an etched border with the caption set
// into its top edge, drawn here rather than by the system's group box, whose
// themed form draws every caption in the theme's colour where Frame1 and
// Frame2 carry theirs in blue.
//
// A frame holds nothing: the controls inside it are the window's own children
// and lie above it, so a frame never paints over them.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tarnwick::ui_win32 {

// Registers the window class once; the control's class name.
const wchar_t* registerFrameClass(HINSTANCE instance);

// The caption's colour, 0x00BBGGRR; form::kToolkitColor for the system's.
void setFrameCaptionColor(HWND frame, std::uint32_t color);

}  // namespace tarnwick::ui_win32
