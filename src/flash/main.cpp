// tarnwick-flash: the download of the window, without the window, for
// scripts and production benches. See flash_session.h for how a run goes and
// flash_options.cpp for the command line and the exit codes.
#include <cstdio>
#include <iostream>

#include "flash/flash_options.h"
#include "flash/flash_session.h"
#include "flash/stop_request.h"
#include "serial/serial_platform_factory.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool standardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace tarnwick::flash;
  const ParsedCommandLine parsed = parseCommandLine(argc, argv);
  if (!parsed.options) {
    (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.text << std::flush;
    return parsed.exitCode;
  }
  installStopSignals();
  const FlashOptions& options = *parsed.options;
  const ProgressStyle style = options.quiet               ? ProgressStyle::Quiet
                              : standardErrorIsTerminal() ? ProgressStyle::Terminal
                                                          : ProgressStyle::Lines;
  ProgressReport progress(std::cerr, style, options.verbose);
  const auto platform = tarnwick::serial::makeSerialPlatformFor(options.port);
  FlashSession session(options, *platform, progress, std::cout);
  return session.run();
}
