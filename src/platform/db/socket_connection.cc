#include "platform/db/socket_connection.h"

#include <utility>

#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"

namespace pellor {

PELLOR_DEFINE_CLASS(TSocketConnection, TComponent);

void TSocketConnection::DefineProperties(PropertyBuilder<TSocketConnection>& p) {
  p.Text("Address", &TSocketConnection::Address, &TSocketConnection::SetAddress)
      .Text("Host", &TSocketConnection::Host, &TSocketConnection::SetHost)
      .Integer("Port", &TSocketConnection::Port, &TSocketConnection::SetPort)
      .Text("ServerName", &TSocketConnection::ServerName, &TSocketConnection::SetServerName)
      .Text("ServerGUID", &TSocketConnection::ServerGUID, &TSocketConnection::SetServerGUID)
      .Bool("Connected", &TSocketConnection::Connected, &TSocketConnection::SetConnected)
      .Event("OnConnect", &TSocketConnection::OnConnect)
      .Event("OnDisconnect", &TSocketConnection::OnDisconnect);
}

TSocketConnection::TSocketConnection(TComponent* owner) : TComponent(owner) {}

TSocketConnection::~TSocketConnection() { Release(); }

void TSocketConnection::CheckInactive(const char* property) const {
  if (connected_) {
    throw EConnectionError(std::string("Cannot change ") + property + " of " +
                           (Name().empty() ? std::string("a socket connection") : Name()) +
                           " while it is connected");
  }
}

void TSocketConnection::SetAddress(const std::string& address) {
  if (address == address_) return;
  CheckInactive("Address");
  address_ = address;
  if (!address_.empty()) host_.clear();
}

void TSocketConnection::SetHost(const std::string& host) {
  if (host == host_) return;
  CheckInactive("Host");
  host_ = host;
  if (!host_.empty()) address_.clear();
}

void TSocketConnection::SetPort(int port) {
  if (port == port_) return;
  CheckInactive("Port");
  port_ = port;
}

void TSocketConnection::SetServerName(const std::string& name) {
  if (name == serverName_) return;
  CheckInactive("ServerName");
  serverName_ = name;
}

void TSocketConnection::SetServerGUID(const std::string& guid) {
  if (guid == serverGuid_) return;
  CheckInactive("ServerGUID");
  serverGuid_ = guid;
}

void TSocketConnection::SetConnected(bool connected) {
  if (connected) {
    Open();
  } else {
    Close();
  }
}

void TSocketConnection::Open() {
  if (connected_) return;
  const std::string who = Name().empty() ? std::string("the socket connection") : Name();
  if (serverName_.empty()) {
    throw EConnectionError("Cannot open " + who + ": no ServerName is set");
  }
  if (IsLocalAddress(address_)) {
    appServer_ = Variant(CreateObject(serverName_));
  } else {
    const std::string& where = address_.empty() ? host_ : address_;
    if (where.empty()) {
      throw EConnectionError("Cannot open " + who + ": neither Address nor Host is set");
    }
    std::shared_ptr<TRemoteConnection> remote = TRemoteConnection::Open(where, port_, options_);
    try {
      appServer_ = Variant(remote->CreateServerObject(serverName_));
    } catch (...) {
      remote->Close();
      throw;
    }
    remote_ = std::move(remote);
  }
  connected_ = true;
  if (OnConnect) OnConnect(this);
}

bool TSocketConnection::Release() {
  const bool wasOpen = connected_;
  connected_ = false;
  appServer_ = Variant();
  if (remote_ != nullptr) {
    remote_->Close();
    remote_.reset();
  }
  return wasOpen;
}

void TSocketConnection::Close() {
  if (Release() && OnDisconnect) OnDisconnect(this);
}

void TSocketConnection::SetAppServer(const Variant& server) {
  if (server.IsBlank()) {
    Close();
    return;
  }
  if (!server.IsDispatch()) throw EDispatchError("Variant does not reference an automation object");
  Close();
  appServer_ = server;
  connected_ = true;
  if (OnConnect) OnConnect(this);
}

}  // namespace pellor
