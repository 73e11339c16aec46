#include "hex_record.h"

namespace boardsim {
namespace {

constexpr std::size_t kHeaderBytes = 4;  // byte count, two address bytes, type

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::vector<std::uint8_t>> decodeBytes(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hexValue(digits[i]);
    const int low = hexValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

// The data length each type demands; -1 where any length will do.
int requiredLength(RecordType type) {
  switch (type) {
    case RecordType::kData:
      return -1;
    case RecordType::kEndOfFile:
      return 0;
    case RecordType::kExtendedSegmentAddress:
    case RecordType::kExtendedLinearAddress:
      return 2;
    case RecordType::kStartSegmentAddress:
    case RecordType::kStartLinearAddress:
      return 4;
  }
  return -1;
}

ParsedRecord refuse(std::string problem) {
  return ParsedRecord{std::nullopt, std::move(problem)};
}

}  // namespace

ParsedRecord parseRecord(std::string_view digits) {
  const auto bytes = decodeBytes(digits);
  if (!bytes) return refuse("not an even number of hex digits");
  if (bytes->size() < kHeaderBytes + 1) return refuse("too short");
  const std::size_t count = (*bytes)[0];
  if (bytes->size() != kHeaderBytes + count + 1) return refuse("byte count does not match");
  unsigned sum = 0;
  for (const std::uint8_t b : *bytes) sum += b;
  if (sum % 256 != 0) return refuse("checksum does not match");
  const std::uint8_t type = (*bytes)[3];
  if (type > static_cast<std::uint8_t>(RecordType::kStartLinearAddress)) {
    return refuse("unknown record type");
  }
  Record record;
  record.type = static_cast<RecordType>(type);
  record.offset = static_cast<std::uint16_t>((*bytes)[1] << 8 | (*bytes)[2]);
  record.data.assign(bytes->begin() + kHeaderBytes, bytes->end() - 1);
  const int length = requiredLength(record.type);
  if (length >= 0 && record.data.size() != static_cast<std::size_t>(length)) {
    return refuse("wrong length for its type");
  }
  return ParsedRecord{std::move(record), {}};
}

std::uint32_t bigEndianValue(const std::vector<std::uint8_t>& data, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count && i < data.size(); ++i) value = value << 8 | data[i];
  return value;
}

}  // namespace boardsim
