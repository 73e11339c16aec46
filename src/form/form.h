// frmSerial described once, for every toolkit that draws it.
//
// How this module works: the window is data here, and each front end (the Qt
// window in ui/, the Win32 window) draws it from that data and adds only what
// its toolkit needs. Nothing here includes a toolkit or a system's window
// headers (tests/windows checks the includes), so one description serves both.
//
//   controls.h      the control table (kind, container, caption with its
//                   access key, twips rectangle, enabled, tag, tab index,
//                   z-order, colours), twips to pixels at any DPI, the
//                   designed client size and what lies below it, tab order
//   events.h        which click, tick or unload runs which handler of
//                   DownloadControl; the three timers and their intervals
//                   (the flasher runs its timers at the same intervals)
//   window_texts.h  the title from the project's version, the message boxes'
//                   title, the file filter as {description, patterns}
//   window_icon.h   the icon's drawing and its 24 x 24 pixels
//   progress_bar.h  how the bar fills and where its text goes
//   stacking.h      which of two overlapping controls lies above
//   colors.h        colours as 0x00BBGGRR (Win32's COLORREF)
//   text_codec.h    typed text and 8-bit bytes to and from UTF-16
//
// A window drawing from it: creates every control of controls() in table
// order as a child of its container, at toPixels(rect, its DPI), with the
// caption, enabled state, tag and colours given, stacks siblings by zOrder,
// chains the focus in tabOrder() and puts it on firstFocus(); creates the
// timers of timers() stopped; connects each row of events() so that the event
// calls runHandler(); and implements download::FormControls on its controls
// (SwitchTags flips the enabled state of every control for which isTagged()).
#pragma once

#include "form/colors.h"
#include "form/controls.h"
#include "form/events.h"
#include "form/progress_bar.h"
#include "form/stacking.h"
#include "form/text_codec.h"
#include "form/window_icon.h"
#include "form/window_texts.h"
