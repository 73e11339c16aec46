// A pseudo-terminal for tests: the program opens the slave by its path, the
// test plays the board on the master side.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tarnwick::testing {

class PtyPair {
 public:
  PtyPair();  // raw slave, master non-blocking; throws std::runtime_error on failure
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }

  // Writes every byte to the master side (the board speaking).
  void send(const std::string& bytes);
  // Collects what the program wrote until `count` bytes arrived or `limit` passed.
  std::string receive(std::size_t count, std::chrono::milliseconds limit);
  // Collects what arrives until the line is quiet for `quiet` (or `limit` passed).
  std::string receiveUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);
  // Closes the master: the device vanishes for whoever holds the slave.
  void hangUp();

 private:
  int master_ = -1;
  int slaveKeeper_ = -1;  // keeps the slave's settings alive between opens
  std::string slavePath_;
};

}  // namespace tarnwick::testing
