#include "flash/gang/gang_run.h"

#include <algorithm>
#include <sstream>
#include <thread>

#include "flash/report/board_display.h"
#include "flash/report/terminal.h"
#include "flash/session/flash_session.h"
#include "flash/session/hex_image.h"
#include "serial/devices/board_name.h"

namespace tarnwick::flash {
namespace {

std::vector<std::string> commaItems(const std::string& text) {
  std::vector<std::string> items;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) items.push_back(item);
  return items;
}

// The system's description of a device named in a list, or the bare name.
serial::PortDescription describe(const std::string& device,
                                 const std::vector<serial::PortDescription>& ports) {
  for (const auto& port : ports) {
    if (port.device == device || port.openName == device) return port;
  }
  return serial::PortDescription{device, device, std::nullopt};
}

BoardReport flashBoard(const FlashOptions& gangOptions, const serial::PortDescription& board,
                       const std::shared_ptr<const HexImage>& image, ProgressSink& sink,
                       ProgressStyle style, const PlatformMaker& makePlatform) {
  FlashOptions options = gangOptions;
  options.every = false;
  options.port = board.openName;
  ProgressReport progress(sink, style, options.verbose);
  const auto platform = makePlatform(board.openName);
  std::ostringstream unused;  // --info, which goes alone, writes here
  FlashSession session(options, *platform, progress, unused);
  if (image) session.useImage(image);
  session.run();
  BoardReport report{board.device, options.hexFile, {}, {}, session.outcome()};
  report.outcome.device = board.device;
  if (board.usb) {
    report.location = board.usb->location;
    report.serialNumber = board.usb->serialNumber;
  }
  return report;
}

}  // namespace

std::vector<serial::PortDescription> gangBoards(const std::string& match,
                                                const PortLister& lister) {
  std::string error;
  if (serial::isBoardName(match)) {
    const auto board = serial::parseBoardName(match, error);
    if (!board) return {};
    return serial::resolveBoardName(*board, lister()).ports;
  }
  const std::vector<serial::PortDescription> ports = lister();
  std::vector<serial::PortDescription> boards;
  for (const auto& device : commaItems(match)) boards.push_back(describe(device, ports));
  return boards;
}

std::vector<BoardReport> runGang(const FlashOptions& options,
                                 const std::vector<serial::PortDescription>& boards,
                                 ProgressStyle style, std::ostream& progress,
                                 const PlatformMaker& makePlatform) {
  std::vector<std::string> devices;
  for (const auto& board : boards) devices.push_back(board.device);
  BoardDisplay display(progress, style == ProgressStyle::Terminal, devices, standardErrorColumns);
  // One read of the file for every board; a file that does not load is left
  // to each session, which reports it as its own outcome.
  std::shared_ptr<const HexImage> image;
  if (!options.info)
    image = loadHexImage(options.hexFile, options.check, kFlasherLimits.maxLines).image;
  std::vector<BoardReport> reports(boards.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < boards.size(); ++i) {
    threads.emplace_back([&, i] {
      reports[i] = flashBoard(options, boards[i], image, display.row(i), style, makePlatform);
    });
  }
  for (auto& thread : threads) thread.join();
  return reports;
}

int gangExitCode(const std::vector<BoardReport>& reports) {
  int code = 0;
  for (const auto& report : reports) code = std::max(code, report.outcome.exitCode);
  return code;
}

}  // namespace tarnwick::flash
