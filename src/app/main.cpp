// Start-up: create the window, show it, handle events until it is closed.
#include <QApplication>

#include "serial/serial_platform.h"
#include "ui/dialog_service.h"
#include "ui/frm_serial.h"

int main(int argc, char* argv[]) {
  // The program reads no command-line option, so Qt is handed the program's
  // name alone; QApplication keeps a reference to the count.
  static int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  QApplication::setApplicationName(QString::fromLatin1(tarnwick::ui::kApplicationTitle));

  tarnwick::ui::frmSerial window(tarnwick::serial::makeSystemSerialPlatform(),
                                 tarnwick::ui::makeQtDialogs());
  QApplication::setWindowIcon(window.windowIcon());  // message boxes show it too
  window.show();
  return app.exec();
}
