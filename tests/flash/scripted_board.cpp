#include "scripted_board.h"

namespace tarnwick::testing {

std::uint32_t ScriptedBoard::write(serial::PortHandle port, const std::uint8_t* buffer,
                                   std::uint32_t n) {
  const std::uint32_t taken = FakePlatform::write(port, buffer, n);
  std::string command(reinterpret_cast<const char*>(buffer), taken);
  if (echoes) {
    reads.push_back(command);
    return taken;
  }
  if (command.size() < 2 || command.compare(command.size() - 2, 2, "\r\n") != 0) return taken;
  command.resize(command.size() - 2);
  if (command == "BOOTinfo") {
    ++infoRequests;
    if (answersInfo) reads.push_back("VER=1.0 scripted\r\n");
  } else if (command.rfind("BOOT:", 0) == 0 || command.rfind("BOOT#", 0) == 0) {
    answerRecord(command);
  }
  return taken;
}

void ScriptedBoard::answerRecord(const std::string& command) {
  ++records;
  if (silentFrom != 0 && records >= silentFrom) return;
  if (records == formatAt) {
    reads.push_back("FORMAT\r\n");
  } else {
    const bool endOfFile = command.find("00000001FF") != std::string::npos;
    reads.push_back(endOfFile ? "DOWNLOAD\r\n" : "OK\r\n");
  }
}

}  // namespace tarnwick::testing
