#include <sys/ioctl.h>
#include <unistd.h>

#include "flash/report/terminal.h"

namespace tarnwick::flash {

bool standardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

std::size_t standardErrorColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace tarnwick::flash
