#include "ui_win32/form_window.h"

#include <cstddef>
#include <utility>

#include "form/events.h"
#include "form/stacking.h"
#include "form/window_texts.h"

#include "ui_win32/bar_control.h"
#include "ui_win32/dpi.h"
#include "ui_win32/fill_shape.h"
#include "ui_win32/frame_box.h"
#include "ui_win32/system_dialogs.h"
#include "ui_win32/wide_text.h"

namespace tarnwick::ui_win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
// Control ids start above IDOK and IDCANCEL, which IsDialogMessage sends for
// Return and Escape: neither presses a button here.
constexpr int kFirstControlId = 100;
constexpr int kIconResource = 1;
// The timer of the repaints of changed controls, apart from the form's three.
constexpr UINT_PTR kShowTimer = 100;
constexpr UINT kShowEveryMs = 100;

using form::ControlKind;

UINT_PTR timerId(download::FormTimer timer) {
  return static_cast<UINT_PTR>(timer) + 1;
}

std::wstring windowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A status text shown as it stands: '&' would otherwise underline the next letter.
std::wstring withoutAccessKeys(std::wstring text) {
  for (std::size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 2)) {
    text.insert(at, 1, L'&');
  }
  return text;
}

HICON loadIcon(HINSTANCE instance, int metricX, int metricY) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                       GetSystemMetrics(metricX), GetSystemMetrics(metricY),
                                       LR_DEFAULTCOLOR | LR_SHARED));
}

void registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = loadIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = loadIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass controlClass(ControlKind kind, HINSTANCE instance) {
  switch (kind) {
    case ControlKind::Frame:
      // Clipped by its siblings: the frame never paints over what it holds.
      return {registerFrameClass(instance), WS_CLIPSIBLINGS, 0};
    case ControlKind::Label:
      return {L"STATIC", SS_LEFT, 0};
    case ControlKind::TextBox:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::Indicator:
      return {registerFillShapeClass(instance), 0, 0};
    case ControlKind::ProgressBar:
      return {registerBarClass(instance), 0, 0};
  }
  return {L"STATIC", 0, 0};
}

// Moves each control ahead of every overlapping one it lies above. The table's
// stacking is a total order, so this settles.
void stackOverlaps(std::vector<const form::ControlDesign*>& order) {
  for (bool moved = true; moved;) {
    moved = false;
    for (std::size_t upper = 1; upper < order.size() && !moved; ++upper) {
      for (std::size_t lower = 0; lower < upper && !moved; ++lower) {
        if (form::overlap(form::clientRect(*order[upper]), form::clientRect(*order[lower])) &&
            form::liesAbove(*order[upper], *order[lower])) {
          const form::ControlDesign* design = order[upper];
          order.erase(order.begin() + static_cast<std::ptrdiff_t>(upper));
          order.insert(order.begin() + static_cast<std::ptrdiff_t>(lower), design);
          moved = true;
        }
      }
    }
  }
}

// Windows stacks children in the order of creation, the first on top, and
// tabs through them in that order too. So creation follows the tab order,
// then the controls without a tab index, then the frames; only where two
// controls overlap does the one the table stacks higher move ahead of the other.
std::vector<const form::ControlDesign*> creationOrder() {
  std::vector<const form::ControlDesign*> order;
  for (const form::ControlDesign* design : form::tabOrder()) {
    if (design->kind != ControlKind::Frame) order.push_back(design);
  }
  for (const form::ControlDesign& design : form::controls()) {
    if (design.tabIndex < 0) order.push_back(&design);
  }
  for (const form::ControlDesign& design : form::controls()) {
    if (design.kind == ControlKind::Frame) order.push_back(&design);
  }
  stackOverlaps(order);
  return order;
}

int controlId(const form::ControlDesign* design) {
  return kFirstControlId + static_cast<int>(design - form::controls().data());
}

}  // namespace

FormWindow::FormWindow(HINSTANCE instance, std::unique_ptr<serial::SerialPlatform> platform)
    : instance_(instance),
      platform_(std::move(platform)),
      port_(*platform_,
            [this](const std::string& message) {
              showMessageBox(window_, wideFromLatin1(message), BoxIcon::None,
                             wideFromLatin1(form::messageBoxTitle("")));
            }),
      control_(*this, port_) {
  registerWindowClass(instance_, windowProc);
  CreateWindowExW(0, kWindowClass, wideFromLatin1(form::windowTitle()).c_str(), kWindowStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance_, this);
  const int dpi = windowDpi(window_);
  createControls();
  placeControls(dpi);
  sizeWindow(dpi);
}

FormWindow::~FormWindow() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

void FormWindow::show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  focus_ = control(form::firstFocus().name);
  SetFocus(focus_);
}

bool FormWindow::handleDialogKey(MSG& message) {
  return window_ && IsDialogMessageW(window_, &message);
}

HWND FormWindow::control(std::string_view name) const {
  for (const Control& each : controls_) {
    if (name == each.design->name) return each.handle;
  }
  return nullptr;
}

const FormWindow::Control* FormWindow::controlById(int id) const {
  for (const Control& each : controls_) {
    if (controlId(each.design) == id) return &each;
  }
  return nullptr;
}

void FormWindow::createControls() {
  for (const form::ControlDesign* design : creationOrder()) {
    const ControlClass kind = controlClass(design->kind, instance_);
    // Clipped by the siblings above it, a control never paints over them.
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style | (design->enabled ? 0 : WS_DISABLED);
    const bool showsCaption = design->kind != ControlKind::Indicator;
    HWND handle = CreateWindowExW(
        kind.exStyle, kind.name, showsCaption ? wideFromLatin1(design->caption).c_str() : L"",
        style, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(design))), instance_, nullptr);
    if (design->kind == ControlKind::Indicator) ui_win32::setFillColor(handle, design->color);
    if (BarState* bar = barState(handle)) {
      bar->text = wideFromLatin1(design->caption);
      bar->barColor = design->color;
    }
    if (design->kind == ControlKind::Frame) setFrameCaptionColor(handle, design->captionColor);
    controls_.push_back({design, handle});
  }
}

void FormWindow::placeControls(int dpi) {
  HFONT font = makeDialogFont(dpi);
  for (const Control& each : controls_) {
    const form::PixelRect at = form::toPixels(form::clientRect(*each.design), dpi);
    MoveWindow(each.handle, at.x, at.y, at.width, at.height, TRUE);
    SendMessageW(each.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (font_) DeleteObject(font_);
  font_ = font;
}

void FormWindow::sizeWindow(int dpi) {
  const SIZE outer = outerSize(form::toPixels(form::kClientWidthTwips, dpi),
                               form::toPixels(form::kClientHeightTwips, dpi), kWindowStyle, 0, dpi);
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FormWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->handleMessage(message, wParam, lParam);
}

LRESULT FormWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) clicked(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      ticked(wParam);
      return 0;
    case WM_ACTIVATE:
      // Back in the window, the focus returns to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus && IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ && IsWindowEnabled(focus_)) {
        SetFocus(focus_);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      placeControls(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      closing();
      return 0;
    case WM_DESTROY:
      // A handler that was waiting in a box when the window closed goes on
      // with no controls: every operation on them does nothing from now on.
      window_ = nullptr;
      controls_.clear();
      changed_.clear();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void FormWindow::clicked(int id) {
  const Control* source = controlById(id);
  if (!source) return;
  form::runHandler(control_, source->design->name, form::FormEvent::Click);
}

void FormWindow::ticked(UINT_PTR id) {
  if (id == kShowTimer) {
    showChanges();
    return;
  }
  for (const form::TimerDesign& timer : form::timers()) {
    // A tick queued before its timer was stopped is dropped.
    if (timerId(timer.timer) != id || !timerEnabled_[static_cast<int>(timer.timer)]) continue;
    form::runHandler(control_, timer.name, form::FormEvent::Timer);
  }
}

void FormWindow::closing() {
  form::runHandler(control_, form::kWindowName, form::FormEvent::Unload);
  for (const form::TimerDesign& timer : form::timers()) setTimerEnabled(timer.timer, false);
  DestroyWindow(window_);
}

void FormWindow::showSoon(HWND control) {
  if (!control) return;
  for (HWND waiting : changed_) {
    if (waiting == control) return;
  }
  if (changed_.empty() && window_) SetTimer(window_, kShowTimer, kShowEveryMs, nullptr);
  changed_.push_back(control);
}

void FormWindow::showChanges() {
  KillTimer(window_, kShowTimer);
  for (HWND control : changed_) InvalidateRect(control, nullptr, TRUE);
  changed_.clear();
}

void FormWindow::SwitchTags() {
  for (const Control& each : controls_) {
    if (!form::isTagged(*each.design)) continue;
    EnableWindow(each.handle, !IsWindowEnabled(each.handle));
  }
  // A control that lost its enabled state while it had the focus would keep
  // the keyboard: the focus moves on to the next one that takes it.
  HWND focus = GetFocus();
  if (focus && IsChild(window_, focus) && !IsWindowEnabled(focus)) {
    if (HWND next = GetNextDlgTabItem(window_, focus, FALSE)) SetFocus(next);
  }
}

std::wstring FormWindow::controlText(const char* name) const {
  return windowText(control(name));
}

void FormWindow::setLabel2Caption(const std::string& caption) {
  SetWindowTextW(control("Label2"), withoutAccessKeys(wideFromLatin1(caption)).c_str());
}

std::u32string FormWindow::portNameText() {
  return ucs4FromWide(controlText("txt_0"));
}

std::u32string FormWindow::sendText() {
  return ucs4FromWide(controlText("txt_2"));
}

std::string FormWindow::text8() {
  return answerBoxBytes(controlText("Text8"));
}

void FormWindow::setText8(const std::string& text) {
  HWND box = control("Text8");
  // The box takes its text now (the handlers read it back at once) and shows
  // it with the next repaint of changed controls.
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SetWindowTextW(box, answerBoxText(text).c_str());
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  showSoon(box);
}

void FormWindow::setTimerEnabled(download::FormTimer timer, bool enabled) {
  bool& isEnabled = timerEnabled_[static_cast<int>(timer)];
  // Enabling a running timer leaves its interval running, as in the Qt window.
  if (enabled && !isEnabled && window_) {
    SetTimer(window_, timerId(timer), static_cast<UINT>(form::timerInterval(timer).count()),
             nullptr);
  } else if (!enabled && isEnabled && window_) {
    KillTimer(window_, timerId(timer));
  }
  isEnabled = enabled;
}

void FormWindow::enableCommand5() {
  EnableWindow(control("Command5"), TRUE);
}

std::uint32_t FormWindow::picFillColor() {
  return fillColor(control("Pic"));
}

void FormWindow::setPicFillColor(std::uint32_t color) {
  ui_win32::setFillColor(control("Pic"), color);
  showSoon(control("Pic"));
}

template <class Change>
void FormWindow::changeBar(const Change& change) {
  HWND bar = control("vbalProgressBar1");
  if (BarState* state = barState(bar)) {
    change(*state);
    showSoon(bar);
  }
}

void FormWindow::setBarText(const std::string& text) {
  changeBar([&](BarState& bar) { bar.text = wideFromLatin1(text); });
}

void FormWindow::setBarValue(std::int32_t value) {
  changeBar([&](BarState& bar) { bar.value = value; });
}

void FormWindow::setBarMax(std::int32_t max) {
  changeBar([&](BarState& bar) { bar.max = max; });
}

void FormWindow::setBarColor(std::uint32_t color) {
  changeBar([&](BarState& bar) { bar.barColor = color; });
}

std::string FormWindow::showOpenDialog(const std::string& filter) {
  if (!window_) return {};  // closed: the program is ending
  const std::wstring chosen = chooseFileToOpen(window_, filter, lastFolder_);
  if (chosen.empty()) return {};
  lastFolder_ = folderOf(chosen);
  return fileSystemPath(chosen);
}

void FormWindow::showMessage(const std::u32string& text, download::MessageStyle style,
                             const std::string& title) {
  if (!window_) return;  // closed: the program is ending
  const BoxIcon icon = style == download::MessageStyle::Error ? BoxIcon::Error : BoxIcon::None;
  showMessageBox(window_, wideFromUcs4(text), icon, wideFromLatin1(form::messageBoxTitle(title)));
}

void FormWindow::sleepMs(int milliseconds) {
  Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace tarnwick::ui_win32
