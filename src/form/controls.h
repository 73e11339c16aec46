// The controls of frmSerial as designed, in one table: kind, container,
// caption, place and size in twips, enabled state, tag, tab index, stacking
// and colours; and the rules that turn the table into a window at any
// resolution.
//
// Names: control arrays lose their parentheses, so txt(0) is "txt_0", txt(2)
// "txt_2", Label1(0) "Label1_0", Label1(2) "Label1_2"; the window itself is
// "frmSerial".
//
// Traps:
//   - A control inside a frame is placed relative to the frame's OUTER
//     top-left corner, not to the frame's inner area (clientRect() adds it).
//   - Text8 belongs to the window but lies over Frame3; it must be drawn above
//     it (zOrder), whatever order a toolkit stacks new children in.
//   - Frame1 with its controls and Command5 lie entirely below the designed
//     client area: they show only once a person makes the window taller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form/colors.h"

namespace tarnwick::form {

enum class ControlKind { Frame, Label, TextBox, Button, Indicator, ProgressBar };

struct TwipsRect {
  int left, top, width, height;
};

struct PixelRect {
  int x, y, width, height;
};

struct ControlDesign {
  const char* name;
  ControlKind kind;
  const char* container;  // "" for the window itself
  const char* caption;    // caption or start text; '&' marks the access key
  TwipsRect rect;         // in the container
  bool enabled;           // at start
  const char* tag;        // "" for none
  int tabIndex;           // -1 for none
  int zOrder;             // among the controls of one container, higher lies above
  Color captionColor;     // kToolkitColor: the toolkit's own
  Color color;            // the indicator's FillColor or the bar's BarColor at start
};

inline constexpr char kWindowName[] = "frmSerial";
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDesignDpi = 96;  // 15 twips to the pixel
inline constexpr int kClientWidthTwips = 5205;
inline constexpr int kClientHeightTwips = 1815;

// Every control, containers before the controls they hold.
const std::vector<ControlDesign>& controls();
// Null when no control has that name.
const ControlDesign* findControl(std::string_view name);

// The control's rectangle in the window's client area.
TwipsRect clientRect(const ControlDesign& control);
// Twips at `dpi` dots per inch, each edge on the nearest pixel, so that
// neighbours that touch in twips touch in pixels too.
constexpr int toPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : -((-scaled + half) / kTwipsPerInch));
}
PixelRect toPixels(const TwipsRect& rect, int dpi);

// The client area a person can grow the window to: room for every control,
// down to the bottom of Command5.
int fullClientHeightTwips();
bool liesBelowClientArea(const ControlDesign& control);

bool isTagged(const ControlDesign& control);
// Text boxes and buttons; frames, labels, the indicator and the bar hold a
// place in the tab order without taking the focus.
bool takesFocus(ControlKind kind);
// The controls with a tab index, in its order.
std::vector<const ControlDesign*> tabOrder();
// Where the focus starts: the first enabled control in tab order that takes it.
const ControlDesign& firstFocus();

// The letter after a single '&' ('S' for "&Send Text"), or 0 when none;
// "&&" is a shown '&'.
char accessKey(std::string_view caption);
// The caption as shown: "&Send Text" gives "Send Text", "&&" gives "&".
std::string shownCaption(std::string_view caption);

}  // namespace tarnwick::form
