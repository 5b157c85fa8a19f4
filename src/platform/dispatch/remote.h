// Dispatch objects that live in another process: the client side of the
// application server's network protocol, and the framed TCP channel both
// sides speak through.
//
// The conversation. A client opens a TCP connection and sends one call on
// object 0 (kServerObjectId), member "CreateObject", with the class name as
// its only argument. The server creates one object of that class for this
// connection and answers with it. From then on the client calls that object,
// and every object it hands out, by the handle the server gave it. Each call
// waits for its answer, so a connection has at most one request in flight.
// When the last client reference to a remote object goes, a release frame
// (sent ahead of the next call) lets the server drop it; closing the
// connection drops all of them.
//
// An error frame with request id 0 speaks for the whole connection ("server
// busy", a frame the server could not read): the server closes the
// connection after sending it.
//
// Only the server's own objects travel. A client cannot pass a local object
// to the server (there are no callbacks); it may pass back a proxy of the
// same connection, which the server turns into its object again.
#ifndef PELLOR_DISPATCH_REMOTE_H_
#define PELLOR_DISPATCH_REMOTE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dispatch/dispatch.h"
#include "platform/dispatch/wire.h"

namespace pellor {

// The object a client names to create its server object.
constexpr uint64_t kServerObjectId = 0;
constexpr const char* kCreateObjectMember = "CreateObject";

// What the server accepts from a client, which may be anyone who reaches the
// port: frames of up to 16 MiB, arrays 16 deep, 256 Ki values in a frame.
// A frame is buffered whole before it is decoded, and decoding turns each
// value into an in-memory Variant (80 bytes, plus a heap block for each text
// or array) however short its wire form, so besides the frame size the value
// count is what bounds memory. Measured worst cases (a quarter million empty
// arrays or short texts beside a 14 MiB text) decode to about 50 MiB; with
// the buffered frame and the encoded answer, which echoes the arguments, one
// connection peaks below 90 MiB. Multiply by the server's client limit for
// the process. A dataset delta of 8 000 rows of 30 columns fits.
WireLimits ServerWireLimits();
// What a client accepts from the server it chose to connect to: the codec's
// defaults, since answers carry whole dataset packets.
WireLimits ClientWireLimits();

// A connected TCP socket carrying whole frames. Not thread-safe, except for
// Shutdown, which another thread may call to wake a blocked Receive or Send.
// Every failure of the socket raises EConnectionError naming the peer
// ("localhost:211") and the system's reason.
class TFrameChannel {
 public:
  // Takes over the connected socket `fd`. `peer` is how messages name the
  // other side. `objects` decodes the dispatch objects in received frames;
  // `receiveLimits` bound what is accepted.
  TFrameChannel(int fd, std::string peer, WireObjectTable* objects, WireLimits receiveLimits);
  ~TFrameChannel();
  TFrameChannel(const TFrameChannel&) = delete;
  TFrameChannel& operator=(const TFrameChannel&) = delete;

  // Resolves `host` (a name or a numeric address, IPv4 or IPv6) and connects
  // to the first of its addresses that answers, within `timeoutMs` in all
  // (0: the system's own limit). Sets TCP_NODELAY and keep-alive probes, so
  // that a peer that vanished without closing is noticed within about two
  // minutes.
  static std::unique_ptr<TFrameChannel> Connect(const std::string& host, int port, int timeoutMs,
                                                WireObjectTable* objects, WireLimits receiveLimits);
  // Sets TCP_NODELAY and the keep-alive probes on a socket.
  static void TuneSocket(int fd);

  const std::string& Peer() const { return peer_; }

  // Sends all of `bytes` (one or more encoded frames) within `timeoutMs`
  // (0: no limit).
  void Send(std::string_view bytes, int timeoutMs);
  // Waits until bytes of a frame are at hand; false when `timeoutMs` passed
  // first (0: no limit). A peer that closed counts as readable: the next
  // Receive reports it.
  bool WaitForData(int timeoutMs);
  // The next whole frame, within `timeoutMs` (0: no limit). Raises
  // EConnectionError when the peer closes, the socket fails or the time
  // runs out ("No <awaited> from <peer> within <n> ms"), and EWireError for
  // a frame that breaks the format or the limits.
  Frame Receive(int timeoutMs, std::string_view awaited = "answer");
  // Says the end of this side's sending and reads and drops what the peer
  // still sends, until it closes or `timeoutMs` passed. Closing with unread
  // bytes would reset the connection, and the reset can overtake the last
  // frame sent.
  void Drain(int timeoutMs);

  // Shuts the socket down in both directions without closing it: a thread
  // blocked in Receive or Send wakes with an error.
  void Shutdown();
  // Closes the socket; later calls raise EConnectionError.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  // Waits for `events` on the socket until `deadlineMs` (a steady-clock
  // millisecond count, 0 for none); false on timeout.
  bool Poll(short events, int64_t deadlineMs);
  [[noreturn]] void Fail(const std::string& what, int error) const;

  int fd_;
  std::string peer_;
  FrameReader reader_;
};

struct TRemoteOptions {
  // For resolving and connecting, in all.
  int connectTimeoutMs = 10000;
  // For the server to create the connection's object, which may open a
  // database; 0 waits as long as it takes. Bounded by default, so that a
  // port where something else listens and never answers does not hang the
  // caller.
  int createTimeoutMs = 60000;
  // For each call, from sending it to having its answer; 0 waits as long as
  // the server works (keep-alive probes still notice a vanished server). A
  // call that times out closes the connection: its answer may still come,
  // and the server object's state is then unknown.
  int callTimeoutMs = 0;
  // What the client sends: what the server accepts.
  WireLimits sendLimits = ServerWireLimits();
  // What the client accepts.
  WireLimits receiveLimits = ClientWireLimits();
};

class TRemoteObject;

// One client connection to a dispatch server, and the table that maps the
// server's handles to proxies. Proxies hold the connection; it lives as long
// as any of them, but Close ends the conversation at once, after which every
// proxy of it raises EConnectionError. Calls from several threads are
// serialized.
class TRemoteConnection : public WireObjectTable,
                          public std::enable_shared_from_this<TRemoteConnection> {
 public:
  // Connects to host:port. Raises EConnectionError.
  static std::shared_ptr<TRemoteConnection> Open(const std::string& host, int port,
                                                 TRemoteOptions options = TRemoteOptions());
  ~TRemoteConnection() override;

  // Asks the server for this connection's object of `className` and returns
  // its proxy. What the server raises (an unknown class, "server busy") is
  // raised here as the platform error it was; a failure of the socket raises
  // EConnectionError and closes the connection.
  DispatchPtr CreateServerObject(const std::string& className);

  // Ends the conversation; safe to call more than once, and from another
  // thread to break off a call in progress.
  void Close();
  bool Connected() const;
  // "host:port" as messages show it.
  const std::string& Peer() const { return peer_; }

  // The calls of the proxies.
  Variant Invoke(uint64_t handle, std::string_view name, VarArgs& args);
  Variant GetProperty(uint64_t handle, std::string_view name);
  void SetProperty(uint64_t handle, std::string_view name, const Variant& value);

  // WireObjectTable: proxies of this connection travel as their handles;
  // handles in answers become proxies, one per handle while it lives.
  uint64_t HandleOf(const DispatchPtr& object) override;
  DispatchPtr ObjectOf(uint64_t handle, const std::string& className) override;

 private:
  friend class TRemoteObject;

  TRemoteConnection(std::string peer, TRemoteOptions options);
  // Sends `request` (with the releases that are due) and returns its answer,
  // which must come within `timeoutMs` (0: no limit).
  Frame Exchange(Frame request, int timeoutMs);
  std::shared_ptr<TFrameChannel> Channel() const;
  // Drops the socket after a failure that leaves the conversation unusable.
  void Drop();
  // A proxy went: release its handle with the next call, unless a newer
  // proxy took the handle over meanwhile.
  void ProxyGone(uint64_t handle, const TRemoteObject* proxy) noexcept;

  const std::string peer_;
  const TRemoteOptions options_;

  mutable std::mutex channelMutex_;  // guards channel_
  std::shared_ptr<TFrameChannel> channel_;

  std::mutex callMutex_;  // one request in flight
  uint64_t nextRequestId_ = 0;

  struct ProxyEntry {
    std::weak_ptr<TRemoteObject> proxy;
    const TRemoteObject* identity;
  };
  std::mutex tableMutex_;  // guards proxies_ and releases_
  std::map<uint64_t, ProxyEntry> proxies_;
  std::vector<uint64_t> releases_;
};

// A stand-in for a server object: every call travels to the server.
class TRemoteObject : public IDispatchObject {
 public:
  TRemoteObject(std::shared_ptr<TRemoteConnection> connection, uint64_t handle,
                std::string className);
  ~TRemoteObject() override;

  std::string DispatchClassName() const override { return className_; }
  Variant Invoke(std::string_view name, VarArgs& args) override;
  Variant GetProperty(std::string_view name) override;
  void SetProperty(std::string_view name, const Variant& value) override;

  uint64_t Handle() const { return handle_; }
  const std::shared_ptr<TRemoteConnection>& Connection() const { return connection_; }

 private:
  std::shared_ptr<TRemoteConnection> connection_;
  uint64_t handle_;
  std::string className_;
};

}  // namespace pellor

#endif  // PELLOR_DISPATCH_REMOTE_H_
