// The same exchange as a download run, with no window: the serial link
// alone sends each line as soon as the last answer is in. What it costs
// above the protocol's bound is what the board simulator, the
// pseudo-terminal and the system's timers cost; the rest of a window run's
// cost is the program's own.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::bench {

struct BareTiming {
  bool complete = false;  // every line had its answer
  long lines = 0;
  double seconds = 0;
  double boundSeconds = 0;
};

// Both passes of these lines against a new board simulator.
BareTiming timeBareLink(const std::vector<std::string>& lines, const std::string& folder);

}  // namespace tarnwick::bench
