// HEX files of every odd make, through Open File and Download and the first
// line sent: each loads as the lines it holds, byte for byte, or is refused
// with its error box; nothing crashes and no file is left open.
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "descriptors.h"
#include "download/handler_fixture.h"

namespace tarnwick::testing {
namespace {

using faults::openDescriptors;

// Bytes that look like nothing in particular, with no CR among them.
std::string junk(std::size_t size, unsigned seed) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    const char c = static_cast<char>(seed >> 16);
    bytes.push_back(c == '\r' ? '\0' : c);
  }
  return bytes;
}

std::string repeatedLines(int count, const std::string& line) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += line + "\r\n";
  return bytes;
}

struct Loadable {
  const char* label;
  std::string bytes;
  int lines;
  std::string firstLine;
};

// Test names say the case; the parameter need not be printed byte for byte.
void PrintTo(const Loadable& param, std::ostream* out) {
  *out << param.label;
}

class HexFiles : public Handlers, public ::testing::WithParamInterface<Loadable> {};

TEST_P(HexFiles, LoadAsTheLinesTheyHoldAndTheFirstGoesOutByteForByte) {
  connect();
  const int descriptors = openDescriptors();
  load(GetParam().bytes);
  EXPECT_EQ(openDescriptors(), descriptors);
  EXPECT_TRUE(form.messages.empty());
  EXPECT_EQ(state.lineTotal, GetParam().lines);
  EXPECT_EQ(form.barText, "READY");

  answer("VER=1\r\n");
  EXPECT_EQ(takeWritten(), "BOOT" + GetParam().firstLine + "\r\n");
  for (const std::string& piece : platform.writes) EXPECT_LE(piece.size(), 255u);
}

const std::string kJunk = junk(3000, 7);
const std::string kMegabyteLine = std::string(1 << 20, 'F');

INSTANTIATE_TEST_SUITE_P(
    Files, HexFiles,
    ::testing::Values(
        Loadable{"BinaryJunk", kJunk + "\r\n" + junk(500, 8), 2, kJunk},
        Loadable{"NulBytes", std::string("\0:10\0\r\n\0\r\n", 10), 2, std::string("\0:10\0", 5)},
        Loadable{"NineThousandLines", repeatedLines(9000, ":00000001FF"), 9000, ":00000001FF"},
        Loadable{"OneMegabyteLine", kMegabyteLine + "\r\n:00000001FF\r\n", 2, kMegabyteLine},
        Loadable{"CrOnly", ":01\r:02\r:03\r", 3, ":01"},
        Loadable{"LfOnly", ":01\n:02\n:03\n", 1, ":01\n:02\n:03\n"},
        Loadable{"NoFinalTerminator", ":01\r\n:02", 2, ":01"},
        Loadable{"NonAsciiBytes", "\xe9:10\x80\xff\r\n", 1, "\xe9:10\x80\xff"}),
    [](const auto& param) { return std::string(param.param.label); });

// Files that cannot be loaded: the error box with the number, the earlier
// image no longer sent, no file left open.
class RefusedHexFiles : public Handlers {
 protected:
  void SetUp() override {
    connect();
    load(crlfFile({":00000001FF"}));
    answer("VER=1\r\n");
    answer("DOWNLOAD\r\n");
    answer("DOWNLOAD\r\n");  // a first run ended
    takeWritten();
    descriptors = openDescriptors();
  }
  void expectRefused(const std::string& title) {
    EXPECT_EQ(openDescriptors(), descriptors);
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].title, title);
    EXPECT_EQ(form.messages[0].style, download::MessageStyle::Error);
    EXPECT_EQ(form.barText, "NO FILE");
    answer("VER=1\r\n");
    answer("OK\r\n");
    EXPECT_EQ(takeWritten(), "");
  }
  int descriptors = 0;
};

TEST_F(RefusedHexFiles, NineThousandAndOneLinesAreRefusedWithError9) {
  load(repeatedLines(9001, ":00000001FF"));
  expectRefused("Error#9");
}

TEST_F(RefusedHexFiles, AFileDeletedBetweenTheDialogAndTheReadIsRefused) {
  const std::string path = files.write("gone.hex", ":00000001FF\r\n");
  form.dialogAnswers.push_back(path);
  form.duringDialog = [&] { std::filesystem::remove(path); };
  control.openFileAndDownloadClick();
  expectRefused("Error#" + std::to_string(ENOENT));
}

TEST_F(RefusedHexFiles, AFileReplacedByAFolderBetweenTheDialogAndTheReadIsRefused) {
  const std::string path = files.write("folder.hex", ":00000001FF\r\n");
  form.dialogAnswers.push_back(path);
  form.duringDialog = [&] {
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
  };
  control.openFileAndDownloadClick();
  expectRefused("Error#" + std::to_string(EISDIR));
}

}  // namespace
}  // namespace tarnwick::testing
