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

// Whether the file ends in a line end; an unreadable one is taken to.
bool endsInLineEnd(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  LARGE_INTEGER size{};
  char last = '\n';
  DWORD read = 0;
  LARGE_INTEGER at{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    at.QuadPart = size.QuadPart - 1;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, &last, 1, &read, nullptr) || read != 1) {
      last = '\n';
    }
  }
  CloseHandle(file);
  return last == '\n';
}

// Whether the disk holding `path` has room for a few records; a disk that
// does not say is taken to.
bool hasRoom(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  ULARGE_INTEGER free{};
  return !GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr) ||
         free.QuadPart >= RecordLog::kRoom;
}

// Cuts the file back to `length` bytes, through a handle of its own: the
// log's handle may only append.
bool cutBack(const std::string& path, LONGLONG length) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at{};
  at.QuadPart = length;
  const bool cut = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return cut;
}

}  // namespace

struct RecordLog::File {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool disk = false;  // a file on a disk, whose writes can be cut off again
};

RecordLog::RecordLog(std::string path, std::unique_ptr<File> file)
    : path_(std::move(path)), file_(std::move(file)) {}

RecordLog::~RecordLog() {
  CloseHandle(file_->handle);
}

std::unique_ptr<RecordLog> RecordLog::open(const std::string& path, std::string& error) {
  auto file = std::make_unique<File>();
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of
  // the file as it is then (reading its attributes tells its length).
  file->handle = CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file->handle == INVALID_HANDLE_VALUE) {
    error = systemMessage(GetLastError());
    return nullptr;
  }
  const DWORD type = GetFileType(file->handle);
  file->disk = type == FILE_TYPE_DISK;
  DWORD mode = 0;
  // A pipe or a console shows each record to whoever reads it; NUL keeps none.
  if (type == FILE_TYPE_CHAR && !GetConsoleMode(file->handle, &mode)) {
    error = "a device that keeps no records (the log is a file, a pipe or a console)";
    CloseHandle(file->handle);
    return nullptr;
  }
  if (file->disk && !hasRoom(path)) {
    error = systemMessage(ERROR_DISK_FULL) + " (no room on its disk for " +
            std::to_string(kRoom / 1024) + " KiB of records)";
    CloseHandle(file->handle);
    return nullptr;
  }
  const bool cut = file->disk && !endsInLineEnd(path);
  std::unique_ptr<RecordLog> log(new RecordLog(path, std::move(file)));
  log->endedInACutLine_ = cut;
  log->lineEndDue_ = cut;
  return log;
}

bool RecordLog::writeLocked(const std::string& text, std::string& error, bool& undone) {
  LARGE_INTEGER before{};
  const bool sized = file_->disk && GetFileSizeEx(file_->handle, &before);
  DWORD written = 0;
  if (!WriteFile(file_->handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    error = systemMessage(GetLastError());
  } else if (written != text.size()) {
    error = "only " + std::to_string(written) + " of " + std::to_string(text.size()) +
            " bytes were written (disk full?)";
  } else if (!FlushFileBuffers(file_->handle) && file_->disk) {
    error = systemMessage(GetLastError());  // the record may never reach the disk
  } else {
    return true;
  }
  undone = written == 0;
  // Cut back to where it began, unless another station has appended since.
  LARGE_INTEGER after{};
  if (!undone && sized && GetFileSizeEx(file_->handle, &after) &&
      after.QuadPart == before.QuadPart + written) {
    undone = cutBack(path_, before.QuadPart);
  }
  return false;
}

}  // namespace tarnwick::flash
