#include "flash/flash_session.h"

#include <cstdio>
#include <vector>

#include "download/hex_file_reader.h"
#include "download/protocol.h"
#include "download/runtime_error.h"
#include "flash/exit_codes.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using download::FormTimer;

constexpr auto kAttemptInterval = 100ms;   // Timer3
constexpr auto kReceiveInterval = 20ms;    // TMRComm
constexpr auto kInfoPollInterval = 500ms;  // Timer2
// --info: an answer that has not ended its line is taken as whole once the
// line has been quiet longer than one read can last (256 ms).
constexpr auto kInfoQuiet = 300ms;

// Characters up to 255 go out as the bytes they came from (names typed on the
// command line, the port layer's own messages); others as UTF-8.
std::string consoleText(const std::u32string& text) {
  std::string bytes;
  for (const char32_t c : text) {
    if (c < 0x100) {
      bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      bytes += static_cast<char>(0xC0 | (c >> 6));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      bytes += static_cast<char>(0xE0 | (c >> 12));
      bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes += static_cast<char>(0xF0 | (c >> 18));
      bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return bytes;
}

std::string seconds(LoopClock::Clock::duration span) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(span).count());
  return text;
}

bool holdsKeyword(const std::string& answer) {
  for (const std::string_view keyword :
       {download::kVersionKeyword, download::kErrorKeyword, download::kPassEndKeyword,
        download::kFormatKeyword, download::kOkKeyword}) {
    if (answer.find(keyword) != std::string::npos) return true;
  }
  return false;
}

std::string quoted(const std::string& text) {
  return "\"" + ProgressReport::printable(text) + "\"";
}

}  // namespace

FlashSession::FlashSession(const FlashOptions& options, serial::SerialPlatform& platform,
                           ProgressReport& progress, std::ostream& out, LoopClock& clock)
    : options_(options),
      progress_(progress),
      out_(out),
      clock_(clock),
      loop_(clock),
      form_(loop_, *this, download::latin1Text(options.port), options.hexFile),
      port_(platform,
            [this](const std::string& message) {
              // The window shows these in a plain box with its own title.
              messageShown(download::latin1Text(message), download::MessageStyle::Plain, {});
            }),
      control_(form_, port_) {
  wireTimers();
}

void FlashSession::wireTimers() {
  form_.bindTimer(FormTimer::Timer3,
                  loop_.add(kAttemptInterval, [this] { control_.attemptTick(); }));
  form_.bindTimer(FormTimer::TMRComm,
                  loop_.add(kReceiveInterval, [this] { control_.receiveTick(); }));
  form_.bindTimer(FormTimer::Timer2, loop_.add(kInfoPollInterval, [this] { control_.infoTick(); }));
}

int FlashSession::run() {
  if (!options_.info && !fileLoads()) {
    progress_.finish();
    return kExitFileNotLoaded;
  }
  connect();
  if (!exitCode_ && options_.info) {
    showInfo();
  } else if (!exitCode_) {
    download();
  }
  if (exitCode_ == kExitVerified && options_.go) {
    control_.installClick();
    progress_.note("sent \"BOOTg\": the program starts");
  }
  control_.unload();
  progress_.finish();
  return exitCode_.value_or(kExitNoAnswer);
}

bool FlashSession::fileLoads() {
  // The handler's own loader, into a table of our own: the window's state is
  // not touched before the port has opened.
  std::vector<std::string> lines(download::kMaxImageLines + 1);
  std::int16_t count = 0;
  if (auto error = download::readHexLines(options_.hexFile, lines, count)) {
    progress_.message("cannot load " + options_.hexFile + ": error " +
                      std::to_string(error->number) + ": " + error->description);
    return false;
  }
  if (count == 0) {
    // The window would wait for ever: an empty image has no last line to verify.
    progress_.message("cannot load " + options_.hexFile + ": the file holds no lines");
    return false;
  }
  return true;
}

void FlashSession::connect() {
  progress_.connecting(options_.port);
  connectStart_ = clock_.now();
  control_.openPortClick();
  loop_.run([this] { return exitCode_.has_value() || phase_ != Phase::Connecting; });
  if (exitCode_) return;
  lastHeard_ = clock_.now();
  progress_.connected(options_.port);
}

void FlashSession::showInfo() {
  loop_.run([this] { return finished() || infoComplete(); });
  if (exitCode_) return;
  std::string answer = infoAnswer_;
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) answer.pop_back();
  out_ << answer << '\n' << std::flush;
  end(kExitVerified);
}

bool FlashSession::infoComplete() {
  if (infoAnswer_.empty()) return false;
  return infoAnswer_.back() == '\n' || clock_.now() - lastChunkAt_ >= kInfoQuiet;
}

void FlashSession::download() {
  control_.openFileAndDownloadClick();
  if (control_.state().imageLoaded != 1) {
    // The loader has shown its error through messageShown already.
    end(kExitFileNotLoaded, "cannot load " + options_.hexFile);
    return;
  }
  phase_ = Phase::Armed;
  progress_.loaded(options_.hexFile, control_.state().lineTotal);
  loop_.run([this] { return finished(); });
  // The receive loop never stops by itself; should every timer be off, nothing can come.
  end(kExitNoAnswer, "the run stopped with no timer running " + whereTheRunStands());
}

void FlashSession::end(int exitCode, const std::string& message) {
  if (exitCode_) return;  // the first outcome stands
  exitCode_ = exitCode;
  if (!message.empty()) progress_.message(message);
}

bool FlashSession::finished() {
  return exitCode_.has_value() || watchesFired();
}

bool FlashSession::watchesFired() {
  if (phase_ == Phase::Connecting) return false;
  if (port_.deviceVanished()) {
    end(kExitDeviceVanished,
        "the device " + options_.port + " vanished (unplugged or hung up) " + whereTheRunStands());
    return true;
  }
  const auto silence = clock_.now() - lastHeard_;
  if (silence >= options_.answerTimeout) {
    std::string message =
        "no answer from the board for " + seconds(silence) + " " + whereTheRunStands();
    if (!lastAnswer_.empty()) message += "; its last answer was " + quoted(lastAnswer_);
    end(kExitNoAnswer, message);
    return true;
  }
  return false;
}

std::string FlashSession::whereTheRunStands() {
  const int line = lastLineSent_;
  const int total = control_.state().lineTotal;
  switch (phase_) {
    case Phase::DownloadPass:
    case Phase::VerifyPass:
      return std::string("in the ") + (phase_ == Phase::DownloadPass ? "download" : "verify") +
             " pass, after line " + std::to_string(line) + " of " + std::to_string(total);
    case Phase::Armed:
      return "while asking it for \"BOOTinfo\" before the first line";
    default:
      return "after connecting";
  }
}

void FlashSession::statusChanged(const std::string& caption) {
  if (caption == download::kStatusReady) {
    phase_ = Phase::Connected;
  } else if (caption == download::kStatusGaveUp) {
    end(kExitPortUnavailable, "could not open " + options_.port + " in " +
                                  seconds(clock_.now() - connectStart_) + " of attempts");
  } else if (caption.size() > download::kStatusWaiting.size()) {
    progress_.attempt(control_.state().connectAttempts);
  }
}

void FlashSession::answerShown(const std::string& text) {
  // Only an answer the handlers can act on restarts the time-out: a device
  // that echoes every command, or sends noise, would otherwise hold the run
  // open for ever although nothing moves.
  if (holdsKeyword(text)) lastHeard_ = clock_.now();
  lastChunkAt_ = clock_.now();
  lastAnswer_ = text;
  progress_.answer(text);
  if (options_.info) infoAnswer_ += text;
}

void FlashSession::barTextChanged(const std::string& text) {
  const int total = control_.state().lineTotal;
  if (text == download::kBarDownload && phase_ != Phase::DownloadPass) {
    phase_ = Phase::DownloadPass;
    progress_.passStarted(Pass::Download, total);
  } else if (text == download::kBarVerify) {
    phase_ = Phase::VerifyPass;
    progress_.passStarted(Pass::Verify, total);
  } else if (text == download::kBarEnd) {
    progress_.verified();
    end(kExitVerified);
  } else if (text == download::kBarError) {
    const int line = lastLineSent_;
    const bool inPass = phase_ == Phase::DownloadPass || phase_ == Phase::VerifyPass;
    if (!inPass || line < 1 || line > total) {
      end(kExitBoardError, "the board answered \"ERROR\" before any line was sent");
      return;
    }
    end(kExitBoardError, "the board answered \"ERROR\" to line " + std::to_string(line) + " of " +
                             std::to_string(total) + " in the " +
                             (phase_ == Phase::DownloadPass ? "download" : "verify") +
                             " pass: " + quoted(control_.state().hexLines[line]));
  } else if (text.empty() && phase_ != Phase::Connecting) {
    progress_.message("the board answered \"FORMAT\" " + whereTheRunStands() +
                      "; nothing more is sent");
  }
}

void FlashSession::barValueChanged(std::int32_t value) {
  // FORMAT sets the bar back to 0; the line sent last stays what it was.
  if (value > 0 && (phase_ == Phase::DownloadPass || phase_ == Phase::VerifyPass)) {
    lastLineSent_ = value;
    progress_.lineSent(value);
  }
}

void FlashSession::messageShown(const std::u32string& text, download::MessageStyle /*style*/,
                                const std::string& title) {
  progress_.message(title.empty() ? consoleText(text) : title + ": " + consoleText(text));
}

}  // namespace tarnwick::flash
