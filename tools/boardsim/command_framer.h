// Cuts the bytes from the host into commands. A command ends at CR LF, which
// the host always sends; a line that ends at a bare LF, or that grows past
// kMaxCommandBytes without a line end, is a framing fault that the board
// answers with "ERROR" (it checks the host rather than forgiving it).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace boardsim {

// "BOOT" + the longest record (255 data bytes: 521 characters) + CR LF, with room.
inline constexpr std::size_t kMaxCommandBytes = 1024;

struct Command {
  std::string text;  // without CR LF
  bool badFraming = false;
  std::size_t endsAt = 0;  // index in the fed chunk of the byte that completed it
};

class CommandFramer {
 public:
  std::vector<Command> feed(const char* bytes, std::size_t count);

 private:
  std::string pending_;
  bool discarding_ = false;  // after an overlong line, until its line end
};

}  // namespace boardsim
