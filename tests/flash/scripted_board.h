// A boot loader played on the fake serial platform: it answers each command
// as the real one does, at once, and fails on request. With a fake clock, a
// whole run takes no real time.
#pragma once

#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace tarnwick::testing {

class ScriptedBoard : public FakePlatform {
 public:
  // Faults; a record is the Nth "BOOT:" or "BOOT#" command, from 1, across both passes.
  unsigned errorAt = 0;     // answer "ERROR" to this record
  unsigned formatAt = 0;    // answer "FORMAT" to this record
  unsigned silentFrom = 0;  // answer nothing from this record on
  unsigned vanishAt = 0;    // the device goes away on this record
  bool answersInfo = true;
  bool echoes = false;  // every command comes back as it went, and nothing else
  std::vector<std::string> infoAnswer{"VER=1.0 scripted\r\n"};  // one read per piece

  unsigned records = 0;
  int infoRequests = 0;
  bool vanished = false;

  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t n) override;
  bool deviceVanished(serial::PortHandle port) const override;

 private:
  void answerRecord(const std::string& command);
};

}  // namespace tarnwick::testing
