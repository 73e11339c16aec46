#include "download/hex_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "download/protocol.h"

namespace tarnwick::download {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

RuntimeError systemError(int number) {
  if (number == 0) number = EIO;  // a failure that left no number of its own
  return RuntimeError{number, std::strerror(number)};
}

// Splits the bytes of a file into lines, across chunk boundaries.
class LineSplitter {
 public:
  LineSplitter(std::vector<std::string>& hexLines, std::int16_t& lineIndex)
      : hexLines_(hexLines), lineIndex_(lineIndex) {}

  std::optional<RuntimeError> feed(const char* bytes, std::size_t count) {
    const char* const end = bytes + count;
    if (afterCr_ && bytes < end && *bytes == '\n') ++bytes;  // the LF of a CR LF split by a chunk
    afterCr_ = false;
    while (bytes < end) {
      const auto* cr =
          static_cast<const char*>(std::memchr(bytes, '\r', static_cast<std::size_t>(end - bytes)));
      const char* lineEnd = cr ? cr : end;
      line_.append(bytes, lineEnd);
      lineStarted_ = true;
      if (!cr) break;
      if (auto error = store()) return error;
      bytes = cr + 1;
      if (bytes == end) {
        afterCr_ = true;
      } else if (*bytes == '\n') {
        ++bytes;
      }
    }
    return std::nullopt;
  }

  // A last line without a terminator is a line too.
  std::optional<RuntimeError> finish() { return lineStarted_ ? store() : std::nullopt; }

 private:
  std::optional<RuntimeError> store() {
    ++lineIndex_;
    if (lineIndex_ > kMaxImageLines) {
      return RuntimeError{kSubscriptError, "The file has more than " +
                                               std::to_string(kMaxImageLines) + " lines; at most " +
                                               std::to_string(kMaxImageLines) +
                                               " lines can be loaded."};
    }
    hexLines_[static_cast<std::size_t>(lineIndex_)] = line_;
    line_.clear();
    lineStarted_ = false;
    return std::nullopt;
  }

  std::vector<std::string>& hexLines_;
  std::int16_t& lineIndex_;
  std::string line_;
  bool lineStarted_ = false;  // bytes, or none, since the last terminator
  bool afterCr_ = false;      // the last chunk ended with CR
};

}  // namespace

std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines,
                                         std::int16_t& lineIndex) {
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return systemError(errno);

  LineSplitter splitter(hexLines, lineIndex);
  std::unique_ptr<char[]> chunk(new char[kChunkSize]);
  for (;;) {
    errno = 0;
    const std::size_t count = std::fread(chunk.get(), 1, kChunkSize, file.get());
    // A directory opens on Linux and fails here, with EISDIR.
    if (count < kChunkSize && std::ferror(file.get())) return systemError(errno);
    if (auto error = splitter.feed(chunk.get(), count)) return error;
    if (count < kChunkSize) break;
  }
  return splitter.finish();
}

}  // namespace tarnwick::download
