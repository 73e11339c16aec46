#include "flash/session/hex_image.h"

#include "download/hex_file_reader.h"
#include "flash/session/image_check.h"
#include "flash/session/sha256.h"

namespace tarnwick::flash {
namespace {

// The image's lines, its size and its hash, all from the one reading.
std::optional<download::RuntimeError> readLines(HexImage& image, download::LineNumber maxLines) {
  Sha256 hash;
  auto error = download::readHexLines(image.file, image.lines, image.count, maxLines,
                                      [&](const char* bytes, std::size_t count) {
                                        hash.update(bytes, count);
                                        image.bytes += count;
                                      });
  if (error) return error;
  image.sha256 = hash.hexDigest();
  return std::nullopt;
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
