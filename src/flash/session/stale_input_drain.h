// The flasher's way onto a port: the system's platform, with what waited on
// the line before the first command of each connection thrown away.
//
// Bytes can wait on a port before anything was asked: the "STARTING
// APPLICATION" of the last run's "BOOTg", a board's boot banner, a server's
// greeting. The window shows them with the first answer; the flasher would
// take them for the board's answer to "BOOTinfo" (printed by --info, kept as
// board_info). So before the first write after each open this platform reads
// with the shortest time-outs until nothing more comes, drops what it read,
// and puts the port's own time-outs back. The handlers and the port layer see
// the same calls and results as without it.
//
// Traps:
//   - A total read time-out of 0 means "wait for ever" on Windows: the drain
//     uses 1 ms.
//   - A board that talks without end must not hold the connection: the drain
//     stops after kMostDrained bytes and leaves the rest to the run's judge.
#pragma once

#include <cstddef>
#include <string>

#include "flash/session/forwarding_platform.h"
#include "serial/serial_platform.h"

namespace tarnwick::flash {

class StaleInputDrain : public ForwardingPlatform {
 public:
  static constexpr std::size_t kMostDrained = 64 * 1024;

  explicit StaleInputDrain(serial::SerialPlatform& system) : ForwardingPlatform(system) {}

  // The bytes the last drain threw away (at most its first 255).
  const std::string& drained() const { return drained_; }

  serial::PortHandle openExisting(const std::string& name) override;
  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) override;
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override;
  int close(serial::PortHandle port) override;

 private:
  void drain(serial::PortHandle port);

  serial::PortHandle fresh_ = serial::kInvalidPortHandle;  // opened, nothing written yet
  serial::PortTimeouts timeouts_{};                        // the port's own, as last set
  std::string drained_;
};

}  // namespace tarnwick::flash
