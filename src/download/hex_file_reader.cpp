#include "download/hex_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "download/hex_line_splitter.h"

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

// A pipe or a device never ends (or blocks the window until something writes
// to it): only files, and folders, which fail on their own, are opened.
bool neverEnds(const std::string& path) {
  std::error_code error;
  const auto type = std::filesystem::status(path, error).type();
  using std::filesystem::file_type;
  return !error && (type == file_type::fifo || type == file_type::socket ||
                    type == file_type::character || type == file_type::block);
}

}  // namespace

std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines,
                                         std::int16_t& lineIndex) {
  if (neverEnds(path)) {
    return RuntimeError{EINVAL, "This is a pipe or a device, not a file: it cannot be loaded."};
  }
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return systemError(errno);

  HexLineSplitter splitter(hexLines, lineIndex);
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
