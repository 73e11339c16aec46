// Device paths watched by their existence: a link such as
// /dev/serial/by-path/... comes and goes with its device, and says what the
// port it leads to said of itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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

std::vector<DeviceEvent> nextEvents(DeviceWatch& watch) {
  std::vector<DeviceEvent> events;
  for (int look = 0; look < 40 && events.empty(); ++look) events = watch.next(100ms);
  return events;
}

TEST(PathWatch, AnotherDeviceBehindThePathBetweenTwoLooksIsARemovalAndAnAddition) {
  testing::TempFolder folder;
  const std::string first = folder.write("ttyACM0", "");
  const std::string second = folder.write("ttyACM1", "");
  const std::string link = folder.file("usb-0:1.2:1.0");
  std::filesystem::create_symlink(first, link);
  UsbPortIdentity a{0x2341, 0x0043, "Maker", "Board", "A", 0, "1-1.2"};
  UsbPortIdentity b{0x2341, 0x0043, "Maker", "Board", "B", 0, "1-1.2"};
  std::vector<PortDescription> listed{{first, first, a}, {second, second, b}, {"COM5", "COM5", a}};
  const auto watch = makePathWatch(
      {link, "COM5"},
      [](const std::string& path) { return std::filesystem::canonical(path).string(); },
      [&] { return listed; });
  ASSERT_EQ(nextEvents(*watch).size(), 2u);

  // Re-pointed at once, as a board back on a new port: never seen missing.
  std::filesystem::create_symlink(second, folder.file("new"));
  std::filesystem::rename(folder.file("new"), link);
  listed[2].usb->serialNumber = "C";  // another board took COM5
  auto events = nextEvents(*watch);
  ASSERT_EQ(events.size(), 4u);
  std::map<std::string, std::string> serialBy;
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(events[i].kind, DeviceEvent::Kind::Removed);
    EXPECT_EQ(events[i + 2].kind, DeviceEvent::Kind::Added);
    serialBy[events[i].port.device] += events[i].port.usb->serialNumber;
    serialBy[events[i + 2].port.device] += events[i + 2].port.usb->serialNumber;
  }
  EXPECT_EQ(serialBy[link], "AB");
  EXPECT_EQ(serialBy["COM5"], "AC");

  // Forgotten, it is added again by the next look that finds it.
  watch->forget(link);
  events = nextEvents(*watch);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, DeviceEvent::Kind::Added);
  EXPECT_EQ(events[0].port.device, link);
}

}  // namespace
}  // namespace tarnwick::serial
