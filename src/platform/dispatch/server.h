// The server side of the dispatch protocol (remote.h): serves objects made
// by the class factory to many TCP clients at once.
//
// Each accepted client gets a thread of its own and, through its first call
// ("CreateObject" on object 0 with a class name), one server object created
// by pellor::CreateObject. Every object of a connection (the server object
// and whatever it hands out) is used by that connection's thread only and is
// freed when the client disconnects, so a server object may keep per-client
// state such as a database connection without locking.
//
// Clients are untrusted. Every frame is decoded under ServerWireLimits(); a
// frame that breaks the format or the limits, or is of a kind a client never
// sends, gets an error frame (request id 0) and the connection is closed.
// Whatever a call raises travels back as an error frame and the connection
// stays. Beyond the client limit a new client gets the error frame "Server
// busy" and is closed. None of this ever ends the server.
#ifndef PELLOR_DISPATCH_SERVER_H_
#define PELLOR_DISPATCH_SERVER_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/remote.h"
#include "platform/dispatch/wire.h"

namespace pellor {

struct TDispatchServerOptions {
  // A numeric address or a name; "0.0.0.0" listens on every IPv4 address,
  // "::" on every address.
  std::string bindAddress = "0.0.0.0";
  // 0 lets the system choose a free port; Port() tells which.
  int port = 211;
  // Clients served at once; each costs a thread and its server object.
  int maxClients = 64;
  // Classes a client may create, compared without regard to case. Empty
  // allows every class the class factory knows, which includes every class
  // of the settings store's class table: name the served classes instead
  // wherever clients are not all trusted.
  std::vector<std::string> classes;
  // A new client must send its first frame within this time.
  int handshakeTimeoutMs = 30000;
  // Between calls a client may stay silent this long (0: for ever; the
  // keep-alive probes still notice a vanished client).
  int idleTimeoutMs = 0;
  // Once a frame has begun, the rest of it must arrive within this time, so
  // that a client trickling bytes cannot hold its slot.
  int frameTimeoutMs = 60000;
  // An answer must be taken by the client within this time.
  int sendTimeoutMs = 60000;
  // What a client may send.
  WireLimits receiveLimits = ServerWireLimits();
  // What the server sends: what a client accepts.
  WireLimits sendLimits = ClientWireLimits();
  // Told of connections that come, go or fail ("127.0.0.1:40312: ..."). Called
  // from the server's threads, one line at a time.
  std::function<void(const std::string& line)> log;
};

class TDispatchServer {
 public:
  explicit TDispatchServer(TDispatchServerOptions options);
  // Stops the server.
  ~TDispatchServer();
  TDispatchServer(const TDispatchServer&) = delete;
  TDispatchServer& operator=(const TDispatchServer&) = delete;

  // Binds, listens and starts accepting. Raises EConnectionError when the
  // address cannot be resolved or bound (a port in use, no permission).
  void Start();
  // Stops accepting, wakes every client thread blocked on its socket, waits
  // for calls in progress to finish, frees every connection's objects and
  // joins the threads. Safe to call twice, and from any thread but the
  // server's own; not from a signal handler (it waits): a signal handler
  // sets a flag that another thread acts on.
  void Stop();

  // The port listened on, the one the system chose for port 0 included.
  int Port() const { return port_; }
  // Clients connected now (not counting refused ones).
  int ClientCount() const;

 private:
  struct TClient;

  void AcceptLoop();
  void Serve(TClient* client, int fd, std::string peer);
  // Answers a client beyond the limit and keeps its socket until it closes
  // or a moment passed, so the client reads the answer instead of a reset.
  void Refuse(int fd, const std::string& peer);
  void Reap(bool all);
  void Wake();
  void Log(const std::string& line) const;

  const TDispatchServerOptions options_;
  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;

  mutable std::mutex logMutex_;
  mutable std::mutex mutex_;  // guards clients_, active_ and every TClient's fd and done
  std::list<TClient> clients_;
  int active_ = 0;

  struct TRefused {
    int fd;
    int64_t deadlineMs;
  };
  std::vector<TRefused> refused_;  // the accept thread's alone
};

}  // namespace pellor

#endif  // PELLOR_DISPATCH_SERVER_H_
