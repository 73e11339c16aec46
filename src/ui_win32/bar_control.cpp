#include "ui_win32/bar_control.h"

#include "form/progress_bar.h"

namespace tarnwick::ui_win32 {
namespace {

constexpr wchar_t kBarClass[] = L"TarnwickBar";
void drawText(HDC dc, const BarState& state, RECT area, COLORREF color) {
  SetTextColor(dc, color);
  DrawTextW(dc, state.text.c_str(), static_cast<int>(state.text.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void paintBar(HWND bar, HDC dc, const RECT& outer) {
  const BarState& state = *barState(bar);
  FillRect(dc, &outer, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &outer, GetSysColorBrush(COLOR_BTNSHADOW));

  RECT inner = outer;
  InflateRect(&inner, -form::kBarBorder, -form::kBarBorder);
  RECT fill = inner;
  fill.right = inner.left + form::filledWidth(inner.right - inner.left, state.value, state.max);
  const COLORREF fillColor = static_cast<COLORREF>(state.barColor);
  HBRUSH brush = CreateSolidBrush(fillColor);
  FillRect(dc, &fill, brush);
  DeleteObject(brush);

  SetBkMode(dc, TRANSPARENT);
  if (state.font) SelectObject(dc, state.font);
  if (form::needsTextRim(state.barColor) && fill.right > fill.left) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, fill.left, fill.top, fill.right, fill.bottom);
    for (const POINT offset : {POINT{-1, 0}, POINT{1, 0}, POINT{0, -1}, POINT{0, 1}}) {
      RECT moved = inner;
      OffsetRect(&moved, offset.x, offset.y);
      drawText(dc, state, moved, form::kBarRimColor);
    }
    RestoreDC(dc, saved);
  }
  drawText(dc, state, inner, form::kBarTextColor);
}

// Painted into a bitmap first, so the bar does not flicker at every line.
void paint(HWND bar) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(bar, &ps);
  RECT area;
  GetClientRect(bar, &area);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, area.right, area.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  paintBar(bar, memory, area);
  BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(bar, &ps);
}

LRESULT CALLBACK barProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(bar, 0, reinterpret_cast<LONG_PTR>(new BarState));
      break;
    case WM_NCDESTROY:
      delete reinterpret_cast<BarState*>(GetWindowLongPtrW(bar, 0));
      SetWindowLongPtrW(bar, 0, 0);
      break;
    case WM_SETFONT:
      barState(bar)->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(bar, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(barState(bar)->font);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(bar);
      return 0;
  }
  return DefWindowProcW(bar, message, wParam, lParam);
}

}  // namespace

const wchar_t* registerBarClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = barProc;
  windowClass.cbWndExtra = sizeof(BarState*);
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = kBarClass;
  RegisterClassExW(&windowClass);
  return kBarClass;
}

BarState* barState(HWND bar) {
  wchar_t className[32] = L"";
  if (!bar || !GetClassNameW(bar, className, 32) || lstrcmpW(className, kBarClass) != 0) {
    return nullptr;
  }
  return reinterpret_cast<BarState*>(GetWindowLongPtrW(bar, 0));
}

}  // namespace tarnwick::ui_win32
