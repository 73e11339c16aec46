#include "serial/net/serial_platform_net.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <thread>

#include "serial/answer_deadline.h"
#include "serial/net/server_stream.h"
#include "serial/posix_wait.h"

namespace tarnwick::serial {
namespace {

using posix::waitForEvents;
using std::chrono::milliseconds;

constexpr std::size_t kScratchSize = 4096;
// Extra time a flush allows beyond the write rule for what is still owed.
constexpr milliseconds kFlushMargin{50};

std::string seconds(milliseconds span) {
  const auto whole = span.count() / 1000, rest = span.count() % 1000;
  return std::to_string(whole) + (rest == 0 ? "" : "." + std::to_string(rest / 100)) + " s";
}

// The resolver's error codes are negative in glibc and positive elsewhere;
// lastError() keeps them negative, apart from errno values.
constexpr bool kResolverCodesNegative = EAI_NONAME < 0;
int resolverError(int code) {
  return kResolverCodesNegative ? code : -code;
}

struct Endpoint {
  sockaddr_storage address{};
  socklen_t length = 0;
  int family = 0;
  int type = 0;
  int protocol = 0;
};

// 0, or the error: a negative resolver code, or errno.
int resolve(const NetworkAddress& address, std::vector<Endpoint>& endpoints) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int code = ::getaddrinfo(address.host.c_str(), address.service.c_str(), &hints, &list);
  if (code == EAI_SYSTEM) return errno != 0 ? errno : EIO;
  if (code != 0) return resolverError(code);
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    Endpoint endpoint;
    std::memcpy(&endpoint.address, entry->ai_addr, entry->ai_addrlen);
    endpoint.length = entry->ai_addrlen;
    endpoint.family = entry->ai_family;
    endpoint.type = entry->ai_socktype;
    endpoint.protocol = entry->ai_protocol;
    endpoints.push_back(endpoint);
  }
  ::freeaddrinfo(list);
  return endpoints.empty() ? resolverError(EAI_NONAME) : 0;
}

void setOption(int fd, int level, int name, int value) {
  ::setsockopt(fd, level, name, &value, sizeof value);
}

// Commands go out at once; a network that dies silently is noticed within
// seconds, as a pulled cable is, instead of after TCP's minutes.
void configureSocket(int fd) {
  setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPCNT, 3);
#ifdef TCP_USER_TIMEOUT
  setOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, 4000);  // ms of data left unacknowledged
#endif
}

// A server that sends with Nagle's algorithm (ser2net does by default) holds
// the rest of an answer until its first piece is acknowledged; a delayed
// acknowledgement (up to 40 ms) would split the answer at the read's quiet
// gap. The kernel turns quick acknowledgement off again by itself, so it is
// asked for after every receive.
void acknowledgeAtOnce(int fd) {
#ifdef TCP_QUICKACK
  setOption(fd, IPPROTO_TCP, TCP_QUICKACK, 1);
#else
  (void)fd;
#endif
}

}  // namespace

struct NetworkSerialPlatform::Connection {
  explicit Connection(NetworkProtocol protocol) : stream(protocol) {}
  int fd = -1;
  PortTimeouts timeouts;
  ServerStream stream;                            // what the server sent, and what we owe it
  std::string& outbox = stream.outbox();          // wire bytes still to send
  std::string& received = stream.received();      // bytes of the serial line not yet read
  TelnetComPort* const telnet = stream.telnet();  // rfc2217:// only
  bool lost = false;
  int lossError = 0;
  std::string lossReason;  // when the stream was not to be trusted
};

struct NetworkSerialPlatform::PendingConnect {
  std::string name;
  NetworkProtocol protocol = NetworkProtocol::RawTcp;
  std::vector<Endpoint> endpoints;
  std::size_t next = 0;         // the endpoint to try after the one under way
  int fd = -1;                  // the connection under way; -1 when every endpoint failed
  Clock::time_point startedAt;  // of the connection under way
  ~PendingConnect() {
    if (fd >= 0) ::close(fd);
  }
};

NetworkSerialPlatform::NetworkSerialPlatform() : scratch_(kScratchSize) {}

NetworkSerialPlatform::~NetworkSerialPlatform() {
  while (!connections_.empty()) close(connections_.begin()->first);
}

bool NetworkSerialPlatform::fail(int error) {
  lastError_ = error;
  return false;
}

bool NetworkSerialPlatform::failOpening(int error, const std::string& reason) {
  openError_ = error;
  openReason_ = reason;
  return fail(error);
}

OpenFailure NetworkSerialPlatform::lastOpenFailure() const {
  if (openError_ == 0) return {};
  return {OpenFailureKind::Unavailable, openReason_.empty() ? errorText(openError_) : openReason_};
}

std::string NetworkSerialPlatform::errorText(int number) {
  if (number < 0) return ::gai_strerror(kResolverCodesNegative ? number : -number);
  return std::strerror(number);
}

NetworkSerialPlatform::Connection* NetworkSerialPlatform::connectionOf(PortHandle port) {
  const auto found =
      port < 0 || port > INT_MAX ? connections_.end() : connections_.find(static_cast<int>(port));
  if (found == connections_.end()) {
    fail(EBADF);
    return nullptr;
  }
  return found->second.get();
}

PortHandle NetworkSerialPlatform::openExisting(const std::string& name) {
  const auto address = parseNetworkAddress(name);
  if (!address) {
    failOpening(EINVAL);
    return kInvalidPortHandle;
  }
  if (pending_ && pending_->name != name) pending_.reset();
  if (!pending_) {
    auto pending = std::make_unique<PendingConnect>();
    pending->name = name;
    pending->protocol = address->protocol;
    const int error = resolve(*address, pending->endpoints);
    if (error != 0 || !startConnect(*pending)) {
      failOpening(error != 0 ? error : lastError_);
      return kInvalidPortHandle;
    }
    pending_ = std::move(pending);
  }
  const PortHandle handle = finishConnect(*pending_, Clock::now() + kConnectWait);
  // Connected, or failed at every address: done with. Still under way: kept for the next attempt.
  if (handle != kInvalidPortHandle || pending_->fd < 0) pending_.reset();
  openError_ = handle == kInvalidPortHandle ? lastError_ : 0;
  openReason_.clear();
  return handle;
}

bool NetworkSerialPlatform::startConnect(PendingConnect& pending) {
  pending.fd = -1;
  while (pending.next < pending.endpoints.size()) {
    const Endpoint& endpoint = pending.endpoints[pending.next++];
    const int fd =
        ::socket(endpoint.family, endpoint.type | SOCK_NONBLOCK | SOCK_CLOEXEC, endpoint.protocol);
    if (fd < 0) {
      fail(errno);
      continue;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&endpoint.address), endpoint.length) == 0 ||
        errno == EINPROGRESS) {
      pending.fd = fd;
      pending.startedAt = Clock::now();
      return true;
    }
    fail(errno);
    ::close(fd);
  }
  return false;
}

PortHandle NetworkSerialPlatform::finishConnect(PendingConnect& pending,
                                                Clock::time_point deadline) {
  while (pending.fd >= 0) {
    short revents = 0;
    int error = 0;
    if (!waitForEvents(pending.fd, POLLOUT, deadline, revents, error)) {
      fail(ETIMEDOUT);  // still under way
      // A name with an address that never answers (an IPv6 route that goes
      // nowhere, say) must not hold up its other addresses for TCP's minutes.
      if (Clock::now() - pending.startedAt >= kAddressPatience &&
          pending.next < pending.endpoints.size()) {
        ::close(pending.fd);
        startConnect(pending);
      }
      return kInvalidPortHandle;
    }
    socklen_t length = sizeof error;
    if (error == 0) ::getsockopt(pending.fd, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error == 0) {
      const int fd = pending.fd;
      pending.fd = -1;
      return adopt(fd, pending.protocol);
    }
    fail(error);  // refused, unreachable: the next address, if there is one
    ::close(pending.fd);
    startConnect(pending);
  }
  return kInvalidPortHandle;
}

PortHandle NetworkSerialPlatform::adopt(int fd, NetworkProtocol protocol) {
  configureSocket(fd);
  auto connection = std::make_unique<Connection>(protocol);
  connection->fd = fd;
  Connection& added = *connection;
  connections_[fd] = std::move(connection);
  sendOutbox(added, Clock::now());  // our Telnet offers
  return fd;
}

bool NetworkSerialPlatform::setTimeouts(PortHandle port, const PortTimeouts& timeouts) {
  Connection* connection = connectionOf(port);
  if (connection == nullptr) return false;
  connection->timeouts = timeouts;
  return true;
}

bool NetworkSerialPlatform::readLineMode(const std::string& mode, LineMode& line) {
  if (!parseLineMode(mode, line)) return failOpening(EINVAL);
  return true;
}

bool NetworkSerialPlatform::applyLineMode(PortHandle port, const LineMode& line) {
  Connection* connection = connectionOf(port);
  if (connection == nullptr) return false;
  // A raw TCP server serves the line as its own configuration sets it.
  if (!connection->telnet) return true;
  std::string reason;
  if (negotiate(*connection, line, reason)) return true;
  return failOpening(lastError_, reason);
}

bool NetworkSerialPlatform::negotiate(Connection& connection, const LineMode& mode,
                                      std::string& reason) {
  TelnetComPort& telnet = *connection.telnet;
  const auto deadline = Clock::now() + kNegotiationLimit;
  const auto waitWhile = [&](auto unsettled) {
    while (unsettled() && !connection.lost && Clock::now() < deadline) pump(connection, deadline);
  };
  const auto lost = [&] {
    reason = connection.lossReason;
    return fail(connection.lossError);
  };
  waitWhile([&] { return telnet.comPortOption() == TelnetComPort::ComPortOption::Pending; });
  if (connection.lost) return lost();
  if (telnet.comPortOption() == TelnetComPort::ComPortOption::Refused) {
    reason = "the server refused RFC 2217's COM-PORT-OPTION (a raw TCP port is socket://)";
    return fail(EPROTONOSUPPORT);
  }
  if (telnet.comPortOption() != TelnetComPort::ComPortOption::Agreed) {
    reason =
        "the server did not answer RFC 2217's COM-PORT-OPTION within " + seconds(kNegotiationLimit);
    return fail(ETIMEDOUT);
  }
  telnet.requestLineSettings(mode);
  sendOutbox(connection, deadline);
  waitWhile([&] { return telnet.settings() == TelnetComPort::Settings::Pending; });
  if (connection.lost) return lost();
  switch (telnet.settings()) {
    case TelnetComPort::Settings::Confirmed:
      return true;
    case TelnetComPort::Settings::Differ:
      reason = telnet.settingsDifference();
      return fail(EINVAL);
    default:
      reason = "the server did not answer the line settings within " + seconds(kNegotiationLimit);
      return fail(ETIMEDOUT);
  }
}

void NetworkSerialPlatform::lose(Connection& connection, int error) {
  connection.lost = true;
  connection.lossError = error;
  fail(error);
}

bool NetworkSerialPlatform::pump(Connection& connection, Clock::time_point deadline) {
  short revents = 0;
  int error = 0;
  if (!waitForEvents(connection.fd, POLLIN, deadline, revents, error)) return false;
  const ssize_t n = ::recv(connection.fd, scratch_.data(), scratch_.size(), 0);
  if (n > 0) {
    acknowledgeAtOnce(connection.fd);
    if (!connection.stream.receive(scratch_.data(), static_cast<std::size_t>(n))) {
      connection.lossReason = connection.stream.failure();
      lose(connection, EPROTO);
      return false;
    }
    sendOutbox(connection, Clock::now());  // the Telnet replies, if any
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  // The server closed the connection, or the network broke it.
  lose(connection, n == 0 ? ECONNRESET : errno);
  return false;
}

bool NetworkSerialPlatform::sendOutbox(Connection& connection, Clock::time_point deadline) {
  while (!connection.outbox.empty()) {
    if (connection.lost) return false;
    const ssize_t n =
        ::send(connection.fd, connection.outbox.data(), connection.outbox.size(), MSG_NOSIGNAL);
    if (n > 0) {
      connection.outbox.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      lose(connection, errno);
      return false;
    }
    short revents = 0;
    int error = 0;
    if (!waitForEvents(connection.fd, POLLOUT, deadline, revents, error)) return false;
  }
  return true;
}

std::uint32_t NetworkSerialPlatform::read(PortHandle port, std::uint8_t* buffer,
                                          std::uint32_t count) {
  Connection* connection = connectionOf(port);
  if (connection == nullptr || count == 0) return 0;
  sendOutbox(*connection, Clock::now());
  AnswerDeadline deadline(connection->timeouts, count);
  std::uint32_t received = 0;
  for (;;) {
    std::string& waiting = connection->received;
    const auto take =
        static_cast<std::uint32_t>(std::min<std::size_t>(count - received, waiting.size()));
    if (take > 0) {
      std::memcpy(buffer + received, waiting.data(), take);
      waiting.erase(0, take);
      received += take;
      deadline.received(buffer[received - 1]);
    }
    if (received == count) break;
    if (connection->lost) {
      // Gone for good: it would say so at once on every call. Waiting out the
      // deadline keeps a caller that reads in a loop from spinning.
      fail(connection->lossError);
      std::this_thread::sleep_until(deadline.end());
      break;
    }
    // Telnet negotiation alone brings no byte of the line and leaves the deadline as it is.
    if (!pump(*connection, deadline.end()) && !connection->lost) break;
  }
  return received;
}

std::uint32_t NetworkSerialPlatform::write(PortHandle port, const std::uint8_t* buffer,
                                           std::uint32_t count) {
  Connection* connection = connectionOf(port);
  if (connection == nullptr || count == 0) return 0;
  if (connection->lost) {
    fail(connection->lossError);
    return 0;
  }
  const auto end = Clock::now() + connection->timeouts.write.forBytes(count);
  if (!sendOutbox(*connection, end)) return 0;  // what an earlier call owes is still stuck
  if (connection->telnet) {
    connection->telnet->send(buffer, count);
  } else {
    connection->outbox.append(reinterpret_cast<const char*>(buffer), count);
  }
  const std::size_t wireSize = connection->outbox.size();
  if (sendOutbox(*connection, end)) return count;

  // Cut short: count the bytes that went whole. The rest is not sent again,
  // but half of an escaped 255 must be completed, or the server would take
  // the next byte for a Telnet command.
  if (!connection->lost) fail(ETIMEDOUT);
  const std::size_t wireSent = wireSize - connection->outbox.size();
  std::size_t wire = 0;
  std::uint32_t taken = 0;
  while (taken < count) {
    const std::size_t size = connection->telnet && buffer[taken] == 0xFF ? 2 : 1;
    if (wire + size > wireSent) break;
    wire += size;
    ++taken;
  }
  connection->outbox.resize(wireSent > wire ? 1 : 0);
  return taken;
}

void NetworkSerialPlatform::flush(PortHandle port) {
  Connection* connection = connectionOf(port);
  if (connection == nullptr) return;
  sendOutbox(
      *connection,
      Clock::now() + connection->timeouts.write.forBytes(connection->outbox.size()) + kFlushMargin);
}

int NetworkSerialPlatform::close(PortHandle port) {
  if (connectionOf(port) == nullptr) return 0;
  flush(port);
  const int fd = static_cast<int>(port);
  connections_.erase(fd);
  ::close(fd);
  return 1;
}

bool NetworkSerialPlatform::deviceVanished(PortHandle port) const {
  if (port < 0 || port > INT_MAX) return false;
  const auto found = connections_.find(static_cast<int>(port));
  if (found == connections_.end()) return false;
  const Connection& connection = *found->second;
  // What the server sent before it went is still the board's and is read first.
  if (!connection.received.empty()) return false;
  if (connection.lost) return true;
  const int savedErrno = errno;
  pollfd entry{connection.fd, POLLIN, 0};
  const timespec noWait{};
  const int ready = ::ppoll(&entry, 1, &noWait, nullptr);
  errno = savedErrno;
  return ready > 0 && (entry.revents & (POLLHUP | POLLERR)) != 0 && (entry.revents & POLLIN) == 0;
}

std::unique_ptr<SerialPlatform> makeNetworkSerialPlatform() {
  return std::make_unique<NetworkSerialPlatform>();
}

}  // namespace tarnwick::serial
