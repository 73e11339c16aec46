// Device paths watched by their existence: a link such as
// /dev/serial/by-path/... comes and goes with its device, and says what the
// port it leads to said of itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "serial/devices/device_watch.h"
#include "support/temp_folder.h"

namespace tarnwick::serial {
namespace {

using namespace std::chrono_literals;

TEST(PathWatch, ALinkIsPresentWhileItExistsWithWhatItsPortSaidWhenItCame) {
  testing::TempFolder folder;
  const std::string device = folder.write("ttyACM0", "");
  const std::string link = folder.file("usb-0:1.2:1.0");
  UsbPortIdentity usb{0x2341, 0x0043, "Maker", "Board", "S7", 0, "1-1.2"};
  std::vector<PortDescription> listed{{device, device, usb}};
  const auto watch = makePathWatch({link}, {}, [&] { return listed; });

  EXPECT_TRUE(watch->next(0ms).empty());  // not there at the start
  std::filesystem::create_symlink(device, link);
  std::vector<DeviceEvent> events;
  for (int look = 0; look < 40 && events.empty(); ++look) events = watch->next(100ms);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, DeviceEvent::Kind::Added);
  EXPECT_EQ(events[0].port.device, link);  // the name the user gave
  ASSERT_TRUE(events[0].port.usb);
  EXPECT_EQ(events[0].port.usb->serialNumber, "S7");

  listed.clear();  // the system forgets the port as the link goes
  std::filesystem::remove(link);
  events.clear();
  for (int look = 0; look < 40 && events.empty(); ++look) events = watch->next(100ms);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, DeviceEvent::Kind::Removed);
  ASSERT_TRUE(events[0].port.usb);
  EXPECT_EQ(events[0].port.usb->location, "1-1.2");
}

TEST(PathWatch, AnotherDeviceBehindThePathBetweenTwoLooksIsARemovalThenAnAddition) {
  testing::TempFolder folder;
  const std::string first = folder.write("ttyACM0", ""), second = folder.write("ttyACM1", "");
  const std::string link = folder.file("by-path");
  std::filesystem::create_symlink(first, link);
  UsbPortIdentity usb{0x2341, 0x0043, "Maker", "Board", "A", 0, "1-1.2"};
  std::vector<PortDescription> listed{{first, first, usb}, {"COM5", "COM5", usb}};
  const auto watch = makePathWatch(
      {link, "COM5"},
      [](const std::string& path) { return std::filesystem::canonical(path).string(); },
      [&] { return listed; }, false);
  const auto next = [&] {
    std::string seen;
    for (int look = 0; look < 40 && seen.empty(); ++look) {
      for (const auto& e : watch->next(100ms))
        seen += (e.kind == DeviceEvent::Kind::Added ? " +" : " -") + e.port.usb->serialNumber;
    }
    return seen;
  };
  EXPECT_EQ(next(), " +A +A");
  // Re-pointed in one step, never missing; another board took COM5.
  std::filesystem::create_symlink(second, folder.file("new"));
  std::filesystem::rename(folder.file("new"), link);
  listed = {{second, second, usb}, {"COM5", "COM5", usb}};
  listed[0].usb->serialNumber = "B";
  listed[1].usb->serialNumber = "C";
  EXPECT_EQ(next(), " -A -A +B +C");
}

// A station looks at its empty sockets for hours: the port list, slow to read
// on a small board, is asked only once a board is there.
TEST(PathWatch, AnEmptySocketIsLookedAtWithoutReadingThePortList) {
  testing::TempFolder folder;
  const std::string device = folder.write("ttyACM0", "");
  const std::string link = folder.file("usb-0:1.3:1.0");
  int reads = 0;
  const auto watch = makePathWatch(
      {link}, [](const std::string& path) { return path; },
      [&] {
        ++reads;
        return std::vector<PortDescription>{};
      },
      true);
  for (int look = 0; look < 3; ++look) EXPECT_TRUE(watch->next(300ms).empty());
  EXPECT_EQ(reads, 0);

  std::filesystem::create_symlink(device, link);
  std::vector<DeviceEvent> events;
  for (int look = 0; look < 40 && events.empty(); ++look) events = watch->next(100ms);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, DeviceEvent::Kind::Added);
  EXPECT_EQ(reads, 1);  // what the port said of itself, once, as it came
}

}  // namespace
}  // namespace tarnwick::serial
