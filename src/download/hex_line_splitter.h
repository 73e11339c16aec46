// Cuts the bytes of a HEX file into the line table, in pieces of any size.
//
// A line ends at CR or at CR LF; the terminator is dropped. A lone LF does
// not end a line and stays in it. A last line without a terminator counts
// once finish() is called; no bytes at all make no line. Lines are stored as
// read, byte for byte, from index 1, and counted in the line counter as they
// are stored.
//
// Kept apart from the file reading so that any cut of the bytes (a CR LF
// split between two pieces, say) can be tried without a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/download_state.h"
#include "download/runtime_error.h"

namespace tarnwick::download {

class HexLineSplitter {
 public:
  // Up to `maxLines` lines; the table grows when one lands past its end.
  HexLineSplitter(std::vector<std::string>& hexLines, LineNumber& lineIndex,
                  LineNumber maxLines = kMaxImageLines)
      : hexLines_(hexLines), lineIndex_(lineIndex), maxLines_(maxLines) {}

  // Error 9 once a line would go past `maxLines`; the lines before it stay
  // stored and the counter holds maxLines + 1 (the window's 9001). Nothing may
  // be fed after an error.
  std::optional<RuntimeError> feed(const char* bytes, std::size_t count);
  // Stores a last line that had no terminator.
  std::optional<RuntimeError> finish();

 private:
  std::optional<RuntimeError> store();

  std::vector<std::string>& hexLines_;
  LineNumber& lineIndex_;
  LineNumber maxLines_;
  std::string line_;
  bool lineStarted_ = false;  // bytes, or none, since the last terminator
  bool afterCr_ = false;      // the last piece ended with CR
};

}  // namespace tarnwick::download
