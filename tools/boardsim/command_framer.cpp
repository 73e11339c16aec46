#include "command_framer.h"

namespace boardsim {

std::vector<Command> CommandFramer::feed(const char* bytes, std::size_t count) {
  std::vector<Command> commands;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\n') {
      if (!discarding_) {
        const bool crlf = !pending_.empty() && pending_.back() == '\r';
        if (crlf) pending_.pop_back();
        commands.push_back(Command{pending_, !crlf, i});
      }
      pending_.clear();
      discarding_ = false;
      continue;
    }
    if (discarding_) continue;
    pending_.push_back(c);
    if (pending_.size() > kMaxCommandBytes) {
      commands.push_back(Command{{}, true, i});
      pending_.clear();
      discarding_ = true;
    }
  }
  return commands;
}

}  // namespace boardsim
