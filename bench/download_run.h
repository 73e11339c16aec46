// One whole download and verify run of a HEX image through the window, timed
// against the bound the protocol sets for it.
//
// The bound: every line of both passes costs its command's bytes and its
// answer's bytes on the wire, at 10 bits a byte, plus the 20 ms of quiet with
// which the host's read ends; nothing else is needed.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::faults {
class Station;
}

namespace tarnwick::bench {

struct DownloadTiming {
  bool ended = false;  // the bar reached "END"
  long lines = 0;      // lines sent, both passes
  double seconds = 0;  // from the first line's write to the last answer's read
  double boundSeconds = 0;
};

// Connects, loads the file and runs it to "END" (or until `limitSeconds`).
DownloadTiming timeDownload(faults::Station& station, const std::string& hexPath,
                            double limitSeconds);

}  // namespace tarnwick::bench
