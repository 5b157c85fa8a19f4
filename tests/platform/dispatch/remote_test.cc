#include "platform/dispatch/remote.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <netinet/in.h>

#include <chrono>
#include <string>

#include "platform/rtl/errors.h"
#include "platform/dispatch/test_server_objects.h"

namespace pellor {
namespace {

using test::LiveObjects;

class RemoteTest : public test::ServerFixture {
 protected:
  // A proxy of a new server object on a new connection.
  DispatchPtr Connect(TRemoteOptions options = TRemoteOptions()) {
    connection_ = TRemoteConnection::Open("localhost", port_, options);
    return connection_->CreateServerObject(test::kTestClass);
  }

  std::shared_ptr<TRemoteConnection> connection_;
};

template <class E, class F>
std::string RaisedText(F call) {
  try {
    call();
  } catch (const E& error) {
    return error.what();
  }
  return "(nothing raised)";
}

// A port on which nothing listens: bound, never listened on, then closed.
int DeadPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TEST_F(RemoteTest, ValuesTravelBothWaysAndOutArgumentsComeBack) {
  Variant server(Connect());
  EXPECT_EQ(server.AsDispatch()->DispatchClassName(), test::kTestClass);

  Variant grid = Variant::Array2(1, 2);
  grid.At(0, 0) = "cell";
  grid.At(1, 2) = Variant::ArrayOf({1, u"wide", Variant::Null()});
  const std::vector<Variant> values = {Variant(),       Variant::Null(),        Variant(int64_t{-1} << 40),
                                       Variant(2.5),    Variant(false),         Variant(std::string("\xD6\xD0\0x", 4)),
                                       Variant(u"宽"),  Variant::Date(45000.25), grid};
  for (const Variant& value : values) {
    Variant back = DispatchCall(server, "Echo", {value});
    EXPECT_EQ(back.Type(), value.Type());
    EXPECT_TRUE(back == value || (value.IsNull() && back.IsNull())) << VarTypeName(value.Type());
  }

  VarArgs args = {Variant("left"), Variant(7)};
  EXPECT_EQ(DispatchInvoke(server, "swap", args).AsInteger(), 2);  // names ignore case remotely too
  EXPECT_EQ(args[0].AsInteger(), 7);
  EXPECT_EQ(args[1].AsString(), "left");

  DispatchSet(server, "Value", Variant(u"新值"));
  EXPECT_EQ(DispatchGet(server, "Value"), Variant(u"新值"));
}

TEST_F(RemoteTest, ServerObjectsBecomeProxiesAndAreReleasedWithTheirLastProxy) {
  Variant server(Connect());
  EXPECT_EQ(LiveObjects(), 1);
  {
    Variant child = DispatchCall(server, "Child", {"first"});
    ASSERT_TRUE(child.IsDispatch());
    EXPECT_EQ(child.AsDispatch()->DispatchClassName(), std::string(test::kTestClass) + ".Child");
    EXPECT_EQ(DispatchGet(child, "Name").AsString(), "first");
    EXPECT_EQ(LiveObjects(), 2);
    // A proxy passed back reaches the server as its own object.
    EXPECT_EQ(DispatchCall(server, "NameOf", {child}).AsString(), "first");
    // The same server object always comes back as the same proxy.
    EXPECT_EQ(DispatchCall(server, "Echo", {child}).AsDispatch(), child.AsDispatch());
  }
  // The release travels ahead of the next call.
  DispatchCall(server, "Echo", {1});
  EXPECT_EQ(LiveObjects(), 1);

  connection_.reset();
  server = Variant();  // the last proxy holds the connection; letting go closes it
  EXPECT_TRUE(test::Eventually([] { return LiveObjects() == 0; }));
}

TEST_F(RemoteTest, ErrorsArriveAsTheirPlatformClassAndTheConnectionStays) {
  Variant server(Connect());
  try {
    DispatchCall(server, "Fail", {"db", "Key violation"});
    ADD_FAILURE() << "nothing raised";
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Key violation");
    EXPECT_STREQ(error.ClassName(), "EDatabaseError");
  }
  EXPECT_THROW(DispatchCall(server, "Fail", {"abort", ""}), EAbort);
  EXPECT_EQ(RaisedText<Exception>([&] { DispatchCall(server, "Fail", {"std", "plain"}); }), "plain");
  EXPECT_EQ(RaisedText<EDispatchError>([&] { DispatchCall(server, "NoSuchMethod"); }),
            "PellorTest.Remote: unknown method \"NoSuchMethod\"");
  EXPECT_THROW(DispatchGet(server, "NoSuchProperty"), EDispatchError);

  // A local object cannot travel; nothing was sent, so the connection goes on.
  auto local = std::make_shared<test::TServedObject>("Local.Object");
  EXPECT_NE(RaisedText<EDispatchError>([&] { DispatchCall(server, "Echo", {Variant(DispatchPtr(local))}); })
                .find("Cannot pass an object of class Local.Object"),
            std::string::npos);
  local.reset();
  EXPECT_EQ(DispatchCall(server, "Echo", {"still here"}).AsString(), "still here");
  EXPECT_TRUE(connection_->Connected());
}

TEST_F(RemoteTest, ConnectingFailsWithTheAddressAndTheReason) {
  const int dead = DeadPort();
  const std::string refused = RaisedText<EConnectionError>([&] { TRemoteConnection::Open("127.0.0.1", dead); });
  EXPECT_EQ(refused, "Cannot connect to 127.0.0.1:" + std::to_string(dead) + ": Connection refused");

  const std::string unknown =
      RaisedText<EConnectionError>([] { TRemoteConnection::Open("no-such-host.invalid", 211); });
  EXPECT_EQ(unknown.rfind("Cannot connect to no-such-host.invalid:211: cannot resolve \"no-such-host.invalid\": ", 0), 0u)
      << unknown;

  EXPECT_EQ(RaisedText<EConnectionError>([] { TRemoteConnection::Open("localhost", 70000); }),
            "Cannot connect to localhost:70000: port 70000 is out of range 1..65535");

  // Something that listens but never answers does not hang the caller.
  const int mute = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(mute, 4), 0);
  socklen_t length = sizeof address;
  getsockname(mute, reinterpret_cast<sockaddr*>(&address), &length);
  const int mutePort = ntohs(address.sin_port);
  TRemoteOptions options;
  options.createTimeoutMs = 100;
  auto silent = TRemoteConnection::Open("127.0.0.1", mutePort, options);
  EXPECT_EQ(RaisedText<EConnectionError>([&] { silent->CreateServerObject(test::kTestClass); }),
            "No answer from 127.0.0.1:" + std::to_string(mutePort) + " within 100 ms");
  close(mute);

  // The server's refusal of a class arrives as its error.
  auto connection = TRemoteConnection::Open("localhost", port_);
  EXPECT_EQ(RaisedText<EDispatchError>([&] { connection->CreateServerObject("No.Such.Class"); }),
            "Invalid class string: No.Such.Class");
}

TEST_F(RemoteTest, ACallThatTimesOutEndsTheConnection) {
  TRemoteOptions options;
  options.callTimeoutMs = 100;
  Variant server(Connect(options));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RaisedText<EConnectionError>([&] { DispatchCall(server, "Sleep", {700}); }),
            "No answer from localhost:" + std::to_string(port_) + " within 100 ms");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
  EXPECT_FALSE(connection_->Connected());
  EXPECT_EQ(RaisedText<EConnectionError>([&] { DispatchCall(server, "Echo", {1}); }),
            "Not connected to the application server at localhost:" + std::to_string(port_));
}

TEST_F(RemoteTest, APeerThatGoesAwayIsAConnectionError) {
  Variant server(Connect());
  Variant child = DispatchCall(server, "Child", {"c"});
  server_->Stop();
  EXPECT_EQ(LiveObjects(), 0);
  const std::string text = RaisedText<EConnectionError>([&] { DispatchCall(server, "Echo", {1}); });
  EXPECT_NE(text.find("localhost:" + std::to_string(port_)), std::string::npos) << text;
  EXPECT_FALSE(connection_->Connected());
  EXPECT_THROW(DispatchGet(child, "Name"), EConnectionError);
}

TEST_F(RemoteTest, ClosingFromAnotherThreadBreaksOffACallInProgress) {
  Variant server(Connect());
  std::thread closer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    connection_->Close();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(DispatchCall(server, "Sleep", {1000}), EConnectionError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
  closer.join();
}

}  // namespace
}  // namespace pellor
