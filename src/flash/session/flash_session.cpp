#include "flash/session/flash_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "download/protocol.h"
#include "download/runtime_error.h"
#include "flash/report/exit_codes.h"
#include "flash/session/hex_image.h"
#include "form/events.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using download::AnswerKeyword;
using download::FormTimer;
using download::LineNumber;

// The window's timers, at the window's intervals.
constexpr auto kAttemptInterval = form::timerInterval(FormTimer::Timer3);
constexpr auto kReceiveInterval = form::timerInterval(FormTimer::TMRComm);
constexpr auto kInfoPollInterval = form::timerInterval(FormTimer::Timer2);
// The attempts give up after kGiveUpCount ticks of Timer3, about 20 s. An
// attempt that itself takes seconds (a network server that never answers its
// line settings) would stretch that count to minutes, so the give-up also
// comes once the attempts have taken that long, one tick's grace included.
constexpr auto kGiveUpTime = download::kGiveUpCount * kAttemptInterval + kAttemptInterval;
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

std::string quoted(const std::string& text) {
  return "\"" + ProgressReport::printable(text) + "\"";
}

const char* passName(Pass pass) {
  return pass == Pass::Download ? "download" : "verify";
}

}  // namespace

FlashSession::FlashSession(const FlashOptions& options, serial::SerialPlatform& platform,
                           ProgressReport& progress, std::ostream& out, LoopClock& clock,
                           const StopRequest& stop, PortLister listPorts)
    : options_(options),
      progress_(progress),
      out_(out),
      clock_(clock),
      stop_(stop),
      loop_(clock),
      target_(options.port, std::move(listPorts)),
      form_(loop_, *this, download::latin1Text(options.port), options.hexFile),
      platform_(platform),
      meter_(platform_, clock),
      port_(
          meter_,
          // The port layer's own messages name the system's reason: always shown.
          [this](const std::string& message) { progress_.message(message); }, options.answerGap,
          options.answerEnd),
      control_(form_, port_, kFlasherLimits) {
  control_.setObserver(this);
  if (!target_.isBoardName()) outcome_.device = options.port;
  outcome_.answerEnd = answerEndWord(options.answerEnd);
  wireTimers();
}

void FlashSession::wireTimers() {
  form_.bindTimer(FormTimer::Timer3, loop_.add(kAttemptInterval, [this] {
    control_.attemptTick();
    attemptDone();
  }));
  // A read that brought an answer ends one gap after its last byte, or the
  // line-end quiet after its line end; the next tick must not wait longer
  // than that, or the timer sets the pace.
  const auto answerQuiet = options_.answerEnd == serial::AnswerEnd::Line
                               ? serial::kLineEndQuiet
                               : std::max(options_.answerGap, serial::kShortestAnswerGap);
  const auto receiveInterval = std::min<std::chrono::milliseconds>(kReceiveInterval, answerQuiet);
  form_.bindTimer(FormTimer::TMRComm,
                  loop_.add(receiveInterval, [this] { control_.receiveTick(); }));
  form_.bindTimer(FormTimer::Timer2, loop_.add(kInfoPollInterval, [this] { control_.infoTick(); }));
}

// The phases of a run, in order: check the file, connect, download, verify
// (or, with --info, ask the board who it is), then --go's "BOOTg".
int FlashSession::run() {
  if (!options_.info && !checkFile()) {
    progress_.finish();
    return outcome_.exitCode;
  }
  connect();
  if (options_.info) {
    showInfo();
  } else {
    download();
    verify();
  }
  if (outcome_.exitCode == kExitVerified && options_.go) startProgram();
  return closeRun();
}

bool FlashSession::checkFile() {
  if (!image_) {
    ImageLoad load = loadHexImage(options_.hexFile, options_.check, kFlasherLimits.maxLines);
    if (!load.image) {
      end(kExitFileNotLoaded, load.fault);
      return false;
    }
    image_ = std::move(load.image);
  }
  outcome_.lines = image_->sendLines;
  return true;
}

void FlashSession::connect() {
  progress_.connecting(options_.port);
  connectStart_ = clock_.now();
  control_.openPortClick();
  loop_.run([this] { return ended() || interrupted() || phase_ != Phase::Connecting; });
  if (ended()) return;
  progress_.connected(outcome_.device == options_.port
                          ? options_.port
                          : outcome_.device + " (" + options_.port + ")");
}

void FlashSession::download() {
  if (ended()) return;
  handOverImage();
  phase_ = Phase::Armed;
  judge_.emplace(outcome_.lines);
  progress_.loaded(options_.hexFile, outcome_.lines);
  loop_.run([this] { return finished() || judge_->pass() == Pass::Verify; });
}

void FlashSession::verify() {
  if (ended()) return;
  loop_.run([this] { return finished(); });
  // The receive loop never stops by itself; should every timer be off, nothing can come.
  end(kExitNoAnswer, "the run stopped with no timer running " + whereTheRunStands());
}

void FlashSession::handOverImage() {
  // What Open File and Download does once its read has succeeded, with the
  // table read and checked before connecting: Open Port forgot any image
  // loaded before it, and reading the file again could send another one.
  download::DownloadState& state = control_.state();
  state.verifyPass = 0;
  state.downloadRequested = 1;
  state.hexLines = image_->lines;
  state.lineTotal = image_->count;
  state.lineIndex = 0;
  form_.setBarMax(state.lineTotal);
  form_.setBarText(std::string(download::kBarReady));
  form_.setTimerEnabled(FormTimer::Timer2, true);  // the info polling, until the board answers
  state.imageLoaded = 1;
}

void FlashSession::startProgram() {
  control_.installClick();
  progress_.note("sent \"BOOTg\": the program starts");
}

int FlashSession::closeRun() {
  judgeAnswerDelay();
  if (port_.isOpen()) control_.unload();
  progress_.finish();
  if (judge_) outcome_.passes = judge_->passes();
  outcome_.seconds = std::chrono::duration<double>(clock_.now() - connectStart_).count();
  return outcome_.exitCode;
}

void FlashSession::lookUpPort() {
  if (!target_.isBoardName()) return;
  const PortTarget::Found found = target_.lookUp();
  boardFound_ = found.match == serial::BoardMatch::One;
  outcome_.device = found.device;
  form_.setPortName(download::latin1Text(found.openName));
  if (found.match == serial::BoardMatch::Several) {
    end(kExitSeveralBoards, severalBoardsMessage(options_.port, found.ports));
  }
}

void FlashSession::attemptDone() {
  if (ended() || phase_ != Phase::Connecting) return;
  const serial::OpenFailure& failure = port_.openFailure();
  // Waiting will not turn a file or a FIFO into a serial port.
  if (failure.kind == serial::OpenFailureKind::NotASerialDevice) {
    end(kExitPortUnavailable,
        options_.port + ": " + failure.reason + "; --list shows the serial ports");
  } else if (clock_.now() - connectStart_ >= kGiveUpTime) {
    gaveUp();
  }
}

std::string FlashSession::whyNotOpened() const {
  if (target_.isBoardName() && !boardFound_) {
    return "no serial port matches it (--list shows the serial ports)";
  }
  return reasonWithWayOut(port_.openFailure().reason);
}

void FlashSession::showInfo() {
  if (ended()) return;
  loop_.run([this] { return finished() || infoComplete(); });
  if (ended()) return;
  std::string answer = infoAnswer_;
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) answer.pop_back();
  out_ << answer << '\n' << std::flush;
  outcome_.boardInfo = infoAnswer_;
  end(kExitVerified);
}

bool FlashSession::infoComplete() {
  if (infoAnswer_.empty()) return false;
  return infoAnswer_.back() == '\n' || clock_.now() - lastChunkAt_ >= kInfoQuiet;
}

void FlashSession::end(int exitCode, const std::string& message) {
  if (ended_) return;  // the first outcome stands
  ended_ = true;
  outcome_.exitCode = exitCode;
  outcome_.message = message;
  if (!message.empty()) progress_.message(message);
  // Whatever the handlers would still send after a failure goes nowhere; a
  // verified run keeps its port for "BOOTg".
  if (exitCode != kExitVerified && port_.isOpen()) control_.unload();
}

bool FlashSession::finished() {
  return ended() || watchesFired();
}

bool FlashSession::interrupted() {
  if (!stop_.requested()) return false;
  end(kExitInterrupted, "interrupted " + whereTheRunStands());
  return true;
}

bool FlashSession::watchesFired() {
  if (interrupted()) return true;
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

std::string FlashSession::whereTheRunStands() const {
  if (judge_ && judge_->inPass()) {
    return std::string("in the ") + passName(judge_->pass()) + " pass after line " +
           std::to_string(judge_->lastLine()) + " of " + std::to_string(judge_->lines());
  }
  switch (phase_) {
    case Phase::Connecting:
      return "while connecting to " + options_.port;
    case Phase::Armed:
      return "while asking it for \"BOOTinfo\" before the first line";
    default:
      return "after connecting";
  }
}

void FlashSession::attemptCounted(std::int16_t count) {
  progress_.attempt(count);
  // The give-up, which opens nothing, names PORT as typed.
  if (count >= download::kGiveUpCount) {
    form_.setPortName(download::latin1Text(options_.port));
  } else {
    lookUpPort();
  }
}

void FlashSession::connected() {
  phase_ = Phase::Connected;
  lastHeard_ = clock_.now();
  outcome_.connectSeconds = std::chrono::duration<double>(lastHeard_ - connectStart_).count();
  if (options_.verbose && !platform_.drained().empty()) {
    progress_.message("dropped what waited on the port before the first command: " +
                      quoted(platform_.drained()));
  }
}

void FlashSession::gaveUp() {
  const std::string why = whyNotOpened();
  end(kExitPortUnavailable, "could not open " + options_.port + " in " +
                                seconds(clock_.now() - connectStart_) + " of attempts" +
                                (why.empty() ? "" : ": " + why));
}

void FlashSession::answerReceived(const std::string& answer, AnswerKeyword keyword) {
  if (ended()) return;
  // Only an answer the handlers can act on restarts the time-out: a device
  // that echoes every command, or sends noise, would otherwise hold the run
  // open for ever although nothing moves.
  if (keyword != AnswerKeyword::None) lastHeard_ = clock_.now();
  lastChunkAt_ = clock_.now();
  lastAnswer_ = answer;
  progress_.answer(answer);
  if (keyword == AnswerKeyword::Version && outcome_.boardInfo.empty()) outcome_.boardInfo = answer;
  if (options_.info) infoAnswer_ += answer;
  // The handlers send nothing after "FORMAT": the run could only wait out its time-out.
  if (keyword == AnswerKeyword::Format && !options_.info) {
    return end(kExitBoardFormat,
               "the board answered \"FORMAT\" " + whereTheRunStands() + "; nothing more is sent");
  }
  if (meter_.complete()) judgeAnswerDelay();
  if (!judge_) return;  // before the load, no answer sends a line
  judge_->answer(keyword);
  judged();
}

void FlashSession::lineSent(LineNumber index, download::LineForm form) {
  if (ended() || !judge_) return;
  const std::size_t passesBefore = judge_->passes().size();
  judge_->lineSent(index, form);
  if (judge_->passes().size() != passesBefore) {
    progress_.passStarted(judge_->pass(), judge_->lines());
  }
  if (judge_->verdict() == Verdict::Running) progress_.lineSent(index);
  judged();
}

void FlashSession::judged() {
  switch (judge_->verdict()) {
    case Verdict::Running:
      return;
    case Verdict::Verified:
      progress_.verified();
      return end(kExitVerified);
    case Verdict::BoardRefused:
      outcome_.errorLine = judge_->lastLine();
      if (judge_->inPass() && outcome_.errorLine >= 1) {
        outcome_.errorLineText =
            control_.state().hexLines[static_cast<std::size_t>(outcome_.errorLine)];
      }
      return end(kExitBoardError, refusedLine());
    case Verdict::ProtocolBroken:
      return end(kExitProtocolBroken, judge_->fault());
  }
}

void FlashSession::judgeAnswerDelay() {
  const std::optional<double> median = meter_.medianMs();
  if (delayJudged_ || !median) return;
  delayJudged_ = true;
  outcome_.answerDelayMs = std::round(*median * 10) / 10;
  if (*median < AnswerDelayMeter::kHeldBackMs) return;
  // A run that ended early on a few answers is not judged on them: a board that
  // takes its time over its first writes looks like a slow adapter, and the
  // run's own last word (why it ended) stays its last line.
  if (!meter_.complete() && outcome_.exitCode != kExitVerified) return;
  char figure[32];
  std::snprintf(figure, sizeof figure, "%.0f ms", *median);
  progress_.message(
      std::string("the board's answers arrive ") + figure +
      " after each command: the port's adapter (a USB serial bridge) holds them back, which "
      "slows every line. " +
      answerDelayAdvice(outcome_.device.empty() ? options_.port : outcome_.device));
}

std::string FlashSession::refusedLine() const {
  const LineNumber line = judge_->lastLine();
  if (!judge_->inPass() || line < 1) {
    return "the board answered \"ERROR\" before any line was sent";
  }
  return "the board answered \"ERROR\" to line " + std::to_string(line) + " of " +
         std::to_string(judge_->lines()) + " in the " + passName(judge_->pass()) +
         " pass: " + quoted(control_.state().hexLines[static_cast<std::size_t>(line)]);
}

void FlashSession::messageShown(const std::u32string& text, download::MessageStyle style,
                                const std::string& title) {
  // The window's plain boxes speak of the window ("Use Serial settings to
  // setup your ports."); the session says why in its own words. Error boxes
  // carry the system's reason.
  if (style == download::MessageStyle::Plain && !options_.verbose) return;
  progress_.message(title.empty() ? consoleText(text) : title + ": " + consoleText(text));
}

}  // namespace tarnwick::flash
