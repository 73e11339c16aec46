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

}  // namespace tarnwick::bench
