// How many descriptors this process holds open: a load or a series of port
// attempts must leave the count as it found it.
#pragma once

namespace tarnwick::faults {

int openDescriptors();

}  // namespace tarnwick::faults
