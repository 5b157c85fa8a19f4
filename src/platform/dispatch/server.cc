#include "platform/dispatch/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <utility>

#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// A refused client's socket is drained this long at most before it is
// closed.
constexpr int kRefusedLingerMs = 2000;
// Refused sockets drained at once; beyond that they are closed at once.
constexpr size_t kMaxRefused = 64;
// An error message longer than this is cut before it travels: a message is
// for a person, and the frame must stay within the client's limits.
constexpr size_t kMaxErrorMessage = 64 * 1024;
// After its last error frame a client's socket is drained this long at most,
// so that the client reads the frame instead of a reset.
constexpr int kGoodbyeLingerMs = 1000;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string AddressText(const sockaddr* address, socklen_t length) {
  char host[NI_MAXHOST];
  char service[NI_MAXSERV];
  if (getnameinfo(address, length, host, sizeof host, service, sizeof service,
                  NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return "(unknown peer)";
  }
  if (address->sa_family == AF_INET6) return std::string("[") + host + "]:" + service;
  return std::string(host) + ":" + service;
}

// The objects one connection has handed to its client, by handle. Handle 0
// is never given: it names the server itself.
class TConnectionObjects : public WireObjectTable {
 public:
  uint64_t HandleOf(const DispatchPtr& object) override {
    auto found = handles_.find(object.get());
    if (found != handles_.end()) return found->second;
    const uint64_t handle = nextHandle_++;
    objects_.emplace(handle, object);
    handles_.emplace(object.get(), handle);
    return handle;
  }

  // A handle the client names must be one it was given and has not released.
  DispatchPtr ObjectOf(uint64_t handle, const std::string& className) override {
    return Find(handle);
  }

  DispatchPtr Find(uint64_t handle) const {
    auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second;
  }

  void Release(uint64_t handle) {
    auto found = objects_.find(handle);
    if (found == objects_.end()) return;  // released twice, or never given: nothing to do
    handles_.erase(found->second.get());
    objects_.erase(found);
  }

  // Frees the objects, newest first, so that an object handed out by another
  // goes before the one that made it.
  void Clear() {
    handles_.clear();
    while (!objects_.empty()) objects_.erase(std::prev(objects_.end()));
  }

 private:
  std::map<uint64_t, DispatchPtr> objects_;
  std::map<const IDispatchObject*, uint64_t> handles_;
  uint64_t nextHandle_ = 1;
};

Frame SafeErrorFrame(uint64_t requestId, uint64_t objectId, const std::exception& error) {
  Frame frame = ErrorFrame(requestId, objectId, error);
  if (frame.errorMessage.size() > kMaxErrorMessage) {
    frame.errorMessage.resize(kMaxErrorMessage);
    frame.errorMessage += " ...";
  }
  return frame;
}

}  // namespace

struct TDispatchServer::TClient {
  std::thread thread;
  int fd = -1;
  bool done = false;
};

TDispatchServer::TDispatchServer(TDispatchServerOptions options) : options_(std::move(options)) {}

TDispatchServer::~TDispatchServer() { Stop(); }

void TDispatchServer::Log(const std::string& line) const {
  if (!options_.log) return;
  std::lock_guard<std::mutex> lock(logMutex_);
  try {
    options_.log(line);
  } catch (...) {
    // A failing log must not take a connection down.
  }
}

int TDispatchServer::ClientCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

void TDispatchServer::Start() {
  if (acceptThread_.joinable()) throw EConnectionError("The dispatch server is already running");
  const std::string where = options_.bindAddress + ":" + std::to_string(options_.port);
  if (options_.port < 0 || options_.port > 65535) {
    throw EConnectionError("Cannot listen on " + where + ": the port is out of range 0..65535");
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const int resolved = getaddrinfo(options_.bindAddress.empty() ? nullptr : options_.bindAddress.c_str(),
                                   std::to_string(options_.port).c_str(), &hints, &found);
  if (resolved != 0) {
    throw EConnectionError("Cannot listen on " + where + ": " +
                           (resolved == EAI_SYSTEM ? ErrorText(errno) : gai_strerror(resolved)));
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);

  int lastError = EADDRNOTAVAIL;
  for (addrinfo* address = found; address != nullptr && listenFd_ < 0; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, address->ai_addr, address->ai_addrlen) != 0 || listen(fd, 128) != 0) {
      lastError = errno;
      close(fd);
      continue;
    }
    listenFd_ = fd;
  }
  if (listenFd_ < 0) throw EConnectionError("Cannot listen on " + where + ": " + ErrorText(lastError));

  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);

  int wake[2];
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    const int error = errno;
    close(listenFd_);
    listenFd_ = -1;
    throw EConnectionError("Cannot start the dispatch server on " + where + ": " + ErrorText(error));
  }
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  stopping_ = false;
  acceptThread_ = std::thread(&TDispatchServer::AcceptLoop, this);
  Log("Listening on " + options_.bindAddress + ":" + std::to_string(port_));
}

void TDispatchServer::Wake() {
  if (wakeWrite_ >= 0) {
    const char byte = 1;
    (void)!write(wakeWrite_, &byte, 1);  // a full pipe is already a wake-up
  }
}

void TDispatchServer::Stop() {
  if (!acceptThread_.joinable()) return;
  stopping_ = true;
  Wake();
  acceptThread_.join();  // closes the listener: no client comes any more
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (TClient& client : clients_) {
      if (client.fd >= 0) shutdown(client.fd, SHUT_RDWR);
    }
  }
  Reap(true);
  close(wakeRead_);
  close(wakeWrite_);
  wakeRead_ = wakeWrite_ = -1;
  Log("Stopped listening on port " + std::to_string(port_));
}

void TDispatchServer::Reap(bool all) {
  std::list<TClient> finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = clients_.begin(); it != clients_.end();) {
      auto next = std::next(it);
      if (all || it->done) finished.splice(finished.end(), clients_, it);
      it = next;
    }
  }
  // Joined without the lock: a thread that has not finished needs it to end.
  for (TClient& client : finished) client.thread.join();
}

void TDispatchServer::AcceptLoop() {
  while (!stopping_) {
    Reap(false);
    std::vector<pollfd> waits = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    int64_t nearest = 0;
    for (const TRefused& refused : refused_) {
      waits.push_back({refused.fd, POLLIN, 0});
      if (nearest == 0 || refused.deadlineMs < nearest) nearest = refused.deadlineMs;
    }
    const int timeout = nearest == 0 ? -1 : static_cast<int>(std::max<int64_t>(0, nearest - NowMs()));
    if (poll(waits.data(), waits.size(), timeout) < 0 && errno != EINTR) {
      Log("Cannot wait for clients: " + ErrorText(errno));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    if (waits[1].revents != 0) {
      char drain[64];
      while (read(wakeRead_, drain, sizeof drain) > 0) {
      }
    }

    // Refused clients: read what they still send until they close.
    const int64_t now = NowMs();
    for (size_t i = refused_.size(); i-- > 0;) {
      bool finished = refused_[i].deadlineMs <= now;
      if (!finished && waits[2 + i].revents != 0) {
        char discard[4096];
        const ssize_t n = recv(refused_[i].fd, discard, sizeof discard, MSG_DONTWAIT);
        finished = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
      }
      if (finished) {
        close(refused_[i].fd);
        refused_.erase(refused_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }

    if (stopping_ || waits[0].revents == 0) continue;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    if (fd < 0) {
      const int error = errno;
      if (error == EINTR || error == EAGAIN || error == EWOULDBLOCK || error == ECONNABORTED) continue;
      Log("Cannot accept a client: " + ErrorText(error));
      // Out of descriptors or memory: the listener stays readable, so pause
      // instead of spinning.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    const std::string peer = AddressText(reinterpret_cast<sockaddr*>(&address), length);

    std::unique_lock<std::mutex> lock(mutex_);
    if (active_ >= options_.maxClients) {
      lock.unlock();
      Refuse(fd, peer);
      continue;
    }
    clients_.emplace_back();
    TClient* client = &clients_.back();
    client->fd = fd;
    ++active_;
    try {
      client->thread = std::thread(&TDispatchServer::Serve, this, client, fd, peer);
    } catch (const std::exception& error) {
      clients_.pop_back();
      --active_;
      lock.unlock();
      close(fd);
      Log(peer + ": cannot start a thread for the client: " + error.what());
    }
  }
  close(listenFd_);
  listenFd_ = -1;
  for (const TRefused& refused : refused_) close(refused.fd);
  refused_.clear();
}

void TDispatchServer::Refuse(int fd, const std::string& peer) {
  Log(peer + ": refused, the server is busy");
  const EConnectionError busy("Server busy: the application server already serves " +
                              std::to_string(options_.maxClients) +
                              " clients, the most it takes; try again later");
  const std::string bytes = EncodeFrame(SafeErrorFrame(0, kServerObjectId, busy));
  // The socket's send buffer is empty, so the short frame goes at once.
  (void)send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  // Closing with the client's call unread would reset the connection, and
  // the reset may overtake the answer: say the end, then wait for the
  // client's own close.
  shutdown(fd, SHUT_WR);
  if (refused_.size() >= kMaxRefused) {
    close(fd);
    return;
  }
  refused_.push_back({fd, NowMs() + kRefusedLingerMs});
}

void TDispatchServer::Serve(TClient* client, int fd, std::string peer) {
  TConnectionObjects objects;  // before the channel, which decodes through it
  TFrameChannel channel(fd, peer, &objects, options_.receiveLimits);
  TFrameChannel::TuneSocket(fd);
  Log(peer + ": connected");
  std::string farewell = "disconnected";
  bool created = false;
  bool first = true;

  // Sends a frame for the whole connection before it is closed; the client
  // may already be gone, which changes nothing.
  auto sayGoodbye = [&](const std::exception& error) {
    try {
      channel.Send(EncodeFrame(SafeErrorFrame(0, kServerObjectId, error), nullptr, options_.sendLimits),
                   options_.sendTimeoutMs);
      channel.Drain(kGoodbyeLingerMs);
    } catch (const std::exception&) {
    }
  };

  try {
    while (!stopping_) {
      const int wait = first ? options_.handshakeTimeoutMs : options_.idleTimeoutMs;
      if (!channel.WaitForData(wait)) {
        farewell = first ? "sent nothing within " + std::to_string(wait) + " ms; closed"
                         : "idle for " + std::to_string(wait) + " ms; closed";
        break;
      }
      first = false;

      Frame request;
      try {
        request = channel.Receive(options_.frameTimeoutMs, "complete frame");
      } catch (const EWireError& error) {
        sayGoodbye(error);
        farewell = std::string("closed after a bad frame: ") + error.what();
        break;
      }

      if (request.kind == FrameKind::kRelease) {
        objects.Release(request.objectId);
        continue;
      }
      if (request.kind == FrameKind::kAnswer || request.kind == FrameKind::kError) {
        const EWireError error(std::string("Wire: a client sends no ") +
                               FrameKindName(request.kind) + " frames");
        sayGoodbye(error);
        farewell = std::string("closed after a bad frame: ") + error.what();
        break;
      }

      Frame reply;
      try {
        if (request.objectId == kServerObjectId) {
          if (request.kind != FrameKind::kCall || !SameText(request.member, kCreateObjectMember)) {
            throw EDispatchError(std::string("The dispatch server answers only ") +
                                 kCreateObjectMember + " on object 0");
          }
          if (created) {
            throw EDispatchError("This connection has its server object already; "
                                 "open another connection for another object");
          }
          if (request.args.size() != 1 || !request.args[0].IsText()) {
            throw EDispatchError(std::string(kCreateObjectMember) +
                                 " expects one argument, the class name");
          }
          const std::string className = request.args[0].AsString();
          if (!options_.classes.empty() &&
              std::none_of(options_.classes.begin(), options_.classes.end(),
                           [&](const std::string& allowed) { return SameText(allowed, className); })) {
            throw EDispatchError("The application server does not serve class " + className);
          }
          DispatchPtr object = CreateObject(className);
          created = true;
          Log(peer + ": created " + className);
          reply = AnswerFrame(request.requestId, request.objectId, Variant(std::move(object)),
                              std::move(request.args));
        } else {
          DispatchPtr object = objects.Find(request.objectId);
          if (object == nullptr) {
            throw EDispatchError("No object with handle " + std::to_string(request.objectId) +
                                 " on this connection");
          }
          switch (request.kind) {
            case FrameKind::kCall: {
              VarArgs args = std::move(request.args);
              Variant result = object->Invoke(request.member, args);
              reply = AnswerFrame(request.requestId, request.objectId, std::move(result), std::move(args));
              break;
            }
            case FrameKind::kPropertyGet:
              reply = AnswerFrame(request.requestId, request.objectId,
                                  object->GetProperty(request.member), {});
              break;
            default:  // property put; the other kinds were handled above
              object->SetProperty(request.member, request.value);
              reply = AnswerFrame(request.requestId, request.objectId, Variant(), {});
              break;
          }
        }
      } catch (const std::exception& error) {
        reply = SafeErrorFrame(request.requestId, request.objectId, error);
      } catch (...) {
        reply = SafeErrorFrame(request.requestId, request.objectId,
                               Exception("An error of unknown kind in the application server"));
      }

      std::string bytes;
      try {
        bytes = EncodeFrame(reply, &objects, options_.sendLimits);
      } catch (const EWireError& error) {
        // The answer is too large for the client; the call did happen, and
        // the client learns why it gets no answer.
        bytes = EncodeFrame(SafeErrorFrame(request.requestId, request.objectId,
                                           EWireError("The answer to " + request.member +
                                                      " cannot travel: " + error.Detail())),
                            nullptr, options_.sendLimits);
      }
      channel.Send(bytes, options_.sendTimeoutMs);
    }
    if (stopping_) farewell = "closed: the server stops";
  } catch (const EConnectionError& error) {
    farewell = stopping_ ? std::string("closed: the server stops") : std::string(error.what());
  } catch (const std::exception& error) {
    farewell = std::string("closed after an error: ") + error.what();
  } catch (...) {
    farewell = "closed after an error of unknown kind";
  }

  {
    std::lock_guard<std::mutex> lock(mutex_);
    channel.Close();
    client->fd = -1;
  }
  // The objects go on this thread, the only one that used them, and before
  // the slot is given up, so the client limit bounds them too.
  objects.Clear();
  Log(peer + ": " + farewell);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --active_;
    client->done = true;
  }
  Wake();
}

}  // namespace pellor
