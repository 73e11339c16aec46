#include "board.h"

#include <cctype>

namespace boardsim {
namespace {

constexpr char kFormat[] = "FORMAT";

bool isRecord(CommandKind kind) {
  return kind == CommandKind::kDownloadRecord || kind == CommandKind::kVerifyRecord;
}

}  // namespace

Response Board::respond(const Command& command, Clock::time_point now) {
  const CommandKind kind = command.badFraming ? CommandKind::kUnknown : classify(command.text);
  if (isRecord(kind)) ++recordNumber_;
  Response response;
  if (isRecord(kind) && recordNumber_ == faults_.hangUpAt) {
    response.hangUp = true;
    return response;
  }
  const Reply reply = decide(command);
  response.decided = reply.text;
  response.wroteFlash = reply.wroteFlash;
  response.endedRun = reply.endedRun;
  const bool muted =
      faults_.silent || (faults_.silentFrom != 0 && recordNumber_ >= faults_.silentFrom);
  if (reply.text.empty() || muted || withholding(kind, now) || dropping()) {
    return response;
  }
  response.pieces = frame(reply.text);
  return response;
}

Reply Board::decide(const Command& command) {
  if (command.badFraming) return loader_.refuse();
  const bool isThisRecord = isRecord(classify(command.text));
  if (isThisRecord && recordNumber_ == faults_.errorAt) return loader_.refuse();
  Reply reply = loader_.handle(command.text);
  if (isThisRecord && recordNumber_ == faults_.formatAt) reply.text = kFormat;
  if (faults_.okToEndOfFile && reply.text == kPassEnd) reply.text = kOk;
  return reply;
}

bool Board::withholding(CommandKind kind, Clock::time_point now) {
  if (kind != CommandKind::kInfo) return false;
  if (!firstInfo_) firstInfo_ = now;
  return now - *firstInfo_ < faults_.withholdVersion;
}

bool Board::dropping() {
  ++answerNumber_;
  return faults_.dropEvery != 0 && answerNumber_ % faults_.dropEvery == 0;
}

std::vector<Piece> Board::frame(std::string text) const {
  if (!faults_.versionText.empty() && text == kVersionAnswer) text = "VER=" + faults_.versionText;
  if (faults_.lowerCase) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const std::string burst(faults_.burstBytes, kBurstFiller);
  if (!faults_.splitAnswers) return {Piece{{}, burst + text + "\r\n"}};
  // Cut inside the text itself, so that a keyword is cut in two.
  const std::size_t cut = text.size() / 2;
  return {Piece{{}, burst + text.substr(0, cut)}, Piece{kSplitPause, text.substr(cut) + "\r\n"}};
}

}  // namespace boardsim
