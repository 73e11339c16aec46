// The production station in-process: a scripted device source plugs and
// pulls simulated boards on pseudo-terminals, each in a socket of a fixture
// named by USB paths; the log is a real file and read back as a reader would.
#include "flash/station/station.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "flash/report/exit_codes.h"
#include "flash/session/flash_session.h"
#include "serial/net/serial_platform_factory.h"
#include "support/board_sim.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using testing::BoardSim;

// Eight lines; its SHA-256 as sha256sum gives it.
constexpr char kImage[] =
    ":020000040000FA\r\n:0400000001020304F2\r\n:0400040005060708DE\r\n:04000800090A0B0CCA\r\n"
    ":04000C000D0E0F10B6\r\n:0400100011121314A2\r\n:04001400151617188E\r\n:00000001FF\r\n";
constexpr char kImageSha256[] = "50e8f446ecf2f381becccb99299c25fcdab7eddf56bbb2a5806396c77bc4812d";

class ScriptedWatch : public serial::DeviceWatch {
 public:
  void plug(const serial::PortDescription& port) { push({serial::DeviceEvent::Kind::Added, port}); }
  void pull(const serial::PortDescription& port) {
    push({serial::DeviceEvent::Kind::Removed, port});
  }
  std::vector<serial::DeviceEvent> next(std::chrono::milliseconds timeout) override {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, timeout, [this] { return !events_.empty(); });
    return std::exchange(events_, {});
  }

 private:
  void push(serial::DeviceEvent event) {
    const std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
    ready_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<serial::DeviceEvent> events_;
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The display's text; for each line that shows PASS, how many records the
// log held as it was printed.
class DisplayText : public std::stringbuf {
 public:
  explicit DisplayText(std::string logPath) : logPath_(std::move(logPath)) {}
  std::vector<std::size_t> recordsAtPass() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return recordsAtPass_;
  }
  int flashingLines() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return flashing_;
  }

 protected:
  int sync() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::string text = str();
    for (; seen_ < text.size();) {
      const std::size_t end = text.find('\n', seen_);
      if (end == std::string::npos) break;
      const std::string line = text.substr(seen_, end - seen_);
      if (line.find(": PASS") != std::string::npos) {
        recordsAtPass_.push_back(linesOf(testing::readFile(logPath_)).size());
      }
      if (line.find(": flashing") != std::string::npos) ++flashing_;
      seen_ = end + 1;
    }
    return 0;
  }

 private:
  std::string logPath_;
  mutable std::mutex mutex_;
  std::size_t seen_ = 0;
  std::vector<std::size_t> recordsAtPass_;
  int flashing_ = 0;
};

serial::PortDescription inSocket(const BoardSim& sim, const std::string& location,
                                 const std::string& serialNumber) {
  serial::UsbPortIdentity usb{0x2341, 0x0043, "Maker", "Board", serialNumber, 0, location};
  return serial::PortDescription{sim.portPath(), sim.portPath(), usb};
}

std::vector<std::string> board(std::vector<std::string> faults) {
  faults.insert(faults.begin(), {"--fast", "--verbose"});
  return faults;
}

struct StationTest : ::testing::Test {
  testing::TempFolder files;
  std::string logPath = files.file("boards.jsonl");
  ScriptedWatch watch;
  StopRequest stop;
  DisplayText displayText{logPath};
  std::ostream displayStream{&displayText};
  StationDisplay display{displayStream, false};
  std::ostringstream json;
  std::unique_ptr<RecordLog> log;
  std::unique_ptr<Station> station;
  std::thread thread;
  std::atomic<int> exitCode{-1};
  FlashOptions options;

  StationTest() {
    options.station = true;
    options.port = "usb-path:1-1,usb-path:1-2,usb-path:1-3";
    options.hexFile = files.write("image.hex", kImage);
    options.answerGap = 2ms;
    options.answerTimeout = 60s;  // only a pull or a stop ends a silent board here
  }
  ~StationTest() override {
    if (thread.joinable()) end();
  }

  void start(const std::string& logFile, serial::DeviceWatch* devices = nullptr) {
    std::string error;
    log = RecordLog::open(logFile, error);
    ASSERT_TRUE(log) << error;
    StationSetup setup;
    setup.options = options;
    setup.image = loadHexImage(options.hexFile, true, kFlasherLimits.maxLines).image;
    setup.watch = devices != nullptr ? devices : &watch;
    setup.makePlatform = serial::makeSerialPlatformFor;
    setup.display = &display;
    setup.json = &json;
    setup.log = log.get();
    setup.stop = &stop;
    setup.host = "bench-3";
    station = std::make_unique<Station>(std::move(setup));
    thread = std::thread([this] { exitCode = station->run(); });
  }
  int end() {
    stop.request(2);
    thread.join();
    return exitCode;
  }
  std::vector<Json> records() const {
    std::vector<Json> parsed;
    for (const auto& line : linesOf(testing::readFile(logPath)))
      parsed.push_back(Json::parse(line));
    return parsed;
  }
  // Every wait bounded generously: a loaded machine is slow, not wrong.
  bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit = 30s) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }
  bool waitForRecords(std::size_t count) const {
    return waitFor([&] { return linesOf(testing::readFile(logPath)).size() >= count; });
  }
  std::string shown() const { return displayText.str(); }
};

TEST_F(StationTest, ABoardIsFlashedOnceWhileItStaysAndTheNextInItsSocketToo) {
  start(logPath);
  BoardSim first(board({}));
  watch.plug(inSocket(first, "1-1", "A1"));
  ASSERT_TRUE(waitForRecords(1)) << shown();

  const Json record = records().at(0);
  EXPECT_EQ(record["outcome"], "verified") << record;
  EXPECT_EQ(record["exit_code"], 0);
  EXPECT_EQ(record["device"], first.portPath());
  EXPECT_EQ(record["location"], "1-1");
  EXPECT_EQ(record["vid"], "2341");
  EXPECT_EQ(record["pid"], "0043");
  EXPECT_EQ(record["serial_number"], "A1");
  EXPECT_EQ(record["host"], "bench-3");
  EXPECT_EQ(record["file"], options.hexFile);
  EXPECT_EQ(record["file_size"], sizeof kImage - 1);
  EXPECT_EQ(record["lines"], 8);
  EXPECT_EQ(record["sha256"], kImageSha256);
  EXPECT_EQ(record["board_info"], "VER=2.1 simulated board\r\n");
  EXPECT_TRUE(std::regex_match(record["time"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));

  // Seen again (udev's event and the list that backs it up): not flashed again.
  watch.plug(inSocket(first, "1-1", "A1"));
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(records().size(), 1u);

  BoardSim second(board({}));
  watch.pull(inSocket(first, "1-1", "A1"));
  watch.plug(inSocket(second, "1-1", "A2"));
  ASSERT_TRUE(waitForRecords(2)) << shown();
  EXPECT_EQ(records().at(1)["device"], second.portPath());
  EXPECT_EQ(records().at(1)["outcome"], "verified");

  EXPECT_EQ(end(), kExitInterrupted);
  // Each record was in the file before its PASS was printed.
  EXPECT_EQ(displayText.recordsAtPass(), (std::vector<std::size_t>{1, 2})) << shown();
  EXPECT_NE(shown().find("usb-path:1-1 " + first.portPath() + ": gone\n"), std::string::npos);
  EXPECT_NE(shown().find("passed 2, failed 0\n"), std::string::npos) << shown();
  EXPECT_EQ(first.log().find("BOOT:", first.log().find("BOOT#")), std::string::npos)
      << "flashed twice: " << first.log();
  // --json: the same records, a line each.
  EXPECT_EQ(json.str(), testing::readFile(logPath));
}

TEST_F(StationTest, SocketsFlashSideBySideAndEachFailureIsRecordedWithItsReason) {
  start(logPath);
  BoardSim good(board({}));
  BoardSim refusing(board({"--error-at", "3"}));
  BoardSim pulled(board({"--silent-from", "3"}));
  watch.plug(inSocket(good, "1-1", "G"));
  watch.plug(inSocket(refusing, "1-2", "R"));
  watch.plug(inSocket(pulled, "1-3", "P"));
  ASSERT_TRUE(waitForRecords(2)) << shown();
  // The silent board waits for an answer that never comes; it is pulled out.
  watch.pull(inSocket(pulled, "1-3", "P"));
  ASSERT_TRUE(waitForRecords(3)) << shown();

  std::map<std::string, Json> bySerial;
  for (const auto& record : records()) bySerial[record["serial_number"]] = record;
  EXPECT_EQ(bySerial["G"]["outcome"], "verified");
  EXPECT_EQ(bySerial["R"]["outcome"], "error");
  EXPECT_EQ(bySerial["R"]["exit_code"], kExitBoardError);
  EXPECT_NE(bySerial["R"]["message"].get<std::string>().find("\"ERROR\" to line 3"),
            std::string::npos);
  EXPECT_EQ(bySerial["P"]["outcome"], "vanished");
  EXPECT_EQ(bySerial["P"]["exit_code"], kExitDeviceVanished);
  EXPECT_EQ(bySerial["P"]["message"], "the device " + pulled.portPath() +
                                          " vanished (unplugged) in the download pass after line "
                                          "3 of 8");

  EXPECT_EQ(end(), kExitInterrupted);
  EXPECT_NE(shown().find("usb-path:1-2 " + refusing.portPath() +
                         ": FAIL error: the board "
                         "answered \"ERROR\""),
            std::string::npos)
      << shown();
  EXPECT_NE(shown().find("usb-path:1-3 " + pulled.portPath() + ": FAIL vanished"),
            std::string::npos);
  EXPECT_NE(shown().find("passed 1, failed 2\n"), std::string::npos);
}

TEST_F(StationTest, CtrlCMidRunEndsWith130AndTheBoardIsRecordedAsInterrupted) {
  start(logPath);
  BoardSim silent(board({"--silent-from", "3"}));
  watch.plug(inSocket(silent, "1-2", "S"));
  ASSERT_TRUE(waitFor([&] { return silent.log().find("BOOT:") != std::string::npos; })) << shown();
  EXPECT_EQ(end(), kExitInterrupted);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0]["outcome"], "interrupted");
  EXPECT_EQ(records()[0]["exit_code"], kExitInterrupted);
  EXPECT_NE(shown().find("passed 0, failed 1\n"), std::string::npos);
}

TEST_F(StationTest, ARecordThatCannotBeWrittenStopsTheStationWith73AndNoPassShows) {
  start(logPath);
  const testing::FileSizeLimit full(100);  // the disk fills up after the station started
  BoardSim sim(board({}));
  watch.plug(inSocket(sim, "1-1", "F"));
  ASSERT_TRUE(waitFor([&] { return exitCode != -1; })) << shown();
  thread.join();
  EXPECT_EQ(exitCode, kExitLogNotWritten);
  EXPECT_EQ(shown().find("PASS"), std::string::npos);
  EXPECT_NE(shown().find("FAIL not recorded: only 100 of "), std::string::npos) << shown();
  EXPECT_NE(shown().find("cannot write the log " + logPath + ": only 100 of "), std::string::npos);
  EXPECT_NE(shown().find(" bytes were written (disk full?); the station stops: no board is "
                         "flashed without its record\n"),
            std::string::npos);
  // The part written was taken out again: no record says how that board ended.
  EXPECT_EQ(testing::readFile(logPath), "");
}

TEST_F(StationTest, ABadImageOrALogThatCannotBeOpenedStopsItBeforeAnyBoardIsFlashed) {
  BoardSim sim(board({}));
  options.port = sim.portPath();  // present from the start
  std::ostringstream err, out;
  options.hexFile = files.write("cut.hex", ":020000040000FA\r\n:0400000001020304F2\r\n");
  EXPECT_EQ(runStation(options, err, out, false), kExitFileNotLoaded);
  EXPECT_NE(err.str().find("cannot load " + options.hexFile), std::string::npos) << err.str();

  options.hexFile = files.write("image.hex", kImage);
  options.log = files.file("no-such-folder/boards.jsonl");
  err.str("");
  EXPECT_EQ(runStation(options, err, out, false), kExitLogNotWritten);
  EXPECT_EQ(err.str(), "tarnwick-flash: cannot open the log " + options.log +
                           " for appending: No such file or directory; no board is flashed "
                           "without its record\n");
  EXPECT_EQ(sim.log().find("<- "), std::string::npos) << sim.log();
}

TEST_F(StationTest, ABoardBackAfterAPassIsFlashedOnlyIfItIsAnother) {
  start(logPath);
  BoardSim sim(board({}));
  watch.plug(inSocket(sim, "1-1", "A1"));
  ASSERT_TRUE(waitForRecords(1)) << shown();
  // Its program started and it showed up again: the same serial number and place.
  watch.pull(inSocket(sim, "1-1", "A1"));
  watch.plug(inSocket(sim, "1-1", "A1"));
  ASSERT_TRUE(waitFor([&] { return shown().find("PASS, back") != std::string::npos; })) << shown();
  watch.pull(inSocket(sim, "1-1", "A1"));
  watch.plug(inSocket(sim, "1-1", "B2"));
  ASSERT_TRUE(waitForRecords(2)) << shown();
  EXPECT_EQ(records().at(1)["serial_number"], "B2");
}

// The simulator drops off mid-run and is back on a new pseudo-terminal under
// its link before a look can see the link missing, and the watch cannot tell
// the new port from the old (a pseudo-terminal's number comes back): only the
// port saw the board go.
TEST_F(StationTest, ABoardWhosePortWentWhileItsNameStayedIsFlashedAgainOnceFoundAfresh) {
  const std::string link = files.file("socket-1");
  options.port = link;
  BoardSim dropping(board({"--hangup-at", "3", "--back-after", "1", "--link", link}));
  const auto blind = serial::makePathWatch({link}, [](const std::string&) { return ""; });
  start(logPath, blind.get());
  const bool both = waitForRecords(2);
  end();  // the station stops before its watch goes
  ASSERT_TRUE(both) << shown();
  EXPECT_EQ(records().at(0)["outcome"], "vanished");
  EXPECT_EQ(records().at(1)["outcome"], "verified");
}

}  // namespace
}  // namespace tarnwick::flash
