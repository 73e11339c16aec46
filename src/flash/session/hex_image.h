// FILE.hex read once, as the lines the handlers send, and checked.
//
// How it works: the file's bytes are read in chunks and cut into the line
// table by the handlers' own splitter (download/hex_line_splitter.h), so the
// table is the one Open File and Download would have loaded. A session hands
// this table to the handlers after connecting instead of letting them read
// the file again: the board gets the very image that was checked, even if
// the file changes meanwhile, and the station (and --every) read the file
// once for every board.
//
// Traps:
//   - The guards are the loader's: a pipe or a device is refused (it may
//     never end), so is a file larger than download::kMaxHexFileBytes, and
//     the reading stops there should the file grow while it is read.
//   - `count` is every line read, blank ones after the end record included;
//     `sendLines` is what a pass sends (image_check.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/download_state.h"

namespace tarnwick::flash {

struct HexImage {
  std::string file;                    // as named on the command line
  std::vector<std::string> lines;      // line n at index n, entry 0 unused
  download::LineNumber count = 0;      // lines read
  download::LineNumber sendLines = 0;  // lines each pass sends
  std::uint64_t bytes = 0;             // the file's size as read
  std::string sha256;                  // of those bytes, in hex, as sha256sum prints it
};

struct ImageLoad {
  std::shared_ptr<const HexImage> image;  // null on a fault
  std::string fault;                      // "cannot load FILE: ...", the whole message
};

// Reads `file` once, up to `maxLines` lines, and with `check` refuses what is
// not one whole Intel HEX image (image_check.h).
ImageLoad loadHexImage(const std::string& file, bool check, download::LineNumber maxLines);

}  // namespace tarnwick::flash
