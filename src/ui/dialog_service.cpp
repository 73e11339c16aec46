#include "ui/dialog_service.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "form/window_texts.h"
#include "ui/file_open_dialog.h"
#include "ui/text_codec.h"

namespace tarnwick::ui {
namespace {

class QtDialogs final : public DialogService {
 public:
  // Not QFileDialog, which saves its state in the user's settings whenever it
  // is destroyed (see file_open_dialog.h). The list starts in the folder the
  // program was started in, then, in this run only, where the last file was
  // chosen.
  QString openFileName(QWidget* parent, const QString& filter) override {
    FileOpenDialog dialog(parent, filter,
                          lastFolder_.isEmpty() ? QDir::currentPath() : lastFolder_);
    if (dialog.exec() != QDialog::Accepted) return QString();
    lastFolder_ = QFileInfo(dialog.chosenFile()).absolutePath();
    return dialog.chosenFile();
  }

  void message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
               const QString& title) override {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    // A port name or a file's error text is shown as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }

 private:
  QString lastFolder_;
};

// Qt lists an entry's patterns in parentheses after its description.
QString filterEntry(const form::FileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : form::patternList(filter.patterns)) {
    patterns << fromLatin1(pattern);
  }
  const QString description = fromLatin1(filter.description);
  const QString suffix = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  if (description.endsWith(suffix)) return description;
  return description + QLatin1Char(' ') + suffix;
}

}  // namespace

std::unique_ptr<DialogService> makeQtDialogs() {
  return std::make_unique<QtDialogs>();
}

QString qtFileFilter(std::string_view filter) {
  QStringList entries;
  for (const form::FileFilter& entry : form::parseFileFilter(filter)) {
    entries << filterEntry(entry);
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace tarnwick::ui
