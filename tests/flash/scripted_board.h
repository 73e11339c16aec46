// A boot loader played on the fake serial platform: it answers each command
// as the real one does, at once, and fails on request. With a fake clock, a
// whole run takes no real time.
#pragma once

#include <string>

#include "support/fake_platform.h"

namespace tarnwick::testing {

class ScriptedBoard : public FakePlatform {
 public:
  // Faults; a record is the Nth "BOOT:" or "BOOT#" command, from 1, across both passes.
  unsigned formatAt = 0;    // answer "FORMAT" to this record
  unsigned silentFrom = 0;  // answer nothing from this record on
  bool answersInfo = true;
  bool echoes = false;  // every command comes back as it went, and nothing else

  unsigned records = 0;
  int infoRequests = 0;

  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t n) override;

 private:
  void answerRecord(const std::string& command);
};

}  // namespace tarnwick::testing
