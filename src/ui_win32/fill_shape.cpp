#include "ui_win32/fill_shape.h"

namespace tarnwick::ui_win32 {
namespace {

constexpr wchar_t kShapeClass[] = L"TarnwickFillShape";

void paint(HWND shape) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(shape, &ps);
  RECT area;
  GetClientRect(shape, &area);
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(fillColor(shape)));
  FillRect(dc, &area, brush);
  DeleteObject(brush);
  FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EndPaint(shape, &ps);
}

LRESULT CALLBACK shapeProc(HWND shape, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(shape);
      return 0;
  }
  return DefWindowProcW(shape, message, wParam, lParam);
}

}  // namespace

const wchar_t* registerFillShapeClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = shapeProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = kShapeClass;
  RegisterClassExW(&windowClass);
  return kShapeClass;
}

std::uint32_t fillColor(HWND shape) {
  return static_cast<std::uint32_t>(GetWindowLongPtrW(shape, 0));
}

void setFillColor(HWND shape, std::uint32_t color) {
  SetWindowLongPtrW(shape, 0, static_cast<LONG_PTR>(color));
}

}  // namespace tarnwick::ui_win32
