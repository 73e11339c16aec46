#include "flash/session/flash_options.h"

namespace tarnwick::flash {

const char* answerEndWord(serial::AnswerEnd end) {
  return end == serial::AnswerEnd::Line ? "line" : "quiet";
}

}  // namespace tarnwick::flash
