// Dialogs that answer at once: the file dialog returns the next queued name
// (empty when none is queued, as a cancel), message boxes are recorded.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

#include "ui/dialog_service.h"

namespace tarnwick::testing {

struct ShownMessage {
  QString text;
  QMessageBox::Icon icon;
  QString title;
};

// What the window asked of its dialogs; outlives the window that owns the service.
struct DialogLog {
  std::deque<QString> fileNames;
  QStringList filters;
  std::vector<ShownMessage> messages;
};

class RecordingDialogs final : public ui::DialogService {
 public:
  explicit RecordingDialogs(std::shared_ptr<DialogLog> log) : log_(std::move(log)) {}

  QString openFileName(QWidget*, const QString& filter) override {
    log_->filters << filter;
    if (log_->fileNames.empty()) return QString();
    const QString name = log_->fileNames.front();
    log_->fileNames.pop_front();
    return name;
  }

  void message(QWidget*, const QString& text, QMessageBox::Icon icon,
               const QString& title) override {
    log_->messages.push_back({text, icon, title});
  }

 private:
  std::shared_ptr<DialogLog> log_;
};

}  // namespace tarnwick::testing
