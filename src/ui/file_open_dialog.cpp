#include "ui/file_open_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

namespace tarnwick::ui {
namespace {

// The patterns of one filter entry: "HEX files (*.hex)" gives "*.hex". An
// entry without patterns shows every file.
QStringList patternsOf(const QString& entry) {
  const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
  const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
  if (open < 0 || close < open) return {};
  return entry.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool isPattern(const QString& typed) {
  return typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'));
}

QString withHomeFolder(QString typed) {
  if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/"))) {
    typed.replace(0, 1, QDir::homePath());
  }
  return typed;
}

QLabel* labelFor(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

FileOpenDialog::FileOpenDialog(QWidget* parent, const QString& filter, const QString& folder)
    : QDialog(parent),
      filters_(filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)),
      model_(new QFileSystemModel(this)),
      lookIn_(new QComboBox),
      up_(new QToolButton),
      list_(new QTreeView),
      name_(new QLineEdit),
      types_(new QComboBox),
      open_(new QPushButton(QStringLiteral("&Open"))),
      cancel_(new QPushButton(QStringLiteral("Cancel"))) {
  setWindowTitle(QStringLiteral("Open"));
  model_->setFilter(QDir::AllDirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot);
  model_->setNameFilterDisables(false);  // files of other types are hidden, not greyed
  buildLayout();
  connectControls();
  types_->addItems(filters_);
  showTypes(0);
  showFolder(folder);
  name_->setFocus();  // where a person starts typing
}

void FileOpenDialog::buildLayout() {
  up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up_->setToolTip(QStringLiteral("Parent folder"));
  up_->setAutoRaise(true);
  lookIn_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  list_->setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSortingEnabled(true);
  list_->sortByColumn(0, Qt::AscendingOrder);  // folders first, then by name
  list_->setColumnWidth(0, 260);

  open_->setDefault(true);
  open_->setEnabled(false);

  auto* lookInRow = new QHBoxLayout;
  lookInRow->addWidget(lookIn_);
  lookInRow->addWidget(up_);
  auto* grid = new QGridLayout(this);
  grid->addWidget(labelFor(QStringLiteral("Look &in:"), lookIn_), 0, 0);
  grid->addLayout(lookInRow, 0, 1, 1, 2);
  grid->addWidget(list_, 1, 0, 1, 3);
  grid->addWidget(labelFor(QStringLiteral("File &name:"), name_), 2, 0);
  grid->addWidget(name_, 2, 1);
  grid->addWidget(open_, 2, 2);
  grid->addWidget(labelFor(QStringLiteral("Files of type:"), types_), 3, 0);
  grid->addWidget(types_, 3, 1);
  grid->addWidget(cancel_, 3, 2);
  grid->setColumnStretch(1, 1);
  resize(620, 380);
}

void FileOpenDialog::connectControls() {
  connect(up_, &QToolButton::clicked, this, [this] {
    QDir folder(folder_);
    if (folder.cdUp()) showFolder(folder.absolutePath());
  });
  connect(lookIn_, &QComboBox::activated, this,
          [this](int index) { showFolder(lookIn_->itemData(index).toString()); });
  connect(types_, &QComboBox::activated, this, &FileOpenDialog::showTypes);
  // Moving through the list (not the list's own changes) names the entry.
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (list_->hasFocus()) pickEntry(index);
          });
  connect(list_, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
    pickEntry(index);
    openTypedName();
  });
  connect(name_, &QLineEdit::textChanged, this,
          [this](const QString& text) { open_->setEnabled(!text.isEmpty()); });
  // Return anywhere but on Cancel presses Open, the default button.
  connect(open_, &QPushButton::clicked, this, &FileOpenDialog::openTypedName);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void FileOpenDialog::showFolder(const QString& path) {
  folder_ = QDir::cleanPath(QDir(path).absolutePath());
  list_->setRootIndex(model_->setRootPath(folder_));
  lookIn_->clear();
  QDir folder(folder_);
  do {
    lookIn_->addItem(QDir::toNativeSeparators(folder.absolutePath()), folder.absolutePath());
  } while (!folder.isRoot() && folder.cdUp());
  up_->setEnabled(lookIn_->count() > 1);
}

void FileOpenDialog::showTypes(int index) {
  model_->setNameFilters(patternsOf(filters_.value(index)));
}

void FileOpenDialog::pickEntry(const QModelIndex& index) {
  if (index.isValid()) name_->setText(model_->fileName(index.siblingAtColumn(0)));
}

void FileOpenDialog::openTypedName() {
  const QString typed = withHomeFolder(name_->text());
  if (typed.isEmpty()) return;
  if (isPattern(typed)) {  // "*" shows every file, as in other file dialogs
    model_->setNameFilters(typed.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    return;
  }
  const QFileInfo entry(QDir(folder_).absoluteFilePath(typed));
  if (entry.isDir()) {
    showFolder(entry.absoluteFilePath());
    name_->clear();
  } else if (!entry.exists()) {
    sayNotFound(entry.absoluteFilePath());
  } else {
    chosen_ = QDir::cleanPath(entry.absoluteFilePath());
    accept();
  }
}

void FileOpenDialog::sayNotFound(const QString& path) {
  QMessageBox box(QMessageBox::Warning, windowTitle(),
                  QDir::toNativeSeparators(QDir::cleanPath(path)) +
                      QStringLiteral("\nFile not found.\nCheck the file name and try again."),
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);  // a typed name is shown as typed, never as markup
  box.exec();
}

}  // namespace tarnwick::ui
