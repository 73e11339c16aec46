// The simulated boot loader: what it answers to each command and what it does
// to its flash, with no faults and no timing (Board adds those).
//
//   "BOOTinfo"           -> "VER=" and a version
//   "BOOTg"              -> a text saying the program starts
//   "BOOT:" + record     -> checked and stored: "OK", or "DOWNLOAD" for the
//                           end-of-file record; a bad record "ERROR"
//   "BOOT#" + record     -> compared with the flash: "OK" or "ERROR", and
//                           "DOWNLOAD" for the end-of-file record
//   an empty line        -> no answer
//   anything else        -> "ERROR"
//
// The host acts on the first of "VER=", "ERROR", "DOWNLOAD", "FORMAT", "OK"
// found anywhere in an answer, so the version and start texts must hold none of
// them ("OK" inside a word counts): keep that in mind before editing them.
//
// Extended segment (02) and linear (04) address records set where later data
// records land, until the end-of-file record sets it back to 0 for the next pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "flash.h"
#include "hex_record.h"

namespace boardsim {

inline constexpr char kVersionAnswer[] = "VER=2.1 simulated board";
inline constexpr char kOk[] = "OK";
inline constexpr char kError[] = "ERROR";
inline constexpr char kPassEnd[] = "DOWNLOAD";

enum class CommandKind { kEmpty, kInfo, kStart, kDownloadRecord, kVerifyRecord, kUnknown };
CommandKind classify(std::string_view command);

struct Reply {
  std::string text;  // the answer without its CR LF; empty for no answer
  bool wroteFlash = false;
  bool endedRun = false;  // the end-of-file record of a verify pass
};

class BootLoader {
 public:
  Reply handle(std::string_view command);
  // Answers "ERROR" without looking at the command, and counts it.
  Reply refuse();

  const Flash& flash() const { return flash_; }
  std::size_t records() const { return records_; }  // sound records received
  std::size_t errors() const { return errors_; }    // "ERROR" answers decided

 private:
  Reply record(std::string_view digits, bool verify);
  Reply store(const Record& record);
  Reply compare(const Record& record);
  void setAddressState(const Record& record);
  std::uint32_t addressOf(std::uint16_t offset, std::size_t index) const;
  std::string startText() const;

  Flash flash_;
  std::uint32_t base_ = 0;
  bool segmented_ = false;  // segment addresses wrap within 64 KiB
  std::optional<std::uint32_t> startAddress_;
  std::size_t records_ = 0;
  std::size_t errors_ = 0;
};

}  // namespace boardsim
