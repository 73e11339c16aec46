// The USB serial bridge between the board's UART and the host, as the host
// meets it: when the bytes the board sent reach the host's port.
//
// Modelled (--adapter):
//   none     every byte reaches the host as the line delivers it (a
//            pseudo-terminal, a UART on the host's own bus).
//   ftdi     the chip gathers what the board sends and hands it to the host
//            in USB packets of at most 62 bytes (64 less its two status
//            bytes): a full packet goes at once, a partly filled one when
//            the latency timer fires. The timer runs periodically, every
//            --latency MS (16 unless given), from the bridge's start: a chip
//            sends its two status bytes at every expiry, data or not, and
//            counts again from there.
//   cdc-acm  the device hands over all it holds once per 1 ms USB frame,
//            in packets of 64 bytes.
// Not modelled: the host-to-board direction (commands reach the board as
// the line delivers them), the FTDI event character and modem-status
// changes that also end a packet, the timer being restarted by a full
// packet, USB bus load and scheduling jitter, the host driver's own buffering,
// and a bridge whose buffer overflows.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "board_port.h"

namespace boardsim {

enum class Adapter { kNone, kFtdi, kCdcAcm };

struct BridgeSettings {
  Adapter adapter = Adapter::kNone;
  std::chrono::milliseconds latency{16};  // the FTDI latency timer
};

class Bridge {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Bridge(BridgeSettings settings, Clock::time_point start = Clock::now());

  // The port the host reads; what the bridge held for an earlier one is lost.
  void attach(BoardPort& port);
  // Takes bytes the board's UART has finished sending at `now`. False when
  // the port would not take what was due.
  bool take(std::string_view bytes, Clock::time_point now);
  // Hands the host every packet due by `now`.
  bool deliverDue(Clock::time_point now);
  // When something held is due next; Clock::time_point::max() when nothing is held.
  Clock::time_point nextDue() const;
  bool holding() const { return !held_.empty(); }

 private:
  bool send(std::size_t count);
  std::size_t packetSize() const;
  Clock::duration period() const;

  BridgeSettings settings_;
  Clock::time_point start_;
  Clock::time_point nextTick_;
  BoardPort* port_ = nullptr;
  std::string held_;
};

// "none", "ftdi" or "cdc-acm"; false for any other name.
bool adapterNamed(const std::string& name, Adapter& adapter);

}  // namespace boardsim
