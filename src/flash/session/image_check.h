// Whether the lines of a HEX file make one whole Intel HEX image, checked
// before anything is sent.
//
// The handlers send every line as it stands; a board that is sent half an
// image, two images or a file cut short may accept it and still not hold the
// program. So the flasher refuses, naming the first line at fault: a line
// holding a line feed (a file with LF line ends loads as one line), a line
// that is no record (start code, hex digits, length, record type, checksum),
// a file without an end-of-file record, and anything but blank lines after
// the first one.
//
// Trap: blank lines after the end-of-file record are allowed but never sent:
// the board ends the pass at that record. The lines a pass sends end at the
// last line that is not blank, checked or not (imageLines).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "download/download_state.h"

namespace tarnwick::flash {

struct ImageFault {
  download::LineNumber line = 0;  // from 1; the line after the last for a missing end
  std::string description;        // a whole sentence without its full stop
};

// Lines 1 to `count` of `lines` (as the loader stores them: entry 0 unused).
std::optional<ImageFault> checkImage(const std::vector<std::string>& lines,
                                     download::LineNumber count);

// The lines a pass sends: up to the last one that is not blank.
download::LineNumber imageLines(const std::vector<std::string>& lines, download::LineNumber count);

}  // namespace tarnwick::flash
