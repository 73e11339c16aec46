// The loader's line splitting, on any bytes cut into pieces of any sizes.
//
// Input: the first byte chooses how the rest is cut into pieces (as a file is
// read in chunks); the rest is the file. Properties: the lines do not depend
// on the cut; they are the bytes between CR or CR LF terminators, checked
// against a plain scan; more than 9000 lines is error 9 with the first 9000
// stored.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/hex_line_splitter.h"
#include "download/protocol.h"
#include "fuzz_check.h"

namespace {

using tarnwick::download::HexLineSplitter;
using tarnwick::download::kMaxImageLines;

struct Split {
  std::vector<std::string> table = std::vector<std::string>(kMaxImageLines + 1);
  tarnwick::download::LineNumber count = 0;
  int error = 0;

  std::size_t stored() const { return std::min<std::size_t>(count, kMaxImageLines); }
};

// Piece sizes cycle through 1..cut (cut 0: the whole file in one piece). The
// table is reused between inputs, as the window reuses it between loads.
void splitInPieces(std::string_view file, unsigned cut, Split& split) {
  for (std::size_t n = 1; n <= split.stored(); ++n) split.table[n].clear();
  split.count = 0;
  HexLineSplitter splitter(split.table, split.count);
  std::optional<tarnwick::download::RuntimeError> error;
  for (std::size_t at = 0, step = 1; at < file.size() && !error; ++step) {
    const std::size_t size = cut == 0 ? file.size() : 1 + step % cut;
    const std::size_t piece = std::min(size, file.size() - at);
    error = splitter.feed(file.data() + at, piece);
    at += piece;
  }
  if (!error) error = splitter.finish();
  split.error = error ? error->number : 0;
}

// The lines as a plain scan sees them: a CR ends one, an LF right after it is
// part of that terminator, and trailing bytes make a last line.
std::vector<std::string> scanLines(std::string_view file) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t cr; (cr = file.find('\r', start)) != std::string_view::npos;) {
    lines.emplace_back(file.substr(start, cr - start));
    start = cr + 1;
    if (start < file.size() && file[start] == '\n') ++start;
  }
  if (start < file.size()) lines.emplace_back(file.substr(start));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned cut = data[0] % 64;
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

  static Split whole, pieces;
  splitInPieces(file, 0, whole);
  splitInPieces(file, cut, pieces);
  FUZZ_CHECK(pieces.count == whole.count);
  FUZZ_CHECK(pieces.error == whole.error);
  for (std::size_t n = 0; n <= whole.stored(); ++n) FUZZ_CHECK(pieces.table[n] == whole.table[n]);

  const std::vector<std::string> expected = scanLines(file);
  if (expected.size() > static_cast<std::size_t>(kMaxImageLines)) {
    FUZZ_CHECK(whole.error == 9);
    FUZZ_CHECK(whole.count == kMaxImageLines + 1);
  } else {
    FUZZ_CHECK(whole.error == 0);
    FUZZ_CHECK(static_cast<std::size_t>(whole.count) == expected.size());
  }
  FUZZ_CHECK(whole.table[0].empty());
  const std::size_t stored = std::min<std::size_t>(expected.size(), kMaxImageLines);
  for (std::size_t n = 1; n <= stored; ++n) FUZZ_CHECK(whole.table[n] == expected[n - 1]);
  return 0;
}
