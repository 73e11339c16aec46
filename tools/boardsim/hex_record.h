// One Intel HEX record as the simulated boot loader receives it: the text after
// the start code (":" in the download form, "#" in the verify form), without
// the line end.
//
// parseRecord checks what a record says about itself: hex digits only, an even
// count of them, the byte count against the data, the checksum, a known record
// type (00 to 05) and the length each type demands. Where the data lands (the
// extended address of earlier records) is the boot loader's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boardsim {

enum class RecordType : std::uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kExtendedSegmentAddress = 0x02,
  kStartSegmentAddress = 0x03,
  kExtendedLinearAddress = 0x04,
  kStartLinearAddress = 0x05,
};

struct Record {
  RecordType type = RecordType::kData;
  std::uint16_t offset = 0;
  std::vector<std::uint8_t> data;
};

struct ParsedRecord {
  std::optional<Record> record;  // empty when the text is not a sound record
  std::string problem;           // why not, for the log
};

ParsedRecord parseRecord(std::string_view digits);

// The big-endian value of the first `count` data bytes (address records).
std::uint32_t bigEndianValue(const std::vector<std::uint8_t>& data, std::size_t count);

}  // namespace boardsim
