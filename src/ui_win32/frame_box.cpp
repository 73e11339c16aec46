#include "ui_win32/frame_box.h"

#include <string>

#include "form/colors.h"

namespace tarnwick::ui_win32 {
namespace {

constexpr wchar_t kFrameClass[] = L"TarnwickFrame";
constexpr int kColorSlot = 0;
constexpr int kFontSlot = sizeof(LONG_PTR);

HFONT frameFont(HWND frame) {
  return reinterpret_cast<HFONT>(GetWindowLongPtrW(frame, kFontSlot));
}

std::wstring captionOf(HWND frame) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(frame)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(frame, text.data(), static_cast<int>(text.size()))));
  return text;
}

void paint(HWND frame) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(frame, &ps);
  RECT area;
  GetClientRect(frame, &area);
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (HFONT font = frameFont(frame)) SelectObject(dc, font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);

  // The border runs through the middle of the caption's line.
  RECT border = area;
  border.top += metrics.tmHeight / 2;
  DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);

  const std::wstring caption = captionOf(frame);
  if (caption.empty()) {
    EndPaint(frame, &ps);
    return;
  }
  const int indent = MulDiv(metrics.tmAveCharWidth, 3, 2);
  RECT text{area.left + indent, area.top, area.right - indent, area.top + metrics.tmHeight};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_CALCRECT | DT_HIDEPREFIX);
  text.right += metrics.tmAveCharWidth / 2;  // a gap after the caption, before the line
  text.left -= metrics.tmAveCharWidth / 2;
  FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
  const auto color = static_cast<form::Color>(GetWindowLongPtrW(frame, kColorSlot));
  SetTextColor(dc, color == form::kToolkitColor ? GetSysColor(COLOR_WINDOWTEXT)
                                                : static_cast<COLORREF>(color));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_CENTER | DT_HIDEPREFIX);
  EndPaint(frame, &ps);
}

LRESULT CALLBACK frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(frame, kColorSlot, static_cast<LONG_PTR>(form::kToolkitColor));
      break;
    case WM_SETFONT:
      SetWindowLongPtrW(frame, kFontSlot, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(frame, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(frame, kFontSlot);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(frame, message, wParam, lParam);
      InvalidateRect(frame, nullptr, TRUE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(frame);
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to the window beneath, as on a group box
  }
  return DefWindowProcW(frame, message, wParam, lParam);
}

}  // namespace

const wchar_t* registerFrameClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = frameProc;
  windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = kFrameClass;
  RegisterClassExW(&windowClass);
  return kFrameClass;
}

void setFrameCaptionColor(HWND frame, std::uint32_t color) {
  SetWindowLongPtrW(frame, kColorSlot, static_cast<LONG_PTR>(color));
  InvalidateRect(frame, nullptr, TRUE);
}

}  // namespace tarnwick::ui_win32
