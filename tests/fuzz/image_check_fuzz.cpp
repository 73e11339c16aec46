// The flasher's image check, on any file.
//
// Input: the file's bytes, loaded as the flasher loads them. Properties: a
// refusal names a line that exists, the first at fault (the lines before it,
// checked alone, lack only their end, or are a whole image followed by that
// line); an image it accepts is loaded by the handlers line for line as it
// was checked, and a board that answers "OK" is sent exactly those lines, in
// order, and then line 1 again in the verify form.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "download/download_control.h"
#include "download/hex_file_reader.h"
#include "flash/session/flash_session.h"
#include "flash/session/image_check.h"
#include "fuzz_check.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"

namespace {

using tarnwick::download::LineNumber;
using tarnwick::flash::checkImage;
using tarnwick::flash::ImageFault;
using tarnwick::flash::kFlasherLimits;

// One file, rewritten for every input.
struct ImageFile {
  std::string path;
  ImageFile() {
    char pattern[] = "/tmp/tarnwick-fuzz-image-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) std::abort();
    ::close(fd);
    path = pattern;
  }
  ~ImageFile() { ::unlink(path.c_str()); }
};

bool startsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

void checkRefusal(const std::vector<std::string>& lines, LineNumber count,
                  const ImageFault& fault) {
  if (fault.line == count + 1) {  // no end-of-file record
    FUZZ_CHECK(fault.description.find("after line " + std::to_string(count) + " ") !=
               std::string::npos);
    return;
  }
  FUZZ_CHECK(fault.line >= 1 && fault.line <= count);
  FUZZ_CHECK(startsWith(fault.description, "line " + std::to_string(fault.line) + " "));
  if (fault.line == 1) return;
  const auto before = checkImage(lines, fault.line - 1);
  FUZZ_CHECK(!before || before->line == fault.line);
}

// The lines the handlers send to a board that answers "VER=" and then "OK" to each.
void checkSentLineForLine(const std::string& path, const std::vector<std::string>& lines,
                          LineNumber count, LineNumber sent) {
  tarnwick::testing::FakePlatform platform;
  tarnwick::testing::FakeForm form;
  tarnwick::serial::SerialPort port(platform, nullptr);
  tarnwick::download::DownloadControl control(form, port, kFlasherLimits);
  control.openPortClick();
  control.attemptTick();
  form.dialogAnswers.push_back(path);
  control.openFileAndDownloadClick();
  const auto& state = control.state();
  FUZZ_CHECK(state.imageLoaded == 1 && state.lineTotal == count);
  for (LineNumber n = 1; n <= count; ++n) {
    FUZZ_CHECK(state.hexLines[static_cast<std::size_t>(n)] == lines[static_cast<std::size_t>(n)]);
  }
  const std::size_t mark = platform.writes.size();
  platform.reads.emplace_back("VER=1.0\r\n");
  control.receiveTick();
  for (LineNumber n = 1; n < sent; ++n) {
    platform.reads.emplace_back("OK\r\n");
    control.receiveTick();
  }
  platform.reads.emplace_back("DOWNLOAD\r\n");
  control.receiveTick();

  std::vector<std::string> expected;
  for (LineNumber n = 1; n <= sent; ++n) {
    expected.push_back("BOOT" + lines[static_cast<std::size_t>(n)] + "\r\n");
  }
  std::string verifyFirst = "BOOT" + lines[1] + "\r\n";
  verifyFirst[4] = '#';  // a record holds no other ':' than its start code
  expected.push_back(verifyFirst);
  const std::vector<std::string> written(platform.writes.begin() + static_cast<long>(mark),
                                         platform.writes.end());
  FUZZ_CHECK(written == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ImageFile file;
  std::ofstream(file.path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  std::vector<std::string> lines(tarnwick::download::kMaxImageLines + 1);
  LineNumber count = 0;
  if (tarnwick::download::readHexLines(file.path, lines, count, kFlasherLimits.maxLines)) return 0;
  // The flasher says "the file holds no lines" before it checks anything.
  const LineNumber sent = tarnwick::flash::imageLines(lines, count);
  if (sent == 0) return 0;
  if (const auto fault = checkImage(lines, count)) {
    checkRefusal(lines, count, *fault);
  } else {
    checkSentLineForLine(file.path, lines, count, sent);
  }
  return 0;
}
