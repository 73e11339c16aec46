// Writes the window's icon as a Windows .ico file: the drawing of
// form/window_icon.h as the Qt window paints it (ui/window_icon.cpp: its own
// pixels at 24, the shapes scaled and smoothed at other sizes), at the sizes
// Windows asks for from 100 % to 200 % scaling:
//
//   make_icon_file FILE            writes FILE
//   make_icon_file --check FILE    exit 0 when FILE holds exactly that icon
//
// The Windows build has no Qt, so the .ico is kept in the source tree; the
// check (a test of the Qt build) fails when the drawing changes and the file
// was not written again.
//
// Each image is a 32-bit bottom-up DIB with an all-clear AND mask, the form
// every Windows version reads.
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/window_icon.h"

namespace {

const int kSizes[] = {16, 20, 24, 32, 40, 48, 64};

void put16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// BITMAPINFOHEADER, the pixels bottom row first, then the AND mask.
std::string dibOf(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  const int size = image.width();
  const int maskRowBytes = ((size + 31) / 32) * 4;
  std::string dib;
  put32(dib, 40);
  put32(dib, static_cast<std::uint32_t>(size));
  put32(dib, static_cast<std::uint32_t>(size * 2));  // colour and mask, one above the other
  put16(dib, 1);
  put16(dib, 32);
  for (int i = 0; i < 6; ++i) put32(dib, 0);  // no compression, sizes and palette unset
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) put32(dib, image.pixel(x, y) | 0xFF000000u);  // B G R A
  }
  dib.append(static_cast<std::size_t>(maskRowBytes * size), '\0');
  return dib;
}

std::string iconFile() {
  std::vector<std::string> images;
  for (int size : kSizes) images.push_back(dibOf(tarnwick::ui::drawWindowIcon(size)));
  std::string file;
  put16(file, 0);
  put16(file, 1);  // an icon
  put16(file, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<char>(kSizes[i]));
    file.push_back(static_cast<char>(kSizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    put16(file, 1);   // planes
    put16(file, 32);  // bits per pixel
    put32(file, static_cast<std::uint32_t>(images[i].size()));
    put32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::string& image : images) file += image;
  return file;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_icon_file [--check] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  const std::string icon = iconFile();
  if (check) {
    std::ifstream in(path, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (kept == icon) return 0;
    std::fprintf(stderr, "%s is not the window's icon as drawn now: run make_icon_file %s\n", path,
                 path);
    return 1;
  }
  std::ofstream out(path, std::ios::binary);
  out << icon;
  return out.good() ? 0 : 1;
}
