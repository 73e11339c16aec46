// The window's own figures: start-up time, load time of a file, and the CPU
// it uses while connected to a quiet line.
#pragma once

#include <string>

namespace tarnwick::faults {
class Station;
}

namespace tarnwick::bench {

// The child's part of the start-up measure: builds and shows the window as
// the program does, and prints the monotonic time at which it is exposed.
int showWindowAndSayWhen();

// Milliseconds from starting this program as a child with `startupArgument`
// to its window being exposed; the median of `runs`. Negative on failure.
double medianStartupMs(const std::string& program, const std::string& startupArgument, int runs);

// Milliseconds an Open File and Download click takes on a new window with
// no port: the first, with the table still empty, and the median of the
// `runs` that follow. Negative on failure.
struct LoadTimes {
  double firstMs = -1;
  double medianMs = -1;
};
LoadTimes timeLoads(const std::string& hexPath, int runs);

// Share of one core the process uses over `seconds` of a connected window
// whose line stays quiet.
double quietCpuShare(faults::Station& station, double seconds);

}  // namespace tarnwick::bench
