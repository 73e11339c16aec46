#include "download/hex_file_reader.h"

#include <algorithm>
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

// "CR LF" and the longest record: 255 data bytes.
constexpr std::uint64_t kLongestLineBytes = 521 + 2;

// A file over the limit, whether its size says so or the reading finds it.
// Where the line limit is small enough (the window's), the limit cannot be
// what refuses a true HEX file, and the message says so.
RuntimeError tooLarge(LineNumber maxLines) {
  std::string text = "The file is larger than 64 MiB, the most that is loaded";
  if (static_cast<std::uint64_t>(maxLines) * kLongestLineBytes <= kMaxHexFileBytes) {
    text += ": it is not a HEX file of at most " + std::to_string(maxLines) + " lines";
  }
  return RuntimeError{EFBIG, text + "."};
}

bool largerThanLimit(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size > kMaxHexFileBytes;
}

// How much the next read asks for: never more than one byte past the limit,
// which is how a file that went on growing is told from one that ends there.
std::size_t nextReadSize(std::uint64_t total) {
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(kChunkSize, kMaxHexFileBytes + 1 - total));
}

}  // namespace

std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines, LineNumber& lineIndex,
                                         LineNumber maxLines, const ByteSink& onBytes) {
  if (neverEnds(path)) {
    return RuntimeError{EINVAL, "This is a pipe or a device, not a file: it cannot be loaded."};
  }
  if (largerThanLimit(path)) return tooLarge(maxLines);
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return systemError(errno);

  HexLineSplitter splitter(hexLines, lineIndex, maxLines);
  std::unique_ptr<char[]> chunk(new char[kChunkSize]);
  std::uint64_t total = 0;
  for (;;) {
    const std::size_t wanted = nextReadSize(total);
    errno = 0;
    const std::size_t count = std::fread(chunk.get(), 1, wanted, file.get());
    // A directory opens on Linux and fails here, with EISDIR.
    if (count < wanted && std::ferror(file.get())) return systemError(errno);
    total += count;
    if (total > kMaxHexFileBytes) return tooLarge(maxLines);
    if (auto error = splitter.feed(chunk.get(), count)) return error;
    if (onBytes) onBytes(chunk.get(), count);
    if (count < wanted) break;
  }
  return splitter.finish();
}

}  // namespace tarnwick::download
