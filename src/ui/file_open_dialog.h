// The open-file dialog: one folder's entries in a list, a name typed or
// picked, the file types that the list shows.
//
// Trap: it is built here from Qt's file-system model rather than taken from
// QFileDialog, because QFileDialog saves its state (last folder, history,
// sidebar, column widths) into the user's settings through QSettings
// ("QtProject": ~/.config/QtProject.conf on Linux, the registry on Windows)
// whenever a dialog object is destroyed, accepted or cancelled, and no option
// of it turns that off; the desktop's own dialogs (GTK, KDE, the portal) keep
// lists of recent files as well. This program writes no file and keeps no
// settings between runs, so its dialog reads folders and writes nothing.
//
// Used as people know the usual one: Return opens the typed name (a file is
// chosen, a folder is entered; relative to the folder shown, "~" being the
// home folder), a double click does the same for an entry, Escape cancels.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QToolButton;
class QTreeView;

namespace tarnwick::ui {

class FileOpenDialog final : public QDialog {
 public:
  // `filter` in Qt's form ("HEX files (*.hex);;All files (*)"); the list
  // starts in `folder`.
  FileOpenDialog(QWidget* parent, const QString& filter, const QString& folder);

  // The chosen file's absolute path; empty unless a file was chosen.
  QString chosenFile() const { return chosen_; }

 private:
  void buildLayout();
  void connectControls();
  void showFolder(const QString& path);
  void showTypes(int index);
  void openTypedName();
  void pickEntry(const QModelIndex& index);
  void sayNotFound(const QString& path);

  QStringList filters_;
  QString folder_;
  QString chosen_;
  QFileSystemModel* model_;
  QComboBox* lookIn_;
  QToolButton* up_;
  QTreeView* list_;
  QLineEdit* name_;
  QComboBox* types_;
  QPushButton* open_;
  QPushButton* cancel_;
};

}  // namespace tarnwick::ui
