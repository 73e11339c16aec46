// tarnwick-boardsim: a board with a serial boot loader, simulated on a
// pseudo-terminal, for trying the tool without hardware and for checking what
// the tool sends. One thread: read the line, cut it into commands, answer each
// at the pace of a 115200-baud line through the USB serial bridge it plays
// (bridge.h; every wait also hands the host what the bridge has due), until
// a signal, the end of a run (--exit-after-end) or a requested hang-up; then
// dump the flash and print a summary line.
#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "board.h"
#include "board_port.h"
#include "bridge.h"
#include "command_framer.h"
#include "flash.h"
#include "line_pacer.h"
#include "options.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;

constexpr auto kPollWait = 100ms;      // how soon a signal is noticed
constexpr auto kNoHostWait = 100ms;    // between looks for a host on a vanished device
constexpr auto kReadWait = 2s;         // for the host to take the last answer
constexpr auto kLastReadEnds = 300ms;  // longer than the host's longest read (256 ms)

volatile std::sig_atomic_t stopSignal = 0;

void onSignal(int signal) {
  stopSignal = signal;
}

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onSignal;  // no SA_RESTART: poll() must return at once
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool stopRequested() {
  return stopSignal != 0;
}

// Sleeps until `when`, waking for a signal within kPollWait and for what the
// bridge has due; false when a signal came.
bool pauseUntil(PaceClock::time_point when, Bridge* bridge = nullptr) {
  while (!stopRequested()) {
    const auto now = PaceClock::now();
    if (bridge != nullptr) bridge->deliverDue(now);
    if (now >= when) return true;
    auto wake = std::min<PaceClock::time_point>(when, now + kPollWait / 2);
    if (bridge != nullptr) wake = std::min(wake, bridge->nextDue());
    std::this_thread::sleep_until(wake);
  }
  return false;
}

// How long a read may wait: a signal and the bridge's next delivery must not wait longer.
std::chrono::microseconds readWait(const Bridge& bridge) {
  const auto now = PaceClock::now();
  const auto due = bridge.nextDue();
  if (due >= now + kPollWait) return kPollWait;
  return due <= now ? 0us : std::chrono::ceil<std::chrono::microseconds>(due - now);
}

enum class Outcome { kGoOn, kHangUp, kRunEnded };

class Session {
 public:
  Session(const Options& options, BoardPort& port)
      : options_(options),
        port_(&port),
        board_(options.faults),
        bridge_(options.bridge),
        output_(!options.fast) {
    bridge_.attach(port);
  }

  // Serves the host until a signal, a hang-up, or the end of a run if that ends it.
  Outcome serve();
  const BootLoader& loader() const { return board_.loader(); }
  // Goes on with a new port; half a command from the old one is forgotten.
  void attach(BoardPort& port) {
    port_ = &port;
    framer_ = CommandFramer{};
    bridge_.attach(port);
  }
  // Lets the host read the last answer before the port disappears under it.
  void waitForHostToRead();

 private:
  Outcome answer(const Command& command, PaceClock::time_point arrived);
  void log(const char* direction, const std::string& text) const;

  const Options& options_;
  BoardPort* port_;
  Board board_;
  Bridge bridge_;
  CommandFramer framer_;
  InputClock input_;
  OutputPacer output_;
};

Outcome Session::serve() {
  char buffer[4096];
  while (!stopRequested()) {
    const ReadResult result = port_->read(buffer, sizeof buffer, readWait(bridge_));
    bridge_.deliverDue(PaceClock::now());
    if (result.status == ReadStatus::kNoHost) std::this_thread::sleep_for(kNoHostWait);
    if (result.status != ReadStatus::kData) continue;
    input_.chunkRead(PaceClock::now(), result.count);
    for (const Command& command : framer_.feed(buffer, result.count)) {
      const Outcome outcome = answer(command, input_.arrivalOf(command.endsAt));
      if (outcome == Outcome::kHangUp) return outcome;
      if (outcome == Outcome::kRunEnded && options_.exitAfterEnd) return outcome;
    }
  }
  return Outcome::kGoOn;
}

Outcome Session::answer(const Command& command, PaceClock::time_point arrived) {
  if (!options_.fast && !pauseUntil(arrived, &bridge_)) return Outcome::kGoOn;
  log("<-", command.badFraming ? "(badly framed line)" : command.text);
  const Response response = board_.respond(command, PaceClock::now());
  if (response.hangUp) {
    log("--", "hanging up");
    return Outcome::kHangUp;
  }
  if (response.wroteFlash && !options_.fast) {
    pauseUntil(PaceClock::now() + options_.writeDelay, &bridge_);
  }
  if (response.pieces.empty() && !response.decided.empty())
    log("--", "withheld " + response.decided);
  for (const Piece& piece : response.pieces) {
    if (!pauseUntil(PaceClock::now() + piece.pauseBefore, &bridge_)) break;
    log("->", piece.bytes);
    // A signal cuts a long answer (a burst of filler bytes) short.
    if (!output_.send(bridge_, piece.bytes, stopRequested)) {
      log("--", stopRequested() ? "answer cut short" : "answer not taken");
    }
  }
  return response.endedRun ? Outcome::kRunEnded : Outcome::kGoOn;
}

void Session::log(const char* direction, const std::string& text) const {
  if (!options_.verbose) return;
  std::string shown;
  for (const char c : text) shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  std::cerr << direction << ' ' << shown << std::endl;
}

void Session::waitForHostToRead() {
  const auto giveUp = PaceClock::now() + kReadWait;
  while ((bridge_.holding() || port_->unread() > 0) && PaceClock::now() < giveUp &&
         !stopRequested()) {
    pauseUntil(PaceClock::now() + 10ms, &bridge_);
  }
  pauseUntil(PaceClock::now() + kLastReadEnds);
}

int finish(const Options& options, const BootLoader& loader) {
  int status = 0;
  if (!options.flashOut.empty()) {
    const std::string problem = dumpFlash(loader.flash(), options.flashOut);
    if (!problem.empty()) {
      std::cerr << "tarnwick-boardsim: " << problem << '\n';
      status = 1;
    }
  }
  std::printf("summary: records=%zu bytes=%zu base=0x%08X errors=%zu\n", loader.records(),
              loader.flash().writtenBytes(), static_cast<unsigned>(loader.flash().lowest()),
              loader.errors());
  std::fflush(stdout);
  return status;
}

// Opens the port as asked, links it and prints its path; null on failure.
std::unique_ptr<BoardPort> openPort(const Options& options) {
  std::string error;
  auto port = options.device.empty() ? BoardPort::openPseudoTerminal(error)
                                     : BoardPort::openDevice(options.device, error);
  if (port && !options.link.empty()) error = port->makeLink(options.link);
  if (!port || !error.empty()) {
    std::cerr << "tarnwick-boardsim: " << error << '\n';
    return nullptr;
  }
  // Whoever waits for this line may open the port (or the link) at once.
  std::printf("%s\n", port->path().c_str());
  std::fflush(stdout);
  return port;
}

int run(const Options& options) {
  // Before the port is announced: whoever reads its path may stop us at once,
  // and must still get the summary, the flash and no link left behind.
  installSignalHandlers();
  auto port = openPort(options);
  if (!port) return 1;
  // Sleeps of a byte time (87 us) would otherwise overshoot by the default 50 us slack.
  if (!options.fast) prctl(PR_SET_TIMERSLACK, 1UL);
  Session session(options, *port);
  for (;;) {
    const Outcome outcome = session.serve();
    if (outcome == Outcome::kRunEnded) session.waitForHostToRead();
    if (outcome != Outcome::kHangUp || options.backAfter.count() == 0) break;
    port.reset();  // the device and its link vanish while it is away
    if (!pauseUntil(PaceClock::now() + options.backAfter)) break;
    port = openPort(options);
    if (!port) {
      finish(options, session.loader());
      return 1;
    }
    session.attach(*port);
  }
  if (port) port->hangUp();
  return finish(options, session.loader());
}

}  // namespace
}  // namespace boardsim

int main(int argc, char* argv[]) {
  const boardsim::ParsedOptions parsed = boardsim::parseOptions(argc, argv);
  if (!parsed.options) {
    (parsed.helpAsked ? std::cout : std::cerr) << parsed.message;
    return parsed.helpAsked ? 0 : 2;
  }
  return boardsim::run(*parsed.options);
}
