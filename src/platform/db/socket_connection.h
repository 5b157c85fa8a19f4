// The connection of a data module to an application server: where the
// server is, which server class to ask for, and the server object obtained,
// through which providers and server methods are called.
//
// The address "127.0.0.1" (exactly that text) means the server runs inside
// this process: opening creates the object of ServerName through the class
// factory and no socket is opened. Any other address or host is reached over
// TCP (remote.h), where the server creates the object for this connection;
// "localhost" is therefore the way to reach a server on this machine over
// the network.
#ifndef PELLOR_DB_SOCKET_CONNECTION_H_
#define PELLOR_DB_SOCKET_CONNECTION_H_

#include <memory>
#include <string>

#include "platform/dispatch/remote.h"
#include "platform/rtl/variant.h"
#include "platform/ui/component.h"

namespace pellor {

class TSocketConnection : public TComponent {
  PELLOR_CLASS(TSocketConnection);

 public:
  explicit TSocketConnection(TComponent* owner);
  // Closes the connection without telling OnDisconnect: the handlers' owner
  // may be half gone.
  ~TSocketConnection() override;

  // Where the server is: Address (a numeric address) or Host (a name).
  // Setting one clears the other, so the last one set counts. Neither may
  // change while connected (EConnectionError); close first.
  const std::string& Address() const { return address_; }
  void SetAddress(const std::string& address);
  const std::string& Host() const { return host_; }
  void SetHost(const std::string& host);
  // 211 unless set.
  int Port() const { return port_; }
  void SetPort(int port);
  // The class of the server object ("ZevUD01E.Class1").
  const std::string& ServerName() const { return serverName_; }
  void SetServerName(const std::string& name);
  // The class identifier. Kept with the other settings for the templates
  // that carry it; the class name alone identifies the class to the factory.
  const std::string& ServerGUID() const { return serverGuid_; }
  void SetServerGUID(const std::string& guid);

  // True while a server object is at hand. Setting true opens, false closes.
  bool Connected() const { return connected_; }
  void SetConnected(bool connected);
  // Opens the connection when it is closed: the in-process object for
  // "127.0.0.1", else TCP to Address (or Host) and Port. Raises
  // EConnectionError without a server name or a place to connect to, or
  // when the server cannot be reached; what creating the object raises
  // (EDispatchError for an unknown class, the server's own errors) passes
  // through. OnConnect follows a successful opening.
  void Open();
  // Lets go of the server object and, for TCP, ends the conversation: a
  // copy of AppServer kept elsewhere then raises EConnectionError on use
  // (an in-process object lives on while someone holds it). OnDisconnect
  // follows when something was open.
  void Close();

  // The server object; empty while closed.
  Variant AppServer() const { return appServer_; }
  // Uses `server`, created by the caller, as this connection's server
  // object, and counts as connected (OnDisconnect for what was open before,
  // then OnConnect); an empty or null value closes, any other value that is
  // no object raises EDispatchError.
  void SetAppServer(const Variant& server);

  // For TCP: resolving and connecting together, and each call (0: no limit;
  // a call that times out ends the connection).
  int ConnectTimeout() const { return options_.connectTimeoutMs; }
  void SetConnectTimeout(int milliseconds) { options_.connectTimeoutMs = milliseconds; }
  int CallTimeout() const { return options_.callTimeoutMs; }
  void SetCallTimeout(int milliseconds) { options_.callTimeoutMs = milliseconds; }

  // True when `address` names the in-process server.
  static bool IsLocalAddress(const std::string& address) { return address == "127.0.0.1"; }

  TNotifyEvent OnConnect;
  TNotifyEvent OnDisconnect;

 private:
  static void DefineProperties(PropertyBuilder<TSocketConnection>& p);

  void CheckInactive(const char* property) const;
  // Lets go of everything; true when something was open.
  bool Release();

  std::string address_;
  std::string host_;
  int port_ = 211;
  std::string serverName_;
  std::string serverGuid_;
  bool connected_ = false;
  Variant appServer_;
  std::shared_ptr<TRemoteConnection> remote_;
  TRemoteOptions options_;
};

}  // namespace pellor

#endif  // PELLOR_DB_SOCKET_CONNECTION_H_
