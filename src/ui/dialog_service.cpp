#include "ui/dialog_service.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "ui/file_open_dialog.h"

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

QString filterEntry(const QString& description, const QString& patterns) {
  QString qtPatterns = patterns;
  qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  const QString suffix = QLatin1Char('(') + qtPatterns + QLatin1Char(')');
  if (description.endsWith(suffix)) return description;
  return description + QLatin1Char(' ') + suffix;
}

}  // namespace

std::unique_ptr<DialogService> makeQtDialogs() {
  return std::make_unique<QtDialogs>();
}

QString qtFileFilter(std::string_view filter) {
  const QStringList parts =
      QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    entries << filterEntry(parts[i].trimmed(), parts[i + 1].trimmed());
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace tarnwick::ui
