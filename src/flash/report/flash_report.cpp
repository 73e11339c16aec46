#include "flash/report/flash_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flash/report/exit_codes.h"

namespace tarnwick::flash {
namespace {

using Json = nlohmann::ordered_json;  // keys in a reader's order

std::string dumped(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// Seconds to the millisecond: what a clock of this kind can say.
double milliseconds(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

Json textOrNull(const std::string& text) {
  return text.empty() ? Json() : Json(text);
}

Json passJson(const std::vector<PassRecord>& passes, Pass pass) {
  // A pass that started again (a broken protocol) shows its last round.
  const auto found = std::find_if(passes.rbegin(), passes.rend(),
                                  [pass](const PassRecord& record) { return record.pass == pass; });
  if (found == passes.rend()) return Json();
  return Json{{"lines_sent", found->linesSent}, {"ended", found->ended}};
}

Json errorLineJson(const FlashOutcome& outcome) {
  if (outcome.exitCode != kExitBoardError || outcome.errorLine < 1) return Json();
  return Json{
      {"number", outcome.errorLine},
      {"pass", outcome.passes.empty() || outcome.passes.back().pass == Pass::Download ? "download"
                                                                                      : "verify"},
      {"text", latin1ToUtf8(outcome.errorLineText)}};
}

Json boardJson(const BoardReport& report) {
  const FlashOutcome& outcome = report.outcome;
  Json json = {{"port", report.port},
               {"device", textOrNull(outcome.device)},
               {"file", textOrNull(report.file)},  // none with --info
               {"lines", outcome.lines},
               {"answer_end", textOrNull(outcome.answerEnd)},
               {"outcome", outcomeWord(outcome.exitCode)},
               {"exit_code", outcome.exitCode},
               {"message", textOrNull(outcome.message)},
               {"seconds", milliseconds(outcome.seconds)}};
  json["connect_seconds"] =
      outcome.connectSeconds < 0 ? Json() : Json(milliseconds(outcome.connectSeconds));
  json["download_pass"] = passJson(outcome.passes, Pass::Download);
  json["verify_pass"] = passJson(outcome.passes, Pass::Verify);
  json["board_info"] = outcome.boardInfo.empty() ? Json() : Json(latin1ToUtf8(outcome.boardInfo));
  json["error_line"] = errorLineJson(outcome);
  json["answer_delay_ms"] = outcome.answerDelayMs ? Json(*outcome.answerDelayMs) : Json();
  return json;
}

std::string cell(const std::string& text) {
  return text.empty() ? "-" : text;
}

}  // namespace

const char* outcomeWord(int exitCode) {
  switch (exitCode) {
    case kExitVerified:
      return "verified";
    case kExitPortUnavailable:
      return "unavailable";
    case kExitFileNotLoaded:
      return "file-not-loaded";
    case kExitBoardError:
      return "error";
    case kExitNoAnswer:
      return "no-answer";
    case kExitDeviceVanished:
      return "vanished";
    case kExitSeveralBoards:
      return "several-boards";
    case kExitProtocolBroken:
      return "protocol-broken";
    case kExitBoardFormat:
      return "format";
    case kExitInterrupted:
      return "interrupted";
    default:
      return "failed";
  }
}

std::string latin1ToUtf8(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

std::string reportJson(const BoardReport& report) {
  return dumped(boardJson(report));
}

std::string reportJson(const std::vector<BoardReport>& reports) {
  Json list = Json::array();
  for (const auto& report : reports) list.push_back(boardJson(report));
  return dumped(list);
}

std::string reportTable(const std::vector<BoardReport>& reports) {
  std::vector<std::vector<std::string>> rows{
      {"DEVICE", "LOCATION", "SERIAL", "OUTCOME", "CODE", "TIME"}};
  for (const auto& report : reports) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", report.outcome.seconds);
    rows.push_back({report.port, cell(report.location), cell(report.serialNumber),
                    outcomeWord(report.outcome.exitCode), std::to_string(report.outcome.exitCode),
                    seconds});
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line +=
          i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 2, ' ') : row[i];
    }
    table += line + "\n";
  }
  return table;
}

}  // namespace tarnwick::flash
