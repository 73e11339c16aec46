// The board as the host meets it: the boot loader's answers framed with CR LF,
// and the faults asked for on the command line applied on top.
//
// Counting: "record N" is the Nth command starting "BOOT:" or "BOOT#" since the
// simulator started, from 1, across both passes (a 100-line file's verify pass
// is records 101 to 200); "answer N" is the Nth answer the board would send.
// Both counts are deterministic for a given file, unlike the number of
// "BOOTinfo" polls, which depends on timing.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "boot_loader.h"
#include "command_framer.h"

namespace boardsim {

using Clock = std::chrono::steady_clock;

// Long enough for the host's read to end on its 20 ms quiet time in between.
inline constexpr std::chrono::milliseconds kSplitPause{100};
inline constexpr char kBurstFiller = '.';

struct Faults {
  bool silent = false;
  unsigned silentFrom = 0;  // record number from which nothing is answered; 0: never
  unsigned dropEvery = 0;   // 0: none
  unsigned errorAt = 0;     // record number; 0: none
  unsigned formatAt = 0;
  unsigned hangUpAt = 0;
  bool lowerCase = false;
  bool okToEndOfFile = false;  // "OK" where the end-of-file record ends a pass
  bool splitAnswers = false;
  unsigned burstBytes = 0;
  std::chrono::milliseconds withholdVersion{0};  // from the first "BOOTinfo"
  std::string versionText;                       // what follows "VER=" instead of ours
};

struct Piece {
  std::chrono::milliseconds pauseBefore{0};
  std::string bytes;
};

struct Response {
  std::vector<Piece> pieces;  // in order; none when nothing is sent
  std::string decided;        // the answer before faults that hide or alter it
  bool wroteFlash = false;
  bool endedRun = false;
  bool hangUp = false;  // close the port instead of answering
};

class Board {
 public:
  explicit Board(Faults faults) : faults_(faults) {}
  Response respond(const Command& command, Clock::time_point now);
  const BootLoader& loader() const { return loader_; }

 private:
  Reply decide(const Command& command);
  bool withholding(CommandKind kind, Clock::time_point now);
  bool dropping();
  std::vector<Piece> frame(std::string text) const;

  Faults faults_;
  BootLoader loader_;
  unsigned recordNumber_ = 0;
  unsigned answerNumber_ = 0;
  std::optional<Clock::time_point> firstInfo_;
};

}  // namespace boardsim
