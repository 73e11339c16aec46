#include "flash/station/station.h"

#include <sstream>

#include "flash/gang/device_identity.h"
#include "flash/report/exit_codes.h"
#include "flash/report/flash_report.h"
#include "flash/report/terminal.h"
#include "flash/session/flash_session.h"
#include "flash/station/station_record.h"
#include "flash/station/station_serve.h"
#include "serial/net/serial_platform_factory.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;

// How long a look for devices waits: also how soon a stop request is seen.
constexpr auto kLook = 200ms;

bool sameDevice(const std::string& a, const std::string& b) {
  return a == b || deviceKey(a) == deviceKey(b);
}

std::string locationOf(const serial::PortDescription& port) {
  return port.usb ? port.usb->location : std::string();
}

// The same board back: one USB device by its serial number, in the same place.
bool sameBoard(const serial::PortDescription& a, const serial::PortDescription& b) {
  return a.usb && b.usb && !a.usb->serialNumber.empty() &&
         a.usb->serialNumber == b.usb->serialNumber && a.usb->location == b.usb->location &&
         a.usb->vendorId == b.usb->vendorId && a.usb->productId == b.usb->productId;
}

// A run's progress into its socket's row; its messages are left out: the
// run's outcome says why it ended.
class RowSink : public ProgressSink {
 public:
  RowSink(StationDisplay& display, std::size_t row) : display_(display), row_(row) {}
  void status(const std::string& text) override { display_.setProgress(row_, text); }
  void line(const std::string& /*text*/) override {}
  void endStatus() override {}

 private:
  StationDisplay& display_;
  std::size_t row_;
};

std::string secondsText(double seconds) {
  std::ostringstream text;
  text.precision(1);
  text << std::fixed << seconds << " s";
  return text.str();
}

}  // namespace

struct Station::Run {
  explicit Run(serial::PortDescription port) : board(std::move(port)) {}
  serial::PortDescription board;
  StopRequest stop;                   // this run's own: its board went, or the station stops
  std::atomic<bool> vanished{false};  // its board went during the run
  std::atomic<bool> ended{false};     // its thread has done all it does
  std::thread thread;
};

std::vector<StationItem> stationItems(const std::string& match) {
  std::vector<StationItem> items;
  std::istringstream in(match);
  for (std::string text; std::getline(in, text, ',');) {
    StationItem item{text, std::nullopt};
    std::string error;
    if (serial::isBoardName(text)) item.board = serial::parseBoardName(text, error);
    items.push_back(std::move(item));
  }
  return items;
}

std::unique_ptr<serial::DeviceWatch> makeStationWatch(const std::vector<StationItem>& items) {
  std::vector<std::string> paths;
  bool names = false;
  for (const auto& item : items) {
    if (item.board) {
      names = true;
    } else {
      paths.push_back(item.text);
    }
  }
  std::vector<std::unique_ptr<serial::DeviceWatch>> watches;
  if (names) watches.push_back(serial::makePortWatch());
  if (!paths.empty()) watches.push_back(serial::makePathWatch(paths, deviceNowKey));
  return serial::combineWatches(std::move(watches));
}

Station::Station(StationSetup setup)
    : setup_(std::move(setup)), items_(stationItems(setup_.options.port)) {}

Station::~Station() {
  stopEveryRun();
  joinEndedRuns(true);
}

int Station::run() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    // The sockets known before any board comes: device paths and USB paths.
    for (const auto& item : items_) {
      if (item.board && !item.board->location) continue;
      auto socket = std::make_unique<Socket>();
      socket->name = item.text;
      socket->item = &item;
      socket->key = item.text;
      socket->row = setup_.display->addSocket(item.text);
      sockets_.push_back(std::move(socket));
    }
  }
  while (!setup_.stop->requested() && !logBroken_) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      for (const auto& device : std::exchange(lost_, {})) setup_.watch->forget(device);
    }
    const auto events = setup_.watch->next(kLook);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      for (const auto& event : events) {
        if (event.kind == serial::DeviceEvent::Kind::Added) {
          added(event.port);
        } else {
          removed(event.port);
        }
      }
      // No run starts after a stop.
      if (!setup_.stop->requested() && !logBroken_) startDueRuns();
    }
    joinEndedRuns(false);
    setup_.display->refit();
  }
  stopEveryRun();
  joinEndedRuns(true);
  return finish();
}

Station::Socket* Station::socketFor(const serial::PortDescription& port) {
  for (const auto& item : items_) {
    std::string key;
    if (!item.board) {
      if (port.device != item.text) continue;
      key = item.text;
    } else if (!serial::boardMatches(*item.board, port)) {
      continue;
    } else if (item.board->location) {
      key = item.text;
    } else {
      // One socket a place: the USB path where there is one.
      key = locationOf(port).empty() ? port.device : "usb-path:" + locationOf(port);
    }
    for (auto& socket : sockets_) {
      if (socket->item == &item && socket->key == key) return socket.get();
    }
    auto socket = std::make_unique<Socket>();
    socket->name = key;
    socket->item = &item;
    socket->key = key;
    socket->row = setup_.display->addSocket(key);
    sockets_.push_back(std::move(socket));
    return sockets_.back().get();
  }
  return nullptr;
}

bool Station::alreadyInASocket(const serial::PortDescription& port) const {
  for (const auto& socket : sockets_) {
    if (socket->board && sameDevice(socket->board->device, port.device)) return true;
  }
  return false;
}

void Station::added(const serial::PortDescription& port) {
  if (alreadyInASocket(port)) return;  // never flashed twice while it stays
  Socket* socket = socketFor(port);
  if (socket == nullptr || socket->board) return;
  socket->board = port;
  socket->flashDue = true;
}

void Station::removed(const serial::PortDescription& port) {
  for (auto& socket : sockets_) {
    if (!socket->board || socket->board->device != port.device) continue;
    socket->board.reset();
    socket->flashDue = false;
    if (socket->run && !socket->run->ended) {
      // Its run ends at once as FAIL "vanished", and shows so until the next board.
      socket->run->vanished = true;
      socket->run->stop.request(1);
    } else {
      setup_.display->setState(socket->row, "waiting", "gone");
      setup_.display->setBoard(socket->row, "", "");
    }
  }
}

void Station::startDueRuns() {
  for (auto& socket : sockets_) {
    if (!socket->flashDue) continue;
    if (socket->run) {
      if (!socket->run->ended) continue;
      // Its last run has done all it does: the next board need not wait for a look.
      socket->run->thread.join();
      socket->run.reset();
    }
    socket->flashDue = false;
    // Asked only now: it may have gone and come back before its run had ended.
    if (socket->passed && sameBoard(*socket->passed, *socket->board)) {
      // It passed, went and came back (its program started, or a loose cable).
      setup_.display->setBoard(socket->row, socket->board->device, locationOf(*socket->board));
      setup_.display->setState(socket->row, "PASS", "PASS, back: not flashed again");
      continue;
    }
    auto run = std::make_shared<Run>(*socket->board);
    setup_.display->setBoard(socket->row, run->board.device, locationOf(run->board));
    setup_.display->setState(socket->row, "flashing", "flashing");
    Socket* place = socket.get();
    run->thread = std::thread([this, place, run] { flash(*place, *run); });
    socket->run = std::move(run);
  }
}

void Station::flash(Socket& socket, Run& run) {
  finished(socket, run, runSession(socket.row, run));
  run.ended = true;  // the last thing: the thread needs nothing of the station after it
}

FlashOutcome Station::runSession(std::size_t row, Run& run) {
  FlashOptions options = setup_.options;
  options.port = run.board.openName;
  RowSink sink(*setup_.display, row);
  ProgressReport progress(sink, setup_.terminal ? ProgressStyle::Terminal : ProgressStyle::Quiet,
                          false);
  const auto platform = setup_.makePlatform(run.board.openName);
  std::ostringstream unused;  // --info's answer; the station never asks
  FlashSession session(options, *platform, progress, unused, systemLoopClock(), run.stop);
  session.useImage(setup_.image);
  session.run();
  FlashOutcome outcome = session.outcome();
  outcome.device = run.board.device;
  if (run.vanished && outcome.exitCode == kExitInterrupted) {
    // The station stopped it because its board went: say so, and where it stood.
    const std::string where = outcome.message.substr(outcome.message.find(' ') + 1);
    outcome.exitCode = kExitDeviceVanished;
    outcome.message = "the device " + run.board.device + " vanished (unplugged) " + where;
  }
  return outcome;
}

void Station::finished(Socket& socket, Run& run, FlashOutcome outcome) {
  StationRecord record{std::chrono::system_clock::now(), setup_.host, run.board, setup_.image.get(),
                       BoardReport{}};
  record.report = BoardReport{run.board.openName, setup_.options.hexFile, locationOf(run.board),
                              run.board.usb ? run.board.usb->serialNumber : "", outcome};
  const std::string line = stationRecordJson(record);
  std::string error;
  // The record is on the disk before the socket shows how the board ended.
  const bool recorded = setup_.log == nullptr || setup_.log->append(line, error);
  if (!recorded) logBroken_ = true;
  if (recorded && setup_.recorded) setup_.recorded(line);
  const std::lock_guard<std::mutex> lock(mutex_);
  if (setup_.json != nullptr) *setup_.json << line << std::flush;
  const bool pass = recorded && outcome.exitCode == kExitVerified;
  socket.passed.reset();
  if (pass) socket.passed = run.board;
  if (outcome.exitCode == kExitDeviceVanished && !run.vanished && socket.board &&
      socket.board->device == run.board.device) {
    // Its port went, its name stayed as far as the watch saw: maybe it came
    // back between two looks. The watch looks at it afresh.
    socket.board.reset();
    lost_.push_back(run.board.device);
  }
  std::string state = pass ? "PASS" : std::string("FAIL ") + outcomeWord(outcome.exitCode);
  if (!recorded) {
    state = "FAIL not recorded: " + error;
  } else if (!pass && !outcome.message.empty()) {
    state += ": " + outcome.message;
  }
  (pass ? passed_ : failed_)++;
  state += " (" + secondsText(outcome.seconds) + ")";
  setup_.display->setState(socket.row, state, state);
  setup_.display->setTotals(passed_, failed_);
  if (!recorded) {
    setup_.display->message("tarnwick-flash: cannot write the log " + setup_.log->path() + ": " +
                            error + "; the station stops: no board is flashed without its record");
  }
}

void Station::joinEndedRuns(bool all) {
  std::vector<std::shared_ptr<Run>> ended;
  {
    // Released before joining: a run still going needs the lock to end.
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& socket : sockets_) {
      if (socket->run && (all || socket->run->ended)) ended.push_back(std::move(socket->run));
    }
  }
  for (auto& run : ended) {
    if (run->thread.joinable()) run->thread.join();
  }
}

void Station::stopEveryRun() {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (auto& socket : sockets_) {
    if (socket->run) socket->run->stop.request(1);
  }
}

int Station::finish() {
  setup_.display->finish();
  return logBroken_ ? kExitLogNotWritten : kExitInterrupted;
}

int runStation(const FlashOptions& options, std::ostream& err, std::ostream& out, bool terminal) {
  const ImageLoad load = loadHexImage(options.hexFile, options.check, kFlasherLimits.maxLines);
  if (!load.image) {
    err << "tarnwick-flash: " << load.fault << "\n" << std::flush;
    return kExitFileNotLoaded;
  }
  std::unique_ptr<RecordLog> log;
  if (!options.log.empty()) {
    std::string error;
    log = RecordLog::open(options.log, error);
    if (!log) {
      err << "tarnwick-flash: cannot open the log " << options.log << " for appending: " << error
          << "; no board is flashed without its record\n"
          << std::flush;
      return kExitLogNotWritten;
    }
    if (log->endedInACutLine()) {
      err << "tarnwick-flash: the log " << options.log
          << " ends in a line cut short (a record left unfinished by a crash or a full disk); "
             "it stays as it is, and the next record starts on a line of its own\n"
          << std::flush;
    }
  }
  std::ostringstream discarded;
  StationDisplay display(options.quiet ? discarded : err, terminal && !options.quiet,
                         standardErrorColumns);
  display.message("station: " + options.hexFile + ", " + std::to_string(load.image->sendLines) +
                  " lines, sha256 " + load.image->sha256 +
                  (log ? "; records to " + options.log : std::string()) + "; Ctrl+C ends");
  const auto watch = makeStationWatch(stationItems(options.port));
  StationSetup setup;
  setup.options = options;
  setup.image = load.image;
  setup.watch = watch.get();
  setup.makePlatform = serial::makeSerialPlatformFor;
  setup.display = &display;
  setup.terminal = terminal && !options.quiet;
  setup.json = options.json ? &out : nullptr;
  setup.log = log.get();
  setup.host = hostName();
  std::unique_ptr<StationServer> server;
  if (!options.serve.empty()) {
    ServeSetup serve{{},
                     0,
                     &display,
                     load.image,
                     options.hexFile,
                     setup.host,
                     utcTimestamp(std::chrono::system_clock::now())};
    std::string error;
    if (!parseServeAddress(options.serve, serve.address, serve.port, error)) {
      err << "tarnwick-flash: " << error << "\n" << std::flush;
      return kExitUsage;
    }
    const std::string serving =
        "station: serving on http://" + serve.address + ":" + std::to_string(serve.port) + "/";
    server = std::make_unique<StationServer>(std::move(serve));
    if (!server->start(error)) {
      err << "tarnwick-flash: " << error << "\n" << std::flush;
      return kExitUsage;
    }
    display.message(serving);
    setup.terminal = true;  // the page shows each run's progress too
    setup.recorded = [&server](const std::string& line) { server->recorded(line); };
  }
  Station station(std::move(setup));
  const int exitCode = station.run();
  if (options.quiet) {
    err << "passed " << station.passed() << ", failed " << station.failed() << "\n" << std::flush;
  }
  return exitCode;
}

}  // namespace tarnwick::flash
