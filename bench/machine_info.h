// What a benchmark table says about where and when it was made.
#pragma once

#include <string>

namespace tarnwick::bench {

// "CPU model, N cores, Linux release".
std::string machineDescription();
// "YYYY-MM-DD", local time.
std::string today();
// N of a command line "[--lines N]": `lines` without it, 0 when it is
// something else or N is below 2.
int linesOption(int argc, char* argv[], int lines);
// Puts this process and the children it starts from now on at a real-time
// priority (SCHED_FIFO 10), ahead of ordinary work; false where the system
// does not allow it. The simulator paces its answers byte by byte, and a byte
// written late on a busy machine splits an answer in two at a 2 ms gap.
bool runAheadOfOtherWork();
// Back to the ordinary priority, for this process and the children it starts.
void runAsOrdinaryWork();

}  // namespace tarnwick::bench
