// Not built: the sample the include check must reject where no window may be
// included, one header per rule; the last ones are allowed.
// clang-format off
#include <QString>
#include <QtWidgets/QWidget>
#include "Windows.h"
#  include <commctrl.h>
#include <X11/Xlib.h>
#include "ui/frm_serial.h"
#include "ui_win32/main_window.h"
#include <unistd.h>
// #include <windows.h>  (a comment is not an include)
#include <string>
#include "download/form_controls.h"
#include "form/controls.h"
