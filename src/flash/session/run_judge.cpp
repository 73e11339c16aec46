#include "flash/session/run_judge.h"

namespace tarnwick::flash {
namespace {

using download::AnswerKeyword;
using download::LineForm;
using download::LineNumber;

const char* passName(Pass pass) {
  return pass == Pass::Download ? "download" : "verify";
}

}  // namespace

void RunJudge::answer(AnswerKeyword keyword) {
  if (verdict_ != Verdict::Running) return;
  const bool atLastLine = inPass() && lastLine() == lines_;
  switch (keyword) {
    case AnswerKeyword::Error:
      verdict_ = Verdict::BoardRefused;
      return;
    case AnswerKeyword::PassEnd:
      passEnd();
      return;
    case AnswerKeyword::Ok:
      if (!inPass()) {
        broken("the board answered \"OK\" before it was sent a line");
      } else if (atLastLine) {
        broken("the board answered \"OK\" to line " + std::to_string(lines_) + " of " +
               std::to_string(lines_) + ", the last of the " + passName(pass()) +
               " pass, where \"DOWNLOAD\" ends it: the pass would start again from line 1");
      }
      return;
    case AnswerKeyword::Version:
      if (inPass()) {
        broken("the board answered \"VER=\" in " + afterLastLine() +
               ": a line would go out before the board had answered the one before it");
      }
      return;
    case AnswerKeyword::Format:
    case AnswerKeyword::None:
      return;
  }
}

void RunJudge::passEnd() {
  if (!inPass()) {
    broken("the board answered \"DOWNLOAD\" before the download pass began");
  } else if (lastLine() != lines_) {
    broken("the board ended " + afterLastLine());
  } else if (pass() == Pass::Verify) {
    passes_.back().ended = true;
    verdict_ = Verdict::Verified;
  } else {
    passes_.back().ended = true;
  }
}

void RunJudge::lineSent(LineNumber index, LineForm form) {
  if (verdict_ != Verdict::Running) return;
  const Pass sentIn = form == LineForm::Verify ? Pass::Verify : Pass::Download;
  // The download pass opens the run, the verify pass follows its end.
  const bool opensPass =
      index == 1 &&
      (passes_.empty() ? sentIn == Pass::Download : passes_.back().ended && sentIn == Pass::Verify);
  if (opensPass) {
    passes_.push_back(PassRecord{sentIn, 1, false});
    return;
  }
  if (inPass() && !passes_.back().ended && sentIn == pass() && index == lastLine() + 1) {
    passes_.back().linesSent = index;
    return;
  }
  broken("line " + std::to_string(index) + " went out in the " + passName(sentIn) +
         " form out of turn, " + (inPass() ? "in " + afterLastLine() : "before any pass"));
}

void RunJudge::broken(const std::string& fault) {
  verdict_ = Verdict::ProtocolBroken;
  fault_ = fault;
}

std::string RunJudge::afterLastLine() const {
  return std::string("the ") + passName(pass()) + " pass after line " + std::to_string(lastLine()) +
         " of " + std::to_string(lines_);
}

}  // namespace tarnwick::flash
