// How one run of the flasher ended and what it did: what a report (a line
// per board, a machine-readable record) is made from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "download/download_state.h"
#include "flash/report/exit_codes.h"
#include "flash/report/progress_report.h"

namespace tarnwick::flash {

// One pass as it went: the lines it sent and whether "DOWNLOAD" ended it.
struct PassRecord {
  Pass pass = Pass::Download;
  download::LineNumber linesSent = 0;
  bool ended = false;
};

struct FlashOutcome {
  int exitCode = kExitNoAnswer;
  std::string message;             // why the run ended, as printed; empty when verified
  download::LineNumber lines = 0;  // the lines each pass sends
  std::vector<PassRecord> passes;  // as they went, the download pass first
  std::string boardInfo;           // the board's first answer holding "VER="; --info's answer
  // With "ERROR": the line sent last in the pass it came in; 0 before any line.
  download::LineNumber errorLine = 0;
  std::string errorLineText;   // that line as sent, in download form
  double seconds = 0;          // from the first connection attempt to the end
  double connectSeconds = -1;  // from the first attempt to the connection; -1: none
  std::string answerEnd;       // what ended the board's answers: "line" or "quiet"
  std::string device;          // the device PORT named last; empty while a board name matched none
  // The median turnaround of the board's first answers, in ms; none before an answer.
  std::optional<double> answerDelayMs;
};

}  // namespace tarnwick::flash
