#include "boot_loader.h"

#include <cstdio>

namespace boardsim {
namespace {

constexpr std::string_view kInfoCommand = "BOOTinfo";
constexpr std::string_view kStartCommand = "BOOTg";
constexpr std::string_view kDownloadPrefix = "BOOT:";
constexpr std::string_view kVerifyPrefix = "BOOT#";

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

CommandKind classify(std::string_view command) {
  if (command.empty()) return CommandKind::kEmpty;
  if (command == kInfoCommand) return CommandKind::kInfo;
  if (command == kStartCommand) return CommandKind::kStart;
  if (startsWith(command, kDownloadPrefix)) return CommandKind::kDownloadRecord;
  if (startsWith(command, kVerifyPrefix)) return CommandKind::kVerifyRecord;
  return CommandKind::kUnknown;
}

Reply BootLoader::handle(std::string_view command) {
  switch (classify(command)) {
    case CommandKind::kEmpty:
      return {};
    case CommandKind::kInfo:
      return Reply{kVersionAnswer};
    case CommandKind::kStart:
      return Reply{startText()};
    case CommandKind::kDownloadRecord:
      return record(command.substr(kDownloadPrefix.size()), false);
    case CommandKind::kVerifyRecord:
      return record(command.substr(kVerifyPrefix.size()), true);
    case CommandKind::kUnknown:
      break;
  }
  return refuse();
}

Reply BootLoader::refuse() {
  ++errors_;
  return Reply{kError};
}

Reply BootLoader::record(std::string_view digits, bool verify) {
  const ParsedRecord parsed = parseRecord(digits);
  if (!parsed.record) return refuse();
  ++records_;
  const Record& record = *parsed.record;
  switch (record.type) {
    case RecordType::kData:
      return verify ? compare(record) : store(record);
    case RecordType::kEndOfFile: {
      base_ = 0;
      segmented_ = false;
      Reply reply{kPassEnd};
      reply.endedRun = verify;
      return reply;
    }
    case RecordType::kStartSegmentAddress:
      startAddress_ =
          bigEndianValue(record.data, 2) * 16 + (bigEndianValue(record.data, 4) & 0xFFFF);
      return Reply{kOk};
    case RecordType::kStartLinearAddress:
      startAddress_ = bigEndianValue(record.data, 4);
      return Reply{kOk};
    case RecordType::kExtendedSegmentAddress:
    case RecordType::kExtendedLinearAddress:
      setAddressState(record);
      return Reply{kOk};
  }
  return refuse();
}

Reply BootLoader::store(const Record& record) {
  for (std::size_t i = 0; i < record.data.size(); ++i) {
    flash_.put(addressOf(record.offset, i), record.data[i]);
  }
  Reply reply{kOk};
  reply.wroteFlash = true;
  return reply;
}

Reply BootLoader::compare(const Record& record) {
  for (std::size_t i = 0; i < record.data.size(); ++i) {
    if (flash_.at(addressOf(record.offset, i)) != record.data[i]) return refuse();
  }
  return Reply{kOk};
}

void BootLoader::setAddressState(const Record& record) {
  segmented_ = record.type == RecordType::kExtendedSegmentAddress;
  const std::uint32_t value = bigEndianValue(record.data, 2);
  base_ = segmented_ ? value << 4 : value << 16;
}

std::uint32_t BootLoader::addressOf(std::uint16_t offset, std::size_t index) const {
  const std::uint32_t within = static_cast<std::uint32_t>(offset + index);
  return base_ + (segmented_ ? within & 0xFFFF : within);
}

std::string BootLoader::startText() const {
  char text[48];
  std::snprintf(text, sizeof text, "STARTING APPLICATION AT 0x%08X",
                static_cast<unsigned>(startAddress_.value_or(flash_.lowest())));
  return text;
}

}  // namespace boardsim
