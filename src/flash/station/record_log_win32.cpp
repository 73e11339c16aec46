#include <windows.h>

#include "flash/station/record_log.h"

namespace tarnwick::flash {
namespace {

std::string systemMessage(DWORD code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                              message.back() == '.' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

struct RecordLog::File {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

RecordLog::RecordLog(std::string path, std::unique_ptr<File> file)
    : path_(std::move(path)), file_(std::move(file)) {}

RecordLog::~RecordLog() {
  CloseHandle(file_->handle);
}

std::unique_ptr<RecordLog> RecordLog::open(const std::string& path, std::string& error) {
  auto file = std::make_unique<File>();
  // FILE_APPEND_DATA alone: every write goes to the end of the file as it is then.
  file->handle = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file->handle == INVALID_HANDLE_VALUE) {
    error = systemMessage(GetLastError());
    return nullptr;
  }
  return std::unique_ptr<RecordLog>(new RecordLog(path, std::move(file)));
}

bool RecordLog::appendLocked(const std::string& line, std::string& error) {
  DWORD written = 0;
  if (!WriteFile(file_->handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    error = systemMessage(GetLastError());
    return false;
  }
  if (written != line.size()) {
    error = "only " + std::to_string(written) + " of " + std::to_string(line.size()) +
            " bytes were written (disk full?)";
    return false;
  }
  if (!FlushFileBuffers(file_->handle) && GetFileType(file_->handle) == FILE_TYPE_DISK) {
    error = systemMessage(GetLastError());
    return false;
  }
  return true;
}

}  // namespace tarnwick::flash
