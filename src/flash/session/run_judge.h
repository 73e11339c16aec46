// Judges a run by what the handlers sent and what the board answered, never
// by what the window would show.
//
// A run is sound when the download pass sends lines 1 to N, each answered
// ("OK", and "DOWNLOAD" after line N), then the verify pass does the same,
// and the board's "DOWNLOAD" after its line N ends it. The judge is fed the
// handlers' events in their order (an answer comes before the lines its
// branch sends) and says at the first answer that breaks this what happened:
//   - "DOWNLOAD" before line N: the board ended the pass early (two images
//     joined into one file, each with its end-of-file record);
//   - "OK" (or "VER=") after line N: the pass would start again from line 1,
//     and a board that never says "DOWNLOAD" would be rewritten for ever;
//   - "VER=" in a pass, or "OK" before the first line: a line would go out
//     before the line before it was answered;
//   - a line the protocol does not lead to (a backstop; none is known).
// "ERROR" ends the run as the board's refusal, not as a broken protocol;
// "FORMAT" makes the run rest where it is; an answer without a keyword counts
// for nothing.
#pragma once

#include <string>
#include <vector>

#include "download/download_observer.h"
#include "flash/report/flash_outcome.h"
#include "flash/report/progress_report.h"

namespace tarnwick::flash {

enum class Verdict { Running, Verified, BoardRefused, ProtocolBroken };

class RunJudge {
 public:
  explicit RunJudge(download::LineNumber imageLines) : lines_(imageLines) {}

  void answer(download::AnswerKeyword keyword);
  void lineSent(download::LineNumber index, download::LineForm form);

  Verdict verdict() const { return verdict_; }
  // With ProtocolBroken, what the board did: "the board ended the download
  // pass after line 140 of 320".
  const std::string& fault() const { return fault_; }

  download::LineNumber lines() const { return lines_; }
  bool inPass() const { return !passes_.empty(); }
  Pass pass() const { return passes_.empty() ? Pass::Download : passes_.back().pass; }
  // The line sent last in the current pass; 0 before the first.
  download::LineNumber lastLine() const { return passes_.empty() ? 0 : passes_.back().linesSent; }
  const std::vector<PassRecord>& passes() const { return passes_; }

 private:
  void passEnd();
  void broken(const std::string& fault);
  std::string afterLastLine() const;  // "the download pass after line 3 of 5"

  download::LineNumber lines_;
  std::vector<PassRecord> passes_;
  Verdict verdict_ = Verdict::Running;
  std::string fault_;
};

}  // namespace tarnwick::flash
