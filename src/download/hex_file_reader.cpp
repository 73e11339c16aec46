#include "download/hex_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

}  // namespace

std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines,
                                         std::int16_t& lineIndex) {
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
