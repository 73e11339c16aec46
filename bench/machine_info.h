// What a benchmark table says about where and when it was made.
#pragma once

#include <string>

namespace tarnwick::bench {

// "CPU model, N cores, Linux release".
std::string machineDescription();
// "YYYY-MM-DD", local time.
std::string today();

}  // namespace tarnwick::bench
