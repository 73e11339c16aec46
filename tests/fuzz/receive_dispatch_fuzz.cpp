// The receive tick's dispatch of whatever the board sends, with the user's
// clicks and loads in between, over a scripted port and a recording window.
//
// Input: a list of steps, each chosen by one byte (see Step); steps that need
// more take the bytes that follow. Properties checked after every step: no
// write over 255 bytes; the line counter within the image; a tick with data
// shows it without trailing blanks and acts on the first keyword only; a line
// goes out only on "VER=", "DOWNLOAD", "OK" or Send (after a load, only on
// "VER=" or Send until a "VER=" has come), and it is the next line of the
// image in the form of the current pass.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "download/download_control.h"
#include "fuzz_check.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"

namespace {

using tarnwick::download::DownloadControl;
using tarnwick::download::FormTimer;
using tarnwick::testing::FakeForm;
using tarnwick::testing::FakePlatform;

enum Step { kBoardSays, kBoardSaysLong, kTick, kTickAgain, kSend, kInfo, kLoad, kReconnect };

constexpr std::uint32_t kRed = 0xFF, kGreen = 0xFF00, kGrey = 0x808080, kWhite = 0xFFFFFF;

// Images the loads choose from; written once per process.
struct Images {
  std::string folder;
  std::string paths[3];
  Images() {
    char pattern[] = "/tmp/tarnwick-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    folder = pattern;
    const char* files[] = {":020000040000FA\r\n:10:00:00\r\n\r\n:00000001FF\r\n", ":00000001FF",
                           ""};
    for (int i = 0; i < 3; ++i) {
      paths[i] = folder + "/image" + std::to_string(i) + ".hex";
      std::ofstream(paths[i], std::ios::binary) << files[i];
    }
  }
  ~Images() {
    for (const std::string& path : paths) ::unlink(path.c_str());
    ::rmdir(folder.c_str());
  }
};

std::string trimmedBlanks(const std::string& text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// The first of the keywords, in the order they are tested, that the text holds.
std::string_view firstKeyword(const std::string& text) {
  for (std::string_view keyword : {"VER=", "ERROR", "DOWNLOAD", "FORMAT", "OK"}) {
    if (text.find(keyword) != std::string::npos) return keyword;
  }
  return {};
}

class Session {
 public:
  explicit Session(const Images& images) : images_(images) { reconnect(); }

  void run(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at < size;) {
      const auto step = static_cast<Step>(data[at++] % 8);
      const std::size_t argument = at < size ? data[at] : 0;
      switch (step) {
        case kBoardSays:
        case kBoardSaysLong: {
          ++at;
          const std::size_t length =
              std::min(size - std::min(at, size), step == kBoardSays ? argument : argument + 200);
          platform_.reads.emplace_back(reinterpret_cast<const char*>(data + at), length);
          at += length;
          break;
        }
        case kTick:
        case kTickAgain:
          tick();
          break;
        case kSend:
          send();
          break;
        case kInfo:
          control_.infoTick();
          break;
        case kLoad:
          ++at;
          if (argument % 4 < 3) form_.dialogAnswers.push_back(images_.paths[argument % 4]);
          control_.openFileAndDownloadClick();
          break;
        case kReconnect:
          ++at;
          control_.closePortClick();
          if (argument % 2 == 0) reconnect();
          break;
      }
      checkAlways();
    }
  }

 private:
  void reconnect() {
    control_.openPortClick();
    control_.attemptTick();
    FUZZ_CHECK(port_.isOpen());
  }

  std::string writtenSince(std::size_t mark) const {
    std::string bytes;
    for (std::size_t i = mark; i < platform_.writes.size(); ++i) bytes += platform_.writes[i];
    return bytes;
  }

  // What one line goes out as: "BOOT", the line, every ':' made '#' in the verify form, CR LF.
  std::string lineCommand(int index, bool verifyForm) const {
    std::string text = "BOOT" + state().hexLines[static_cast<std::size_t>(index)];
    if (verifyForm) {
      for (char& c : text) c = c == ':' ? '#' : c;
    }
    return text + "\r\n";
  }

  // A line went out: the next one after `before`, in the current form, with the bar following.
  void checkLineSent(const std::string& sent, int before) {
    const int line = before + 1;
    FUZZ_CHECK(line >= 1 && line <= state().lineTotal);
    FUZZ_CHECK(sent == lineCommand(line, state().verifyPass == 1));
    FUZZ_CHECK(form_.barValue == line);
    FUZZ_CHECK(state().lineIndex == (line == state().lineTotal ? 0 : line));
  }

  void tick() {
    std::string chunk;
    if (port_.isOpen() && !platform_.reads.empty()) chunk = platform_.reads.front().substr(0, 255);
    const std::string boxBefore = form_.text8Box;
    const int indexBefore = state().lineIndex;
    const int verifyBefore = state().verifyPass;
    // After a load, "OK" and "DOWNLOAD" answer the replaced run until a "VER=" starts the new one.
    const bool replacedRun = state().awaitingRunStart;
    const std::size_t mark = platform_.writes.size();
    control_.receiveTick();
    const std::string sent = writtenSince(mark);

    if (chunk.empty()) {
      FUZZ_CHECK(form_.text8Box == boxBefore);
      FUZZ_CHECK(form_.picColor == kWhite || form_.picColor == kGrey);
      FUZZ_CHECK(sent.empty());
      return;
    }
    FUZZ_CHECK(form_.picColor == kRed);
    FUZZ_CHECK(form_.text8Box == trimmedBlanks(chunk));
    const std::string_view keyword = firstKeyword(form_.text8Box);
    if (keyword == "VER=") FUZZ_CHECK(!form_.running(FormTimer::Timer2));
    if (keyword == "ERROR") {
      FUZZ_CHECK(form_.barText == "ERROR" && form_.barColor == kRed && state().verifyPass == 0);
    }
    if (keyword == "FORMAT") FUZZ_CHECK(form_.barText.empty() && form_.barValue == 0);
    if (keyword == "DOWNLOAD" && verifyBefore == 1 && !replacedRun) {
      FUZZ_CHECK(form_.barText == "END" && form_.barColor == kGreen);
      FUZZ_CHECK(state().verifyPass == 0 && state().imageLoaded == 0);
    }
    const bool turn = keyword == "DOWNLOAD" && verifyBefore != 1 && !replacedRun;
    if (turn) FUZZ_CHECK(form_.barText == "VERIFY" && state().verifyPass == 1);

    const bool mayAdvance = keyword == "VER=" || (keyword == "OK" && !replacedRun) || turn;
    if (sent.empty()) return;
    FUZZ_CHECK(mayAdvance);
    checkLineSent(sent, turn ? 0 : indexBefore);
  }

  void send() {
    const int indexBefore = state().lineIndex;
    const std::size_t mark = platform_.writes.size();
    control_.sendClick();
    const std::string sent = writtenSince(mark);
    if (!sent.empty()) checkLineSent(sent, indexBefore);
  }

  void checkAlways() const {
    for (const std::string& piece : platform_.writes) FUZZ_CHECK(piece.size() <= 255);
    FUZZ_CHECK(state().lineIndex >= 0 && state().lineIndex <= state().lineTotal);
    FUZZ_CHECK(state().verifyPass == 0 || state().verifyPass == 1);
  }

  const tarnwick::download::DownloadState& state() const { return control_.state(); }

  const Images& images_;
  FakePlatform platform_;
  FakeForm form_;
  tarnwick::serial::SerialPort port_{platform_, nullptr};
  DownloadControl control_{form_, port_};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Images images;
  Session(images).run(data, size);
  return 0;
}
