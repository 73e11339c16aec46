// HEX images made up for the fault runs and the benchmark: 16-byte data
// records from address 0 with a byte pattern that is not the erased value,
// an extended linear address record at every 64 KiB, and the end-of-file
// record last.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::faults {

struct HexImage {
  std::vector<std::string> lines;  // without terminators
  std::string flash;               // the bytes a board must hold afterwards, from address 0

  std::string fileText() const;  // every line followed by CR LF
  // Writes the file and returns its path.
  std::string writeTo(const std::string& path) const;
};

// An image of exactly `lineCount` lines (at least 2).
HexImage makeImage(int lineCount);

}  // namespace tarnwick::faults
