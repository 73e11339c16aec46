// Reads a HEX file's text lines into the line table.
//
// A line ends at CR or at CR LF; the terminator is dropped. A lone LF does
// not end a line and stays in it. A last line without a terminator counts;
// an empty file has no lines. Lines are stored as read, byte for byte, from
// index 1, and counted in the line counter as they are stored.
//
// Portable (plain fopen/fread, binary), streaming in large chunks. The file
// is always closed before this returns, error or not.
//
// A line is kept whole in memory until its CR, so a file picked by mistake (a
// disk image, an archive, a raw firmware binary) would be read whole into
// memory. Such a file is refused by its size before any byte is read, and the
// reading stops at the same limit should the file grow meanwhile or say it is
// smaller than it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/download_state.h"
#include "download/runtime_error.h"

namespace tarnwick::download {

// The most of a file that is loaded. A HEX line is at most 521 characters and
// the window's table holds 9000 lines, so no image it takes comes near 5 MB;
// the flasher's million lines of 16-byte records come to 45 MB.
inline constexpr std::uint64_t kMaxHexFileBytes = 64ull * 1024 * 1024;

// On an error the lines read so far stay stored and lineIndex holds the count
// reached (9001 for a file longer than the window's table). Errors: the
// system's errno and description when the file cannot be opened or read; 9
// when it has more than `maxLines` lines; EFBIG when it is larger than
// kMaxHexFileBytes. The table grows when a line lands past its end.
//
// Each chunk read is also handed to `onBytes` when one is given, so that a
// front end can hash or count the very bytes that were loaded.
using ByteSink = std::function<void(const char* bytes, std::size_t count)>;
std::optional<RuntimeError> readHexLines(const std::string& path,
                                         std::vector<std::string>& hexLines, LineNumber& lineIndex,
                                         LineNumber maxLines = kMaxImageLines,
                                         const ByteSink& onBytes = {});

}  // namespace tarnwick::download
