#include "platform/db/socket_connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/remote.h"
#include "platform/rtl/errors.h"
#include "platform/ui/properties.h"
#include "platform/dispatch/test_server_objects.h"

namespace pellor {
namespace {

using test::LiveObjects;

class SocketConnectionTest : public test::ServerFixture {
 protected:
  void SetUp() override {
    test::ServerFixture::SetUp();
    midas_ = TComponent::CreateUnowned<TSocketConnection>();
    midas_->SetName("MIDAS");
    midas_->SetServerName(test::kTestClass);
    midas_->SetServerGUID("{BB7E4B70-77C3-11D2-9FDC-0080C844E23B}");
    midas_->OnConnect = [this](TObject*) { events_.push_back("connect"); };
    midas_->OnDisconnect = [this](TObject*) { events_.push_back("disconnect"); };
  }
  void TearDown() override {
    midas_.reset();
    test::ServerFixture::TearDown();
  }

  template <class E, class F>
  std::string RaisedText(F call) {
    try {
      call();
    } catch (const E& error) {
      return error.what();
    }
    return "(nothing raised)";
  }

  std::unique_ptr<TSocketConnection> midas_;
  std::vector<std::string> events_;
};

TEST_F(SocketConnectionTest, TheLocalAddressCreatesTheServerInThisProcess) {
  server_->Stop();  // nothing listens: the object must not come over a socket
  midas_->SetAddress("127.0.0.1");
  SetPropValue(*midas_, "Connected", true);
  EXPECT_TRUE(midas_->Connected());
  EXPECT_EQ(events_, std::vector<std::string>{"connect"});

  Variant server = midas_->AppServer();
  ASSERT_TRUE(server.IsDispatch());
  EXPECT_NE(dynamic_cast<test::TServedObject*>(server.AsDispatch().get()), nullptr);
  EXPECT_EQ(DispatchCall(server, "Echo", {"here"}).AsString(), "here");

  midas_->Close();
  EXPECT_FALSE(midas_->Connected());
  EXPECT_TRUE(midas_->AppServer().IsEmpty());
  EXPECT_EQ(events_, (std::vector<std::string>{"connect", "disconnect"}));
  // An in-process object lives on with whoever still holds it.
  EXPECT_EQ(DispatchCall(server, "Echo", {1}).AsInteger(), 1);
}

TEST_F(SocketConnectionTest, AnyOtherAddressGoesOverTcp) {
  midas_->SetHost("localhost");
  midas_->SetPort(port_);
  midas_->Open();
  ASSERT_TRUE(midas_->Connected());
  Variant server = midas_->AppServer();
  EXPECT_NE(dynamic_cast<TRemoteObject*>(server.AsDispatch().get()), nullptr);
  VarArgs args = {Variant("a"), Variant("b")};
  DispatchInvoke(server, "Swap", args);
  EXPECT_EQ(args[0].AsString(), "b");
  EXPECT_EQ(LiveObjects(), 1);
  midas_->Open();  // opening an open connection changes nothing
  EXPECT_EQ(events_, std::vector<std::string>{"connect"});

  // Closing ends the conversation, also for copies of the server object.
  SetPropValue(*midas_, "Connected", false);
  EXPECT_EQ(events_, (std::vector<std::string>{"connect", "disconnect"}));
  EXPECT_THROW(DispatchCall(server, "Echo", {1}), EConnectionError);
  EXPECT_TRUE(test::Eventually([] { return LiveObjects() == 0; }));
}

TEST_F(SocketConnectionTest, FailuresSayWhatWasMissingOrUnreachable) {
  EXPECT_EQ(RaisedText<EConnectionError>([&] { midas_->Open(); }),
            "Cannot open MIDAS: neither Address nor Host is set");
  midas_->SetServerName("");
  midas_->SetAddress("127.0.0.1");
  EXPECT_EQ(RaisedText<EConnectionError>([&] { midas_->Open(); }), "Cannot open MIDAS: no ServerName is set");
  midas_->SetServerName("No.Such.Class");
  EXPECT_EQ(RaisedText<EDispatchError>([&] { midas_->Open(); }), "Invalid class string: No.Such.Class");

  midas_->SetServerName(test::kTestClass);
  midas_->SetAddress("localhost");
  midas_->SetPort(port_);
  server_->Stop();
  const std::string text = RaisedText<EConnectionError>([&] { midas_->Open(); });
  EXPECT_EQ(text.rfind("Cannot connect to localhost:" + std::to_string(port_) + ": ", 0), 0u) << text;
  EXPECT_NE(text.find("refused"), std::string::npos) << text;
  EXPECT_FALSE(midas_->Connected());
  EXPECT_TRUE(events_.empty());
}

TEST_F(SocketConnectionTest, PublishedSettingsAndTheirRules) {
  EXPECT_EQ(GetPropValue(*midas_, "Port").AsInteger(), 211);
  EXPECT_EQ(GetPropValue(*midas_, "ServerGUID").AsString(), "{BB7E4B70-77C3-11D2-9FDC-0080C844E23B}");
  SetPropValue(*midas_, "Host", "server.example");
  SetPropValue(*midas_, "Address", "10.0.0.5");
  EXPECT_EQ(midas_->Host(), "");  // the last one set counts
  SetPropValue(*midas_, "Host", "server.example");
  EXPECT_EQ(midas_->Address(), "");
  EXPECT_TRUE(EventAssigned(*midas_, "OnConnect"));

  midas_->SetAddress("127.0.0.1");
  midas_->Open();
  EXPECT_EQ(RaisedText<EConnectionError>([&] { midas_->SetPort(212); }),
            "Cannot change Port of MIDAS while it is connected");
  EXPECT_THROW(midas_->SetAddress("10.0.0.5"), EConnectionError);
  EXPECT_THROW(midas_->SetServerName("Other.Class"), EConnectionError);
  midas_->SetAddress("127.0.0.1");  // the same value is no change
  EXPECT_EQ(midas_->Port(), 211);
}

TEST_F(SocketConnectionTest, AServerObjectMadeElsewhereCanBeUsed) {
  Variant made(CreateObject(test::kTestClass));
  midas_->SetAppServer(made);
  EXPECT_TRUE(midas_->Connected());
  EXPECT_EQ(midas_->AppServer(), made);
  EXPECT_THROW(midas_->SetAppServer(Variant(5)), EDispatchError);
  midas_->SetAppServer(Variant());
  EXPECT_FALSE(midas_->Connected());
  EXPECT_EQ(events_, (std::vector<std::string>{"connect", "disconnect"}));
}

TEST_F(SocketConnectionTest, DestroyingAnOpenConnectionClosesItQuietly) {
  midas_->SetAddress("localhost");
  midas_->SetPort(port_);
  midas_->Open();
  Variant server = midas_->AppServer();
  midas_.reset();
  EXPECT_EQ(events_, std::vector<std::string>{"connect"});
  EXPECT_THROW(DispatchCall(server, "Echo", {1}), EConnectionError);
}

}  // namespace
}  // namespace pellor
