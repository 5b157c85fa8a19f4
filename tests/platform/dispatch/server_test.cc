#include "platform/dispatch/server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <latch>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/remote.h"
#include "platform/rtl/errors.h"
#include "platform/dispatch/test_server_objects.h"

namespace pellor {
namespace {

using test::Eventually;
using test::LiveObjects;

// Names any handle the test wants on the wire, and decodes handles as
// placeholders.
class TRawTable : public WireObjectTable {
 public:
  explicit TRawTable(uint64_t handle = 1) : handle_(handle) {}
  uint64_t HandleOf(const DispatchPtr&) override { return handle_; }
  DispatchPtr ObjectOf(uint64_t handle, const std::string& className) override {
    handles.push_back(handle);
    return std::make_shared<TDispatchObject>(className);
  }
  std::vector<uint64_t> handles;

 private:
  uint64_t handle_;
};

// A client that writes whatever bytes it likes.
class TRawClient {
 public:
  explicit TRawClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    channel_ = std::make_unique<TFrameChannel>(fd_, "server", &table_, ClientWireLimits());
  }

  void Send(const std::string& bytes) { channel_->Send(bytes, 2000); }
  void Send(const Frame& frame) { Send(EncodeFrame(frame, &table_, Permissive())); }
  void EndWriting() { shutdown(fd_, SHUT_WR); }
  Frame Receive() { return channel_->Receive(2000); }
  // True when the server closed the connection (within two seconds).
  bool ClosedByServer() {
    try {
      channel_->Receive(2000);
    } catch (const EConnectionError& error) {
      return std::string(error.what()).find("closed by the other side") != std::string::npos;
    }
    return false;
  }

  // Limits far above the server's, so the test can send what the server
  // must refuse.
  static WireLimits Permissive() {
    WireLimits limits;
    limits.maxDepth = 100;
    return limits;
  }

 private:
  int fd_;
  TRawTable table_{99};
  std::unique_ptr<TFrameChannel> channel_;
};

class ServerTest : public test::ServerFixture {
 protected:
  DispatchPtr Connect(std::shared_ptr<TRemoteConnection>* connection = nullptr) {
    auto opened = TRemoteConnection::Open("localhost", port_);
    if (connection != nullptr) *connection = opened;
    return opened->CreateServerObject(test::kTestClass);
  }

  // A fresh client is served normally.
  void ExpectServing() {
    Variant server(Connect());
    EXPECT_EQ(DispatchCall(server, "Echo", {"ok"}).AsString(), "ok");
  }

  bool LogHas(const std::string& text) {
    for (const std::string& line : Log()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
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

TEST_F(ServerTest, ServesManyClientsAtOnceEachWithItsOwnObjectAndThread) {
  constexpr int kClients = 8;
  std::vector<std::thread> threads;
  std::vector<std::string> servingThreads(kClients);
  std::vector<std::string> failures(kClients);
  // Every client stays connected until all have asked for their serving
  // thread: a thread that ended may hand its id to a later one.
  std::latch allAsked(kClients);
  for (int i = 0; i < kClients; ++i) {
    threads.emplace_back([&, i] {
      Variant server;
      try {
        server = Variant(Connect());
        DispatchSet(server, "Value", Variant(i));
        for (int n = 0; n < 25; ++n) {
          Variant child = DispatchCall(server, "Child", {"c" + std::to_string(n)});
          if (DispatchCall(server, "NameOf", {child}).AsString() != "c" + std::to_string(n)) {
            failures[i] = "wrong child";
          }
        }
        if (DispatchGet(server, "Value").AsInteger() != i) failures[i] = "another client's value";
        servingThreads[i] = DispatchGet(server, "Thread").AsString();
      } catch (const std::exception& error) {
        failures[i] = error.what();
      }
      allAsked.arrive_and_wait();
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kClients; ++i) EXPECT_EQ(failures[i], "") << "client " << i;
  EXPECT_EQ(std::set<std::string>(servingThreads.begin(), servingThreads.end()).size(),
            static_cast<size_t>(kClients));
  EXPECT_TRUE(Eventually([&] { return server_->ClientCount() == 0 && LiveObjects() == 0; }));
}

TEST_F(ServerTest, AClientBeyondTheLimitHearsServerBusyAndALaterOneGetsIn) {
  TDispatchServerOptions options;
  options.maxClients = 2;
  StartServer(options);
  std::shared_ptr<TRemoteConnection> first;
  Variant a(Connect(&first));
  Variant b(Connect());
  EXPECT_EQ(server_->ClientCount(), 2);

  auto third = TRemoteConnection::Open("localhost", port_);
  EXPECT_EQ(RaisedText<EConnectionError>([&] { third->CreateServerObject(test::kTestClass); }),
            "Server busy: the application server already serves 2 clients, the most it takes; "
            "try again later");
  EXPECT_FALSE(third->Connected());
  EXPECT_EQ(DispatchCall(a, "Echo", {1}).AsInteger(), 1);  // the others go on

  first->Close();
  ASSERT_TRUE(Eventually([&] { return server_->ClientCount() == 1; }));
  ExpectServing();
}

// Every kind of broken input gets its error frame (or none, when the frame
// never completed) and the connection is closed; the server goes on.
TEST_F(ServerTest, HostileInputClosesThatConnectionAndNothingElse) {
  TDispatchServerOptions options;
  options.frameTimeoutMs = 300;
  StartServer(options);

  Variant deep = Variant::ArrayOf({1});
  for (int i = 0; i < 20; ++i) deep = Variant::ArrayOf({deep});
  std::string hugeArray = EncodeFrame(CallFrame(1, 0, "CreateObject", {Variant::ArrayOf({1})}));
  // The array's length field sits after the member, the count and the tag and dimension bytes.
  const size_t lengthAt = 4 + 24 + 4 + 12 + 4 + 2;
  hugeArray.replace(lengthAt, 4, std::string("\xFF\xFF\xFF\x7F", 4));
  std::string wrongMagic = EncodeFrame(ReleaseFrame(0, 1));
  wrongMagic[4] = 'X';
  const std::string sound = EncodeFrame(CallFrame(1, 0, "CreateObject", {test::kTestClass}));

  struct Case {
    const char* name;
    std::string bytes;
    const char* answer;  // part of the error message; null: closed without one
    bool endWriting;
  };
  const std::vector<Case> cases = {
      {"text instead of frames", "GET / HTTP/1.1\r\nHost: x\r\n\r\n",
       "frame length 542393671 is larger than the limit of 16777216", false},
      {"length shorter than a header", std::string("\x03\0\0\0abc", 7), "shorter than the 24-byte header", false},
      {"wrong magic", wrongMagic, "not a frame: wrong magic", false},
      {"array longer than the limits", hugeArray, "array dimension of 2147483647 is larger than the limit of 262144", false},
      {"arrays nested too deep", EncodeFrame(CallFrame(1, 0, "CreateObject", {deep}), nullptr, TRawClient::Permissive()),
       "arrays nested deeper than the limit of 16", false},
      {"an answer frame from a client", EncodeFrame(AnswerFrame(1, 0, 1, {})), "a client sends no answer frames", false},
      {"a frame cut short", sound.substr(0, sound.size() - 5), nullptr, true},
      {"a frame that never completes", sound.substr(0, sound.size() - 5), nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRawClient raw(port_);
    raw.Send(c.bytes);
    if (c.endWriting) raw.EndWriting();
    if (c.answer != nullptr) {
      Frame answer = raw.Receive();
      EXPECT_EQ(answer.kind, FrameKind::kError);
      EXPECT_EQ(answer.requestId, 0u);
      EXPECT_EQ(answer.errorBaseClass, "EWireError");
      EXPECT_NE(answer.errorMessage.find(c.answer), std::string::npos) << answer.errorMessage;
    }
    EXPECT_TRUE(raw.ClosedByServer());
    ExpectServing();
  }
  EXPECT_TRUE(Eventually([&] { return server_->ClientCount() == 0; }));
  EXPECT_TRUE(LogHas("closed after a bad frame"));
  EXPECT_TRUE(LogHas("No complete frame from 127.0.0.1:"));
}

TEST_F(ServerTest, CallsMustNameObjectsOfTheirOwnConnection) {
  TRawClient raw(port_);
  raw.Send(CallFrame(1, 0, "CreateObject", {test::kTestClass}));
  Frame created = raw.Receive();
  ASSERT_EQ(created.kind, FrameKind::kAnswer);
  ASSERT_TRUE(created.value.IsDispatch());

  struct Case {
    Frame request;
    const char* error;
  };
  const std::vector<Case> cases = {
      {PropertyGetFrame(2, 0, "Name"), "The dispatch server answers only CreateObject on object 0"},
      {CallFrame(3, 0, "CreateObject", {test::kTestClass}), "This connection has its server object already"},
      {CallFrame(4, 42, "Echo", {1}), "No object with handle 42 on this connection"},
  };
  for (const Case& c : cases) {
    raw.Send(c.request);
    Frame answer = raw.Receive();
    EXPECT_EQ(answer.kind, FrameKind::kError);
    EXPECT_EQ(answer.requestId, c.request.requestId);
    EXPECT_EQ(answer.errorBaseClass, "EDispatchError");
    EXPECT_EQ(answer.errorMessage.rfind(c.error, 0), 0u) << answer.errorMessage;
  }
  // Another connection's handle is not this one's; a released handle is gone.
  raw.Send(ReleaseFrame(0, 1));
  raw.Send(CallFrame(5, 1, "Echo", {1}));
  EXPECT_EQ(raw.Receive().errorMessage, "No object with handle 1 on this connection");
  EXPECT_EQ(LiveObjects(), 0);
}

TEST_F(ServerTest, OnlyTheNamedClassesAreServed) {
  TDispatchServerOptions options;
  options.classes = {"Other.Class", "PELLORTEST.REMOTE"};
  StartServer(options);
  ExpectServing();

  options.classes = {"Other.Class"};
  StartServer(options);
  auto connection = TRemoteConnection::Open("localhost", port_);
  EXPECT_EQ(RaisedText<EDispatchError>([&] { connection->CreateServerObject(test::kTestClass); }),
            "The application server does not serve class PellorTest.Remote");
}

TEST_F(ServerTest, AnAnswerTooLargeForTheClientBecomesAnError) {
  TDispatchServerOptions options;
  options.sendLimits.maxTextBytes = 1000;
  StartServer(options);
  Variant server(Connect());
  EXPECT_EQ(DispatchCall(server, "Text", {1000}).AsString().size(), 1000u);
  const std::string text = RaisedText<EWireError>([&] { DispatchCall(server, "Text", {1001}); });
  EXPECT_EQ(text, "The answer to Text cannot travel: Cannot encode: narrow text of 1001 bytes is "
                  "longer than the limit of 1000");
  EXPECT_EQ(DispatchCall(server, "Echo", {"next"}).AsString(), "next");
}

TEST_F(ServerTest, SilentClientsAreClosedAfterTheHandshakeTime) {
  TDispatchServerOptions options;
  options.handshakeTimeoutMs = 200;
  StartServer(options);
  TRawClient raw(port_);
  EXPECT_TRUE(raw.ClosedByServer());
  EXPECT_TRUE(Eventually([&] { return LogHas("sent nothing within 200 ms; closed"); }));
  ExpectServing();
}

TEST_F(ServerTest, StopClosesConnectedClientsAndFreesTheirObjects) {
  std::shared_ptr<TRemoteConnection> idleConnection;
  Variant idle(Connect(&idleConnection));
  Variant child = DispatchCall(idle, "Child", {"kept"});
  Variant busy(Connect());
  std::string busyError;
  std::thread caller([&] {
    try {
      DispatchCall(busy, "Sleep", {300});
    } catch (const EConnectionError& error) {
      busyError = error.what();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the call is under way
  EXPECT_EQ(LiveObjects(), 3);

  server_->Stop();
  caller.join();
  EXPECT_EQ(LiveObjects(), 0);
  EXPECT_EQ(server_->ClientCount(), 0);
  EXPECT_NE(busyError, "");
  EXPECT_THROW(DispatchGet(child, "Name"), EConnectionError);
  EXPECT_FALSE(idleConnection->Connected());
  EXPECT_THROW(TRemoteConnection::Open("localhost", port_)->CreateServerObject(test::kTestClass),
               EConnectionError);
  server_->Stop();  // twice is harmless
}

TEST_F(ServerTest, AnAddressInUseCannotBeListenedOn) {
  TDispatchServerOptions options;
  options.bindAddress = "127.0.0.1";
  options.port = port_;
  TDispatchServer second(options);
  EXPECT_EQ(RaisedText<EConnectionError>([&] { second.Start(); }),
            "Cannot listen on 127.0.0.1:" + std::to_string(port_) + ": Address already in use");
}

}  // namespace
}  // namespace pellor
