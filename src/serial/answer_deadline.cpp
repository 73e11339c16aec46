#include "serial/answer_deadline.h"

#include <algorithm>

namespace tarnwick::serial {

AnswerDeadline::AnswerDeadline(const PortTimeouts& timeouts, std::uint64_t count,
                               Clock::time_point start)
    : answerGap_(timeouts.answerGap),
      lineEndQuiet_(timeouts.lineEndQuiet),
      limit_(start + timeouts.read.forBytes(count)),
      end_(limit_) {}

void AnswerDeadline::received(std::uint8_t lastByte, Clock::time_point now) {
  atLineEnd_ = lastByte == '\n' && lineEndQuiet_.count() > 0;
  const auto quiet = atLineEnd_ ? lineEndQuiet_ : answerGap_;
  // No gap at all: only the limit and a full buffer end the read.
  end_ = quiet.count() > 0 ? std::min(limit_, now + quiet) : limit_;
}

}  // namespace tarnwick::serial
