// Start-up of the Win32 window: create it, show it, handle messages until it
// is closed. The message loop hands keys to IsDialogMessage first, so Tab and
// the access keys move and press as in a dialog.
#include <windows.h>

#include "serial/serial_platform.h"
#include "ui_win32/form_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  tarnwick::ui_win32::FormWindow window(instance, tarnwick::serial::makeSystemSerialPlatform());
  window.show(showCommand);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.handleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
