// A served class and a running dispatch server for the tests of the network
// path: a server on an ephemeral loopback port whose class factory knows
// "PellorTest.Remote".
#ifndef PELLOR_TESTS_DISPATCH_TEST_SERVER_OBJECTS_H_
#define PELLOR_TESTS_DISPATCH_TEST_SERVER_OBJECTS_H_

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/class_factory.h"
#include "platform/dispatch/dispatch.h"
#include "platform/dispatch/server.h"
#include "platform/rtl/errors.h"

namespace pellor {
namespace test {

constexpr const char* kTestClass = "PellorTest.Remote";

// Objects of the served class that exist now, in any test's server.
inline std::atomic<int>& LiveObjects() {
  static std::atomic<int> count{0};
  return count;
}

// The served object:
//   Echo(x) → x
//   Swap(a, b): out a, out b exchanged → 2
//   Child(name) → a second object with property Name and method Owner
//   NameOf(object) → the Name of a child passed back to it
//   Fail(kind, text) raises "db" EDatabaseError, "abort" EAbort, "std" std::runtime_error
//   Sleep(ms) → true after sleeping
//   Text(n) → a text of n bytes "x"
//   property Value (read and write), property Thread (the serving thread's id as text)
class TServedObject : public TDispatchObject {
 public:
  explicit TServedObject(std::string className, std::string name = "root")
      : TDispatchObject(std::move(className)), name_(std::move(name)) {
    ++LiveObjects();
    AddMethod("Echo", 1, 1, [](VarArgs& args) { return args[0]; });
    AddMethod("Swap", 2, 2, [](VarArgs& args) {
      std::swap(args[0], args[1]);
      return Variant(2);
    });
    AddMethod("Child", 1, 1, [this](VarArgs& args) {
      auto child = std::make_shared<TServedObject>(DispatchClassName() + ".Child", args[0].AsString());
      return Variant(DispatchPtr(child));
    });
    AddMethod("NameOf", 1, 1, [](VarArgs& args) { return DispatchGet(args[0], "Name"); });
    AddMethod("Fail", 2, 2, [](VarArgs& args) -> Variant {
      const std::string kind = args[0].AsString();
      if (kind == "db") throw EDatabaseError(args[1].AsString());
      if (kind == "abort") throw EAbort();
      throw std::runtime_error(args[1].AsString());
    });
    AddMethod("Sleep", 1, 1, [](VarArgs& args) {
      std::this_thread::sleep_for(std::chrono::milliseconds(args[0].AsInteger()));
      return Variant(true);
    });
    AddMethod("Text", 1, 1, [](VarArgs& args) {
      return Variant(std::string(static_cast<size_t>(args[0].AsInt64()), 'x'));
    });
    AddProperty("Name", [this] { return Variant(name_); });
    AddProperty("Value", [this] { return value_; }, [this](const Variant& v) { value_ = v; });
    AddProperty("Thread", [] {
      std::ostringstream id;
      id << std::this_thread::get_id();
      return Variant(id.str());
    });
  }
  ~TServedObject() override { --LiveObjects(); }

 private:
  std::string name_;
  Variant value_;
};

// Waits up to two seconds for `condition`; true when it held.
template <class F>
bool Eventually(F condition) {
  for (int i = 0; i < 200; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// A server on 127.0.0.1 and a port the system chose, serving kTestClass.
class ServerFixture : public ::testing::Test {
 protected:
  void SetUp() override { StartServer(TDispatchServerOptions()); }
  void TearDown() override {
    if (server_) server_->Stop();
    EXPECT_TRUE(Eventually([] { return LiveObjects() == 0; }))
        << LiveObjects() << " served objects outlived the server";
  }

  // Replaces the running server by one with `options` (address and port
  // are set here).
  void StartServer(TDispatchServerOptions options) {
    if (server_) server_->Stop();
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.log = [this](const std::string& line) {
      std::lock_guard<std::mutex> lock(logMutex_);
      log_.push_back(line);
    };
    server_ = std::make_unique<TDispatchServer>(std::move(options));
    server_->Start();
    port_ = server_->Port();
  }

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
  }

  ClassFactoryRegistration registration_{
      kTestClass, [] { return std::make_shared<TServedObject>(kTestClass); }};
  std::mutex logMutex_;
  std::vector<std::string> log_;
  std::unique_ptr<TDispatchServer> server_;  // after what its log writes to
  int port_ = 0;
};

}  // namespace test
}  // namespace pellor

#endif  // PELLOR_TESTS_DISPATCH_TEST_SERVER_OBJECTS_H_
