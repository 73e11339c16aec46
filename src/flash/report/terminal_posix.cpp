#include <unistd.h>

#include "flash/report/terminal.h"

namespace tarnwick::flash {

bool standardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

}  // namespace tarnwick::flash
