#include "flash/hex_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "download/hex_file_reader.h"
#include "download/hex_line_splitter.h"
#include "flash/image_check.h"
#include "flash/sha256.h"

namespace tarnwick::flash {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

download::RuntimeError systemError(int number) {
  if (number == 0) number = EIO;  // a failure that left no number of its own
  return download::RuntimeError{number, std::strerror(number)};
}

download::RuntimeError tooLarge() {
  return download::RuntimeError{EFBIG, "The file is larger than 64 MiB, the most that is loaded."};
}

// A pipe or a device never ends: only files, and folders, which fail on their own.
bool neverEnds(const std::string& path) {
  std::error_code error;
  const auto type = std::filesystem::status(path, error).type();
  using std::filesystem::file_type;
  return !error && (type == file_type::fifo || type == file_type::socket ||
                    type == file_type::character || type == file_type::block);
}

bool largerThanLimit(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size > download::kMaxHexFileBytes;
}

std::optional<download::RuntimeError> readLines(HexImage& image, download::LineNumber maxLines) {
  if (neverEnds(image.file)) {
    return download::RuntimeError{EINVAL,
                                  "This is a pipe or a device, not a file: it cannot be loaded."};
  }
  if (largerThanLimit(image.file)) return tooLarge();
  errno = 0;
  File file(std::fopen(image.file.c_str(), "rb"));
  if (!file) return systemError(errno);
  download::HexLineSplitter splitter(image.lines, image.count, maxLines);
  Sha256 hash;
  std::vector<char> chunk(kChunkSize);
  for (;;) {
    // Never more than one byte past the limit: a file that grew is told so.
    const auto wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(kChunkSize, download::kMaxHexFileBytes + 1 - image.bytes));
    errno = 0;
    const std::size_t got = std::fread(chunk.data(), 1, wanted, file.get());
    if (got < wanted && std::ferror(file.get())) return systemError(errno);
    image.bytes += got;
    if (image.bytes > download::kMaxHexFileBytes) return tooLarge();
    if (auto error = splitter.feed(chunk.data(), got)) return error;
    hash.update(chunk.data(), got);
    if (got < wanted) break;
  }
  image.sha256 = hash.hexDigest();
  return splitter.finish();
}

std::string loadFault(const std::string& file, const std::string& why) {
  return "cannot load " + file + ": " + why;
}

}  // namespace

ImageLoad loadHexImage(const std::string& file, bool check, download::LineNumber maxLines) {
  auto image = std::make_shared<HexImage>();
  image->file = file;
  if (auto error = readLines(*image, maxLines)) {
    return {nullptr,
            loadFault(file, "error " + std::to_string(error->number) + ": " + error->description)};
  }
  image->sendLines = imageLines(image->lines, image->count);
  // The window would wait for ever: an empty image has no last line to verify.
  if (image->sendLines == 0) return {nullptr, loadFault(file, "the file holds no lines")};
  if (check) {
    if (const auto fault = checkImage(image->lines, image->count)) {
      return {nullptr,
              loadFault(file, fault->description + "; --no-check sends the file unchecked")};
    }
  }
  return {std::move(image), {}};
}

}  // namespace tarnwick::flash
