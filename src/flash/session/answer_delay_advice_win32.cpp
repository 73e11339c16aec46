#include <string>

#include "flash/session/answer_delay_meter.h"

namespace tarnwick::flash {

std::string answerDelayAdvice(const std::string& device) {
  return "To shorten the wait, open Device Manager, then the port " + device +
         " (Ports (COM & LPT)), Properties, Port Settings, Advanced, and set Latency Timer "
         "(msec) to 1.";
}

}  // namespace tarnwick::flash
