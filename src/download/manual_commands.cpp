// Info, Install and Send Text: one command line each, whatever the state.
#include "download/command_line.h"
#include "download/download_control.h"

namespace tarnwick::download {

void DownloadControl::infoClick() {
  port_.WritePort(commandLine(kInfoCommand));
}

void DownloadControl::installClick() {
  port_.WritePort(commandLine(kInstallCommand));
}

void DownloadControl::sendTextClick() {
  // The typed text keeps its characters up to the port: a character with no
  // 8-bit code must cost only the 255-character piece that holds it.
  std::u32string line = form_.sendText();
  line += U"\r\n";
  port_.WritePort(std::u32string_view(line));
}

}  // namespace tarnwick::download
