#include "platform/dispatch/remote.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/rtl/errors.h"

namespace pellor {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A deadline `timeoutMs` from now; 0 stands for none.
int64_t DeadlineAfter(int timeoutMs) { return timeoutMs > 0 ? NowMs() + timeoutMs : 0; }

// What poll should wait for until `deadlineMs`: -1 for ever, else at least 0.
int PollTimeout(int64_t deadlineMs) {
  if (deadlineMs == 0) return -1;
  const int64_t left = deadlineMs - NowMs();
  if (left <= 0) return 0;
  return static_cast<int>(std::min<int64_t>(left, 1 << 30));
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string PeerText(const std::string& host, int port) {
  // An IPv6 literal needs brackets before the port to stay readable.
  if (host.find(':') != std::string::npos) return "[" + host + "]:" + std::to_string(port);
  return host + ":" + std::to_string(port);
}

void SetOption(int fd, int level, int name, int value) {
  // A tuning option the system refuses is no reason to refuse the connection.
  (void)setsockopt(fd, level, name, &value, sizeof value);
}

}  // namespace

WireLimits ServerWireLimits() {
  WireLimits limits;
  limits.maxFrameBytes = size_t{16} << 20;
  limits.maxDepth = 16;
  limits.maxElements = size_t{256} << 10;
  limits.maxTextBytes = size_t{16} << 20;
  return limits;
}

WireLimits ClientWireLimits() { return WireLimits(); }

// ---------------------------------------------------------------------------
// TFrameChannel

TFrameChannel::TFrameChannel(int fd, std::string peer, WireObjectTable* objects,
                             WireLimits receiveLimits)
    : fd_(fd), peer_(std::move(peer)), reader_(objects, receiveLimits) {}

TFrameChannel::~TFrameChannel() { Close(); }

void TFrameChannel::TuneSocket(int fd) {
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 60);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 10);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, 6);
}

std::unique_ptr<TFrameChannel> TFrameChannel::Connect(const std::string& host, int port,
                                                      int timeoutMs, WireObjectTable* objects,
                                                      WireLimits receiveLimits) {
  const std::string peer = PeerText(host, port);
  if (host.empty()) throw EConnectionError("Cannot connect to " + peer + ": no host given");
  if (port <= 0 || port > 65535) {
    throw EConnectionError("Cannot connect to " + peer + ": port " + std::to_string(port) +
                           " is out of range 1..65535");
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (resolved != 0) {
    const std::string reason =
        resolved == EAI_SYSTEM ? ErrorText(errno) : std::string(gai_strerror(resolved));
    throw EConnectionError("Cannot connect to " + peer + ": cannot resolve \"" + host +
                           "\": " + reason);
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);

  const int64_t deadline = DeadlineAfter(timeoutMs);
  int lastError = EHOSTUNREACH;
  for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          address->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    int error = 0;
    if (connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        pollfd wait{fd, POLLOUT, 0};
        int ready;
        do {
          ready = poll(&wait, 1, PollTimeout(deadline));
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) {
          error = ETIMEDOUT;
        } else if (ready < 0) {
          error = errno;
        } else {
          socklen_t length = sizeof error;
          if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
      }
    }
    if (error == 0) {
      const int flags = fcntl(fd, F_GETFL);
      if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
      TuneSocket(fd);
      return std::make_unique<TFrameChannel>(fd, peer, objects, receiveLimits);
    }
    close(fd);
    lastError = error;
    if (error == ETIMEDOUT) break;  // the time is spent for every address
  }
  if (lastError == ETIMEDOUT && timeoutMs > 0) {
    throw EConnectionError("Cannot connect to " + peer + ": no answer within " +
                           std::to_string(timeoutMs) + " ms (" + ErrorText(ETIMEDOUT) + ")");
  }
  throw EConnectionError("Cannot connect to " + peer + ": " + ErrorText(lastError));
}

void TFrameChannel::Fail(const std::string& what, int error) const {
  throw EConnectionError(what + " " + peer_ + ": " + ErrorText(error));
}

bool TFrameChannel::Poll(short events, int64_t deadlineMs) {
  pollfd wait{fd_, events, 0};
  for (;;) {
    const int ready = poll(&wait, 1, PollTimeout(deadlineMs));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) Fail("Cannot wait for", errno);
  }
}

void TFrameChannel::Send(std::string_view bytes, int timeoutMs) {
  if (fd_ < 0) throw EConnectionError("The connection to " + peer_ + " is closed");
  const int64_t deadline = DeadlineAfter(timeoutMs);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) Fail("Cannot send to", errno);
    if (!Poll(POLLOUT, deadline)) {
      throw EConnectionError("Cannot send to " + peer_ + ": the peer took no data for " +
                             std::to_string(timeoutMs) + " ms");
    }
  }
}

bool TFrameChannel::WaitForData(int timeoutMs) {
  if (fd_ < 0) throw EConnectionError("The connection to " + peer_ + " is closed");
  if (reader_.Pending() > 0) return true;
  return Poll(POLLIN, DeadlineAfter(timeoutMs));
}

Frame TFrameChannel::Receive(int timeoutMs, std::string_view awaited) {
  if (fd_ < 0) throw EConnectionError("The connection to " + peer_ + " is closed");
  const int64_t deadline = DeadlineAfter(timeoutMs);
  Frame frame;
  char buffer[64 * 1024];
  for (;;) {
    if (reader_.Next(&frame)) return frame;
    if (!Poll(POLLIN, deadline)) {
      throw EConnectionError("No " + std::string(awaited) + " from " + peer_ + " within " +
                             std::to_string(timeoutMs) + " ms");
    }
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0) {
      throw EConnectionError("The connection to " + peer_ + " was closed by the other side" +
                             (reader_.Pending() > 0 ? " in the middle of a frame" : ""));
    }
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      Fail("Cannot receive from", errno);
    }
    reader_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
  }
}

void TFrameChannel::Drain(int timeoutMs) {
  if (fd_ < 0) return;
  shutdown(fd_, SHUT_WR);
  const int64_t deadline = DeadlineAfter(timeoutMs);
  char buffer[4096];
  try {
    while (Poll(POLLIN, deadline)) {
      const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0) return;
      if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return;
    }
  } catch (const EConnectionError&) {
  }
}

void TFrameChannel::Shutdown() {
  if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
}

void TFrameChannel::Close() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

// ---------------------------------------------------------------------------
// TRemoteConnection

TRemoteConnection::TRemoteConnection(std::string peer, TRemoteOptions options)
    : peer_(std::move(peer)), options_(std::move(options)) {}

TRemoteConnection::~TRemoteConnection() = default;

std::shared_ptr<TRemoteConnection> TRemoteConnection::Open(const std::string& host, int port,
                                                           TRemoteOptions options) {
  std::shared_ptr<TRemoteConnection> connection(
      new TRemoteConnection(PeerText(host, port), std::move(options)));
  // The channel decodes answers through the connection's table, so the
  // connection must exist before it.
  connection->channel_ = TFrameChannel::Connect(host, port, connection->options_.connectTimeoutMs,
                                                connection.get(), connection->options_.receiveLimits);
  return connection;
}

bool TRemoteConnection::Connected() const { return Channel() != nullptr; }

std::shared_ptr<TFrameChannel> TRemoteConnection::Channel() const {
  std::lock_guard<std::mutex> lock(channelMutex_);
  return channel_;
}

void TRemoteConnection::Drop() {
  std::shared_ptr<TFrameChannel> channel;
  {
    std::lock_guard<std::mutex> lock(channelMutex_);
    channel.swap(channel_);
  }
  // A call blocked on the socket in another thread holds its own reference:
  // shutting down wakes it, and the last reference closes the socket.
  if (channel != nullptr) channel->Shutdown();
}

void TRemoteConnection::Close() { Drop(); }

Frame TRemoteConnection::Exchange(Frame request, int timeoutMs) {
  std::lock_guard<std::mutex> callLock(callMutex_);
  std::shared_ptr<TFrameChannel> channel = Channel();
  if (channel == nullptr) {
    throw EConnectionError("Not connected to the application server at " + peer_);
  }
  const uint64_t requestId = ++nextRequestId_;
  request.requestId = requestId;
  // A request that cannot be encoded (a local object among the arguments,
  // a value over the server's limits) fails here and leaves the connection
  // as it was.
  std::string bytes = EncodeFrame(request, this, options_.sendLimits);
  {
    std::lock_guard<std::mutex> tableLock(tableMutex_);
    std::string releases;
    for (uint64_t handle : releases_) releases += EncodeFrame(ReleaseFrame(0, handle));
    releases_.clear();
    bytes.insert(0, releases);
  }

  Frame answer;
  try {
    channel->Send(bytes, timeoutMs);
    answer = channel->Receive(timeoutMs);
  } catch (const EWireError& error) {
    Drop();
    throw EConnectionError("Bad answer from " + peer_ + ": " + error.Detail());
  } catch (const EConnectionError&) {
    Drop();
    throw;
  }

  if (answer.kind == FrameKind::kError && answer.requestId == 0) {
    // The server speaks for the whole connection and closes it.
    Drop();
    RaiseErrorFrame(answer);
  }
  if (answer.requestId != requestId ||
      (answer.kind != FrameKind::kAnswer && answer.kind != FrameKind::kError)) {
    Drop();
    throw EConnectionError("Bad answer from " + peer_ + ": a " + FrameKindName(answer.kind) +
                           " frame for request " + std::to_string(answer.requestId) +
                           " came while request " + std::to_string(requestId) + " waited");
  }
  if (answer.kind == FrameKind::kError) RaiseErrorFrame(answer);
  return answer;
}

DispatchPtr TRemoteConnection::CreateServerObject(const std::string& className) {
  Frame answer = Exchange(CallFrame(0, kServerObjectId, kCreateObjectMember, {Variant(className)}),
                          options_.createTimeoutMs);
  if (!answer.value.IsDispatch()) {
    Drop();
    throw EConnectionError("Bad answer from " + peer_ + ": " + kCreateObjectMember + " of \"" +
                           className + "\" gave no object");
  }
  return answer.value.AsDispatch();
}

Variant TRemoteConnection::Invoke(uint64_t handle, std::string_view name, VarArgs& args) {
  Frame answer = Exchange(CallFrame(0, handle, std::string(name), args), options_.callTimeoutMs);
  if (answer.args.size() != args.size()) {
    throw EConnectionError("Bad answer from " + peer_ + ": " + std::string(name) + " was called with " +
                           std::to_string(args.size()) + " arguments and answered with " +
                           std::to_string(answer.args.size()));
  }
  for (size_t i = 0; i < args.size(); ++i) args[i] = std::move(answer.args[i]);
  return std::move(answer.value);
}

Variant TRemoteConnection::GetProperty(uint64_t handle, std::string_view name) {
  return std::move(Exchange(PropertyGetFrame(0, handle, std::string(name)), options_.callTimeoutMs).value);
}

void TRemoteConnection::SetProperty(uint64_t handle, std::string_view name, const Variant& value) {
  Exchange(PropertyPutFrame(0, handle, std::string(name), value), options_.callTimeoutMs);
}

uint64_t TRemoteConnection::HandleOf(const DispatchPtr& object) {
  const auto* proxy = dynamic_cast<const TRemoteObject*>(object.get());
  if (proxy == nullptr || proxy->Connection().get() != this) {
    throw EDispatchError("Cannot pass an object of class " + object->DispatchClassName() +
                         " to the application server at " + peer_ +
                         ": only that server's own objects can travel there");
  }
  return proxy->Handle();
}

DispatchPtr TRemoteConnection::ObjectOf(uint64_t handle, const std::string& className) {
  std::lock_guard<std::mutex> lock(tableMutex_);
  ProxyEntry& entry = proxies_[handle];
  if (std::shared_ptr<TRemoteObject> alive = entry.proxy.lock()) return alive;
  // The handle may wait for release after its last proxy went; the server
  // has just named it again, so it must stay.
  releases_.erase(std::remove(releases_.begin(), releases_.end(), handle), releases_.end());
  auto proxy = std::make_shared<TRemoteObject>(shared_from_this(), handle, className);
  entry.proxy = proxy;
  entry.identity = proxy.get();
  return proxy;
}

void TRemoteConnection::ProxyGone(uint64_t handle, const TRemoteObject* proxy) noexcept {
  std::lock_guard<std::mutex> lock(tableMutex_);
  auto found = proxies_.find(handle);
  if (found == proxies_.end() || found->second.identity != proxy) return;
  proxies_.erase(found);
  // Without the socket the server has dropped everything already.
  if (Connected()) {
    try {
      releases_.push_back(handle);
    } catch (...) {
      // Out of memory: the object then lives until the connection closes.
    }
  }
}

// ---------------------------------------------------------------------------
// TRemoteObject

TRemoteObject::TRemoteObject(std::shared_ptr<TRemoteConnection> connection, uint64_t handle,
                             std::string className)
    : connection_(std::move(connection)), handle_(handle), className_(std::move(className)) {}

TRemoteObject::~TRemoteObject() { connection_->ProxyGone(handle_, this); }

Variant TRemoteObject::Invoke(std::string_view name, VarArgs& args) {
  return connection_->Invoke(handle_, name, args);
}

Variant TRemoteObject::GetProperty(std::string_view name) {
  return connection_->GetProperty(handle_, name);
}

void TRemoteObject::SetProperty(std::string_view name, const Variant& value) {
  connection_->SetProperty(handle_, name, value);
}

}  // namespace pellor
