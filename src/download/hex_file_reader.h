// Reads a HEX file's text lines into the line table.
//
// A line ends at CR or at CR LF; the terminator is dropped. A lone LF does
// not end a line and stays in it. A last line without a terminator counts;
// an empty file has no lines. Lines are stored as read, byte for byte, from
// index 1, and counted in the line counter as they are stored.
//
// Portable (plain fopen/fread, binary), streaming in large chunks. The file
// is always closed before this returns, error or not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/runtime_error.h"

namespace tarnwick::download {

// On an error the lines read so far stay stored and lineIndex holds the count
// reached (9001 for a file longer than the table). Errors: the system's errno
// and description when the file cannot be opened or read; 9 when it has more
// lines than the table holds.
std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines,
                                         std::int16_t& lineIndex);

}  // namespace tarnwick::download
