#include "flash/station/station_record.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>

namespace tarnwick::flash {
namespace {

using Json = nlohmann::ordered_json;  // keys in a reader's order

Json textOrNull(const std::string& text) {
  return text.empty() ? Json() : Json(text);
}

std::string hex4(std::uint16_t value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(value));
  return digits;
}

// What the board's USB device said of itself, under the keys of --list --json.
void addBoard(Json& json, const serial::PortDescription& board) {
  const bool usb = board.usb.has_value();
  const serial::UsbPortIdentity identity = board.usb.value_or(serial::UsbPortIdentity{});
  json["location"] = textOrNull(identity.location);
  json["vid"] = usb ? Json(hex4(identity.vendorId)) : Json();
  json["pid"] = usb ? Json(hex4(identity.productId)) : Json();
  json["manufacturer"] = textOrNull(identity.manufacturer);
  json["product"] = textOrNull(identity.product);
  json["serial_number"] = textOrNull(identity.serialNumber);
}

}  // namespace

std::string utcTimestamp(std::chrono::system_clock::time_point when) {
  const auto sinceEpoch = when.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count();
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  const std::tm utc = utcCalendar(whole);
  char text[96];  // room for any int the calendar holds, as the compiler counts
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

std::string stationRecordJson(const StationRecord& record) {
  // The run's own report, read back: its keys and their meaning stay the
  // report's, whatever it comes to hold.
  const Json report = Json::parse(reportJson(record.report));
  Json json = {{"time", utcTimestamp(record.ended)}, {"host", textOrNull(record.host)}};
  json["device"] = report.value("device", Json());
  addBoard(json, record.board);
  json["file"] = record.report.file;
  json["file_size"] = record.image != nullptr ? record.image->bytes : 0;
  json["lines"] = record.image != nullptr ? record.image->sendLines : 0;
  json["sha256"] = record.image != nullptr ? Json(record.image->sha256) : Json();
  for (const auto& [key, value] : report.items()) {
    if (!json.contains(key)) json[key] = value;
  }
  return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tarnwick::flash
