// The system's port list and board names over udev, on fake hardware: run
// under umockdev-run with devices/bench.umockdev (an Arduino-like CDC-ACM
// board, an FTDI adapter, a real and a phantom ttyS, a virtual console) or
// devices/twins.umockdev (two boards of one kind without serial numbers).
// The flasher, started from here, sees the same fake hardware.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "flash/report/port_list.h"
#include "serial/devices/board_name.h"
#include "serial/devices/port_enumeration.h"
#include "support/board_sim.h"
#include "support/child_process.h"

namespace tarnwick::serial {
namespace {

std::vector<std::string> devicesOf(const std::vector<PortDescription>& ports) {
  std::vector<std::string> devices;
  for (const auto& port : ports) devices.push_back(port.device);
  return devices;
}

struct FlasherRun {
  int exitCode;
  std::string out, err;
  double seconds;
};

FlasherRun runFlasher(std::vector<std::string> args) {
  using namespace std::chrono_literals;
  args.insert(args.begin(), FLASH_PROGRAM);
  testing::ChildProcess flasher(args);
  EXPECT_TRUE(flasher.waitForExit(60s)) << "the flasher did not end";
  return FlasherRun{flasher.exitCode(), flasher.output(), flasher.errorOutput(),
                    flasher.runTime().count()};
}

BoardResolution resolve(const std::string& name) {
  std::string error;
  const auto board = parseBoardName(name, error);
  EXPECT_TRUE(board) << name << ": " << error;
  return board ? resolveBoardName(*board, listSerialPorts()) : BoardResolution{};
}

TEST(BenchPorts, ListsTheUsbPortsAndRealUartsOnlyWithWhatTheySayOfThemselves) {
  const auto ports = listSerialPorts();
  ASSERT_EQ(devicesOf(ports),
            (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_FALSE(ports[1].usb);

  const auto json = nlohmann::json::parse(flash::formatPortListJson(ports));
  ASSERT_EQ(json.size(), 3u);
  const auto board = nlohmann::json::parse(R"json({"device": "/dev/ttyACM0", "usb": true,
      "vid": "2341", "pid": "0043", "manufacturer": "Arduino (www.arduino.cc)",
      "product": "Uno R3 bootloader", "serial_number": "85736323838351F0E1A1",
      "interface": 0, "location": "1-2.3", "latency_timer_ms": null})json");
  const auto uart = nlohmann::json::parse(R"json({"device": "/dev/ttyS0", "usb": false,
      "vid": null, "pid": null, "manufacturer": null, "product": null,
      "serial_number": null, "interface": null, "location": null,
      "latency_timer_ms": null})json");
  EXPECT_EQ(json[0], board);
  EXPECT_EQ(json[1], uart);
  EXPECT_EQ(json[2]["vid"], "0403");
  EXPECT_EQ(json[2]["serial_number"], "A50285BI");
  EXPECT_EQ(json[2]["location"], "1-4");

  const std::string list = flash::formatPortList(ports);
  EXPECT_NE(list.find("/dev/ttyUSB0  0403:6001  FTDI  FT232R USB UART  serial:A50285BI  "
                      "interface 0  usb-path:1-4\n"),
            std::string::npos)
      << list;
  EXPECT_NE(list.find("\n/dev/ttyS0\n"), std::string::npos) << list;
}

TEST(BenchPorts, TheFlasherListsThePortsForAPersonAndAsJson) {
  const auto ports = listSerialPorts();
  FlasherRun run = runFlasher({"--list"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, flash::formatPortList(ports));
  EXPECT_NE(run.out.find("/dev/ttyACM0  2341:0043"), std::string::npos) << run.out;
  run = runFlasher({"--list", "--json"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(nlohmann::json::parse(run.out),
            nlohmann::json::parse(flash::formatPortListJson(ports)));
}

TEST(BenchPorts, BoardNamesPickTheirBoard) {
  const struct {
    const char* name;
    std::vector<std::string> devices;
  } cases[] = {
      {"usb:2341:0043", {"/dev/ttyACM0"}}, {"usb:0403:6001:A50285BI", {"/dev/ttyUSB0"}},
      {"usb:0403:6001:A50285BJ", {}},      {"serial:85736323838351F0E1A1", {"/dev/ttyACM0"}},
      {"usb-path:1-4", {"/dev/ttyUSB0"}},  {"usb-path:1-2", {}},  // the hub, not a board
  };
  for (const auto& c : cases) {
    const auto found = resolve(c.name);
    EXPECT_EQ(devicesOf(found.ports), c.devices) << c.name;
    EXPECT_EQ(found.match, c.devices.empty() ? BoardMatch::None : BoardMatch::One) << c.name;
  }
}

TEST(TwinBoards, TheSameKindWithoutSerialIsAmbiguousButTheirSocketsAreNot) {
  const auto both = resolve("usb:2341:0043");
  EXPECT_EQ(both.match, BoardMatch::Several);
  EXPECT_EQ(devicesOf(both.ports), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyACM1"}));
  EXPECT_EQ(devicesOf(resolve("usb-path:1-2.2").ports), std::vector<std::string>{"/dev/ttyACM1"});
}

TEST(TwinBoards, TheFlasherEndsAtOnceWith7AndNamesBoth) {
  const FlasherRun run = runFlasher({"usb:2341:0043", testing::firmwareFile("avr_blink.hex")});
  EXPECT_EQ(run.exitCode, 7) << run.err;
  EXPECT_NE(run.err.find("usb:2341:0043 matches 2 ports"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\n/dev/ttyACM0  2341:0043"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\n/dev/ttyACM1  2341:0043"), std::string::npos) << run.err;
  EXPECT_LT(run.seconds, 10.0);  // not the 20 s of attempts
}

}  // namespace
}  // namespace tarnwick::serial
