#include "line_pacer.h"

#include <algorithm>
#include <thread>

namespace boardsim {
namespace {

// Unpaced, a long answer still goes out in pieces, so that a stop is seen
// between two of them even while the host keeps taking them.
constexpr std::size_t kUnpacedPiece = 1024;

bool sendUnpaced(Bridge& bridge, std::string_view bytes, const std::function<bool()>& stopped) {
  for (std::size_t at = 0; at < bytes.size(); at += kUnpacedPiece) {
    if (stopped && stopped()) return false;
    if (!bridge.take(bytes.substr(at, kUnpacedPiece), PaceClock::now())) return false;
  }
  return true;
}

}  // namespace

void InputClock::chunkRead(PaceClock::time_point now, std::size_t count) {
  chunkStart_ = std::max(now, lineFree_);
  lineFree_ = chunkStart_ + kByteTime * static_cast<long>(count);
}

PaceClock::time_point InputClock::arrivalOf(std::size_t index) const {
  return chunkStart_ + kByteTime * static_cast<long>(index + 1);
}

bool OutputPacer::send(Bridge& bridge, std::string_view bytes,
                       const std::function<bool()>& stopped) {
  if (!paced_) return sendUnpaced(bridge, bytes, stopped);
  const PaceClock::time_point start = std::max(PaceClock::now(), lineFree_);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (stopped && stopped()) return false;
    // Write every byte whose time has come in one go; sleeping per byte would
    // overshoot, as sleeps of 87 us are not that precise.
    const auto now = PaceClock::now();
    const std::size_t due =
        std::min<std::size_t>(bytes.size(), static_cast<std::size_t>((now - start) / kByteTime));
    if (due > sent) {
      if (!bridge.take(bytes.substr(sent, due - sent), now)) return false;
      sent = due;
      continue;
    }
    std::this_thread::sleep_until(start + kByteTime * static_cast<long>(sent + 1));
  }
  lineFree_ = start + kByteTime * static_cast<long>(bytes.size());
  return true;
}

}  // namespace boardsim
