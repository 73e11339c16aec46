// The window's modal dialogs: the open-file dialog and the message box.
//
// The window reaches them only through this interface, so that tests can
// answer them at once instead of waiting for a person; the program uses the
// dialogs of makeQtDialogs(): a file dialog of its own (file_open_dialog.h,
// as Qt's saves settings) and Qt's message box. While either is open, Qt keeps
// delivering timer ticks and clicks to the window (a nested event loop).
#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>
#include <string_view>

namespace tarnwick::ui {

class DialogService {
 public:
  virtual ~DialogService() = default;

  // Shows the open-file dialog with a filter in Qt's form ("Text (*.txt);;...").
  // Returns the chosen file's full path, or an empty text when cancelled.
  virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
  // A modal box with an OK button only; returns once it is closed.
  virtual void message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                       const QString& title) = 0;
};

std::unique_ptr<DialogService> makeQtDialogs();

// "Description|pattern|Description|pattern" (patterns joined by ';') in Qt's
// filter form. A description that already ends in its patterns in
// parentheses is kept as it is, so that they do not show twice.
QString qtFileFilter(std::string_view filter);

}  // namespace tarnwick::ui
