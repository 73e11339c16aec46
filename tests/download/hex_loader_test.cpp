// Open File and Download over files the tests write.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "handler_fixture.h"

#ifdef __linux__
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using download::MessageStyle;
using Log = std::vector<std::string>;

// Descriptors this process holds open now; -1 where the system cannot say.
int openDescriptors() {
#ifdef __linux__
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
#else
  return -1;
#endif
}

std::vector<std::string> loadedLines(const download::DownloadState& state) {
  return std::vector<std::string>(state.hexLines.begin() + 1,
                                  state.hexLines.begin() + 1 + state.lineTotal);
}

struct Layout {
  const char* name;
  std::string bytes;
  Log lines;
};

class LineEnds : public Handlers, public ::testing::WithParamInterface<Layout> {};

TEST_P(LineEnds, LinesEndAtCrOrCrLfAndALoneLfStaysInTheLine) {
  load(GetParam().bytes);
  EXPECT_EQ(loadedLines(state), GetParam().lines);
  EXPECT_EQ(form.barMax, static_cast<int>(GetParam().lines.size()));
  EXPECT_EQ(form.barText, "READY");
  EXPECT_EQ(state.imageLoaded, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineEnds,
    ::testing::Values(Layout{"CrLf", ":01\r\n:02\r\n", {":01", ":02"}},
                      Layout{"CrOnly", ":01\r:02\r", {":01", ":02"}},
                      Layout{"LfOnly", ":01\n:02\n", {":01\n:02\n"}},
                      Layout{"NoFinalEnd", ":01\r\n:02", {":01", ":02"}}, Layout{"Empty", "", {}},
                      Layout{"OneEmptyLine", "\r\n", {""}},
                      Layout{"BlankLines", "a\r\n\r\n\rb\r\n", {"a", "", "", "b"}},
                      Layout{"LfBeforeCrLf", "a\n\r\nb", {"a\n", "b"}},
                      Layout{
                          "Bytes", std::string("\0\xff\x1a\r", 4), {std::string("\0\xff\x1a", 3)}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Handlers, ACrLfSplitBetweenTwoReadsIsOneLineEnd) {
  const std::string first(65535, 'A');  // its CR is the last byte of the first 64 KiB
  load(first + "\r\nB\r\n");
  EXPECT_EQ(loadedLines(state), (Log{first, "B"}));
}

TEST_F(Handlers, ALoadArmsTheDownloadInOrder) {
  state.verifyPass = 1;
  form.barValue = 5;
  form.barColor = 0xFF;
  load(crlfFile({"a", "b", "c"}));
  EXPECT_EQ(form.log, (Log{"dialog HEX files (*.hex)|*.hex", "bar Text NO FILE", "bar Max 3",
                           "bar Text READY", "Command5 on", "Timer2 on"}));
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(state.downloadRequested, 1);
  EXPECT_EQ(state.lineTotal, 3);
  EXPECT_EQ(state.lineIndex, 0);
  EXPECT_EQ(form.barValue, 5);
  EXPECT_EQ(form.barColor, 0xFFu);
}

TEST_F(Handlers, NineThousandLinesLoadAndOneMoreIsRefused) {
  std::vector<std::string> lines(9000, ":00000001FF");
  lines.back() = "last";
  load(crlfFile(lines));
  EXPECT_EQ(state.lineTotal, 9000);
  EXPECT_TRUE(form.messages.empty());

  form.setTimerEnabled(FormTimer::Timer2, false);
  lines.back() = "9000";
  lines.push_back("9001");
  const int before = openDescriptors();
  load(crlfFile(lines));
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].title, "Error#9");
  EXPECT_EQ(form.messages[0].style, MessageStyle::Error);
  EXPECT_NE(narrow(form.messages[0].text).find("more than 9000 lines"), std::string::npos);
  EXPECT_EQ(state.hexLines[9000], "9000");
  EXPECT_EQ(state.lineIndex, 9001);
  EXPECT_EQ(state.lineTotal, 0);
  EXPECT_EQ(state.imageLoaded, 0);
  EXPECT_EQ(form.barText, "NO FILE");
  EXPECT_EQ(form.barMax, 9000);
  EXPECT_FALSE(form.running(FormTimer::Timer2));
  EXPECT_EQ(openDescriptors(), before);
}

TEST_F(Handlers, AFileOfExactly64MiBLoads) {
  std::string bytes(std::size_t{64} << 20, 'A');
  bytes.replace(bytes.size() - 4, 4, "\r\nB\r");
  load(bytes);
  EXPECT_TRUE(form.messages.empty());
  EXPECT_EQ(state.lineTotal, 2);
  EXPECT_EQ(state.hexLines[2], "B");
}

TEST_F(Handlers, ACancelledDialogChangesNothingButTheRequestFlag) {
  load(crlfFile({"a", "b"}));
  state.verifyPass = 1;
  state.downloadRequested = 0;
  state.lineIndex = 1;
  const std::size_t mark = form.log.size();
  control.openFileAndDownloadClick();
  EXPECT_EQ(form.logFrom(mark), (Log{"dialog HEX files (*.hex)|*.hex", "message"}));
  EXPECT_EQ(form.messages[0].text, U"Cancel");
  EXPECT_EQ(form.messages[0].style, MessageStyle::Plain);
  EXPECT_EQ(form.messages[0].title, "");
  EXPECT_EQ(state.verifyPass, 1);
  EXPECT_EQ(state.downloadRequested, 1);
  EXPECT_EQ(state.lineIndex, 1);
  EXPECT_EQ(state.lineTotal, 2);
  EXPECT_EQ(state.imageLoaded, 1);
}

// A file that cannot be read: the box shows the system's number and words,
// the file is closed before the box opens, and the old image is not sendable.
class UnreadableFile : public Handlers {
 protected:
  int descriptorsDuringBox = -2;
  void loadUnreadable(const std::string& path) {
    connect();
    load(crlfFile({"old1", "old2"}));
    answer("VER=1");
    takeWritten();
    form.duringMessage = [this] {
      descriptorsDuringBox = openDescriptors();
      answer("OK");  // a tick while the box is open
    };
    const int before = openDescriptors();
    form.dialogAnswers.push_back(path);
    control.openFileAndDownloadClick();
    EXPECT_EQ(descriptorsDuringBox, before);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(state.lineTotal, 0);
    EXPECT_EQ(state.imageLoaded, 0);
    EXPECT_EQ(form.barText, "NO FILE");
    answer("VER=1");
    answer("OK");
    EXPECT_EQ(takeWritten(), "");
  }
};

TEST_F(UnreadableFile, AMissingFileShowsItsErrorNumber) {
  loadUnreadable(files.file("missing.hex"));
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].title, "Error#" + std::to_string(ENOENT));
  EXPECT_EQ(form.messages[0].style, MessageStyle::Error);
  EXPECT_EQ(narrow(form.messages[0].text), std::strerror(ENOENT));
}

TEST_F(UnreadableFile, ADirectoryIsRefused) {
  loadUnreadable(files.path());
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].style, MessageStyle::Error);
#ifdef __linux__
  EXPECT_EQ(form.messages[0].title, "Error#" + std::to_string(EISDIR));
#endif
}

#ifdef __linux__
// Opening a pipe for reading would wait for a writer for ever, freezing the window.
TEST_F(UnreadableFile, APipeOrADeviceIsRefusedWithoutWaiting) {
  const std::string fifo = files.file("pipe.hex");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    form.messages.clear();
    loadUnreadable(path);
    ASSERT_EQ(form.messages.size(), 1u) << path;
    EXPECT_EQ(form.messages[0].title, "Error#" + std::to_string(EINVAL)) << path;
  }
}

// Peak memory in KiB of a child process that runs `work`; -1 unless `work`
// returned true.
long childPeakKib(const std::function<bool()>& work) {
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1;
  return usage.ru_maxrss;
}

// A disk image picked by mistake: gigabytes without a CR would be one line
// held whole in memory. A sparse file costs the test neither disk nor time;
// its first line is not stored, as nothing of it is read.
TEST_F(UnreadableFile, AFileLargerThan64MiBIsRefusedBeforeItIsRead) {
  const std::string image = files.write("disk.img", "new\r");
  std::filesystem::resize_file(image, 4ull << 30);
  loadUnreadable(image);
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].title, "Error#" + std::to_string(EFBIG));
  EXPECT_NE(narrow(form.messages[0].text).find("larger than 64 MiB"), std::string::npos);
  EXPECT_EQ(state.hexLines[1], "old1");

  const long peak = childPeakKib([&] {
    form.dialogAnswers.push_back(image);
    control.openFileAndDownloadClick();
    return form.messages.back().title == "Error#" + std::to_string(EFBIG);
  });
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, 100 * 1024);
}

// A file that says it is empty and has no end, as one that grows while it is
// read: the reading stops at the same limit.
TEST_F(UnreadableFile, ReadingStopsAt64MiBWhateverSizeTheFileHad) {
  loadUnreadable("/proc/self/pagemap");
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].title, "Error#" + std::to_string(EFBIG));
}
#endif

}  // namespace
}  // namespace tarnwick::testing
