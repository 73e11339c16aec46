// A small helper that the Windows tests run under the same Wine prefix as the
// window: it finds a top-level window by its exact title and
//   close TITLE   posts WM_CLOSE to it (as a click on the frame's close box;
//                 Wine without a window manager has no such box, and an X
//                 WM_DELETE_WINDOW is sometimes lost)
//   wait TITLE    waits up to 30 s for it to go away
// Exit 0 on success, 1 when no such window (or it stayed), 2 on bad usage.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::wstring wide(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), size);
  result.resize(result.size() - 1);
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  const std::wstring title = wide(argv[2]);
  if (std::strcmp(argv[1], "close") == 0) {
    HWND window = FindWindowW(nullptr, title.c_str());
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "wait") == 0) {
    for (int i = 0; i < 300; ++i) {
      if (!FindWindowW(nullptr, title.c_str())) return 0;
      Sleep(100);
    }
    return 1;
  }
  return 2;
}
