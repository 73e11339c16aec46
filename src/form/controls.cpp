#include "form/controls.h"

#include <algorithm>

namespace tarnwick::form {
namespace {

using K = ControlKind;
constexpr Color kDefault = kToolkitColor;

// clang-format off
const std::vector<ControlDesign> kControls = {
  // name              kind            container caption                    left  top   width height  enabled tag  tab z  caption colour colour
  {"Frame2",           K::Frame,       "",       "Comm's",                  {0,    0,    5175, 855}, true,  "",   0,  0, kCaptionBlue, kDefault},
  {"Label1_0",         K::Label,       "Frame2", "Port: (1-9)",             {120,  240,  795,  255}, true,  "",   4,  0, kDefault,     kDefault},
  {"txt_0",            K::TextBox,     "Frame2", "COM5:",                   {60,   480,  855,  315}, true,  "NO", 1,  0, kDefault,     kDefault},
  {"Pic",              K::Indicator,   "Frame2", "",                        {720,  0,    195,  255}, true,  "",   -1, 0, kDefault,     kYellow},
  {"BTNOpenCom",       K::Button,      "Frame2", "Open Port",               {960,  120,  1035, 255}, true,  "NO", 2,  0, kDefault,     kDefault},
  {"BTNCloseCom",      K::Button,      "Frame2", "Close Port",              {960,  480,  1035, 255}, false, "NC", 3,  0, kDefault,     kDefault},
  {"Label2",           K::Label,       "Frame2", "No info",                 {2100, 120,  2295, 255}, true,  "",   13, 0, kDefault,     kDefault},
  {"Command3",         K::Button,      "Frame2", "Open File and  Download", {2100, 480,  2235, 255}, true,  "",   9,  0, kDefault,     kDefault},
  {"Command6",         K::Button,      "Frame2", "Install",                 {4440, 120,  615,  255}, true,  "",   15, 0, kDefault,     kDefault},
  {"Command4",         K::Button,      "Frame2", "Info",                    {4440, 480,  615,  255}, true,  "",   12, 0, kDefault,     kDefault},
  {"Frame3",           K::Frame,       "",       "Status",                  {0,    840,  5175, 975}, true,  "",   10, 0, kDefault,     kDefault},
  {"vbalProgressBar1", K::ProgressBar, "Frame3", "NO FILE",                 {120,  240,  4935, 255}, true,  "",   11, 0, kDefault,     kBlue},
  {"Label3",           K::Label,       "Frame3", "Answer:",                 {120,  600,  735,  255}, true,  "",   17, 0, kDefault,     kDefault},
  {"Text8",            K::TextBox,     "",       "",                        {780,  1410, 4275, 285}, true,  "",   16, 1, kDefault,     kDefault},
  {"Frame1",           K::Frame,       "",       "Commands and Results",    {60,   2280, 4695, 975}, true,  "",   5,  0, kCaptionBlue, kDefault},
  {"Label1_2",         K::Label,       "Frame1", "String ",                 {120,  240,  675,  255}, true,  "",   8,  0, kDefault,     kDefault},
  {"txt_2",            K::TextBox,     "Frame1", "",                        {60,   480,  4515, 315}, false, "NC", 6,  0, kDefault,     kDefault},
  {"BTNSend",          K::Button,      "Frame1", "&Send Text",              {2700, 120,  975,  255}, false, "NC", 7,  0, kDefault,     kDefault},
  {"Command5",         K::Button,      "",       "Send",                    {1980, 3360, 855,  255}, true,  "",   14, 0, kDefault,     kDefault},
};
// clang-format on

}  // namespace

const std::vector<ControlDesign>& controls() {
  return kControls;
}

const ControlDesign* findControl(std::string_view name) {
  for (const ControlDesign& control : kControls) {
    if (name == control.name) return &control;
  }
  return nullptr;
}

TwipsRect clientRect(const ControlDesign& control) {
  TwipsRect rect = control.rect;
  if (const ControlDesign* container = findControl(control.container)) {
    const TwipsRect outer = clientRect(*container);
    rect.left += outer.left;
    rect.top += outer.top;
  }
  return rect;
}

PixelRect toPixels(const TwipsRect& rect, int dpi) {
  const int x = toPixels(rect.left, dpi);
  const int y = toPixels(rect.top, dpi);
  return {x, y, toPixels(rect.left + rect.width, dpi) - x,
          toPixels(rect.top + rect.height, dpi) - y};
}

int fullClientHeightTwips() {
  int bottom = kClientHeightTwips;
  for (const ControlDesign& control : kControls) {
    const TwipsRect rect = clientRect(control);
    bottom = std::max(bottom, rect.top + rect.height);
  }
  return bottom;
}

bool liesBelowClientArea(const ControlDesign& control) {
  return clientRect(control).top >= kClientHeightTwips;
}

bool isTagged(const ControlDesign& control) {
  return control.tag[0] != '\0';
}

bool takesFocus(ControlKind kind) {
  return kind == ControlKind::TextBox || kind == ControlKind::Button;
}

std::vector<const ControlDesign*> tabOrder() {
  std::vector<const ControlDesign*> ordered;
  for (const ControlDesign& control : kControls) {
    if (control.tabIndex >= 0) ordered.push_back(&control);
  }
  std::sort(ordered.begin(), ordered.end(), [](const ControlDesign* a, const ControlDesign* b) {
    return a->tabIndex < b->tabIndex;
  });
  return ordered;
}

const ControlDesign& firstFocus() {
  for (const ControlDesign* control : tabOrder()) {
    if (control->enabled && takesFocus(control->kind)) return *control;
  }
  return kControls.front();  // not reached: the table has enabled text boxes
}

char accessKey(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1];
    ++i;  // "&&": a shown '&'
  }
  return 0;
}

std::string shownCaption(std::string_view caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

}  // namespace tarnwick::form
