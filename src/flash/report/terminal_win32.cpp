#include <windows.h>

#include <io.h>

#include <cstdio>

#include "flash/report/terminal.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING  // older MinGW headers
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace tarnwick::flash {

bool standardErrorIsTerminal() {
  if (_isatty(_fileno(stderr)) == 0) return false;
  // Consoles before Windows 10 ignore the request; the rows then scroll.
  const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode)) {
    SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
  return true;
}

std::size_t standardErrorColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  // The window's width, not the buffer's: the buffer can be wider than what shows.
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace tarnwick::flash
