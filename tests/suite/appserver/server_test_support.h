// Shared by the application server's tests: Connect's argument, and a
// fixture that makes server objects of their own on the test's database.
#ifndef PELLOR_TESTS_SUITE_APPSERVER_SERVER_TEST_SUPPORT_H_
#define PELLOR_TESTS_SUITE_APPSERVER_SERVER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../db/db_test_support.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/variant.h"
#include "suite/appserver/app_server.h"
#include "suite/appserver/lookup_server.h"

namespace suite::testing {

// The vocabulary of every server test.
using db::testing::kCompanyA;
using db::testing::kCompanyB;
using pellor::DispatchCall;
using pellor::Variant;

// Connect's argument as the module sends it: program, user, company, the
// database (named after the company) and two flags the servers ignore.
inline Variant ConnectArgs(const std::string& user, const std::string& company = kCompanyA) {
  return Variant::ArrayOf({Variant("PEVF07"), Variant(user), Variant(company), Variant(company), Variant("True"),
                           Variant("N")});
}

class ServerTest : public db::testing::DbTest {
 protected:
  // An application server object on the test's database, connected as
  // `user` of `company` (not connected when `user` is empty).
  Variant NewServer(const std::string& user, const std::string& company = kCompanyA) {
    return Connected(Variant(pellor::DispatchPtr(std::make_shared<TAppServer>(Open(), Open()))), user, company);
  }
  // The same for a look-up server.
  Variant NewLookupServer(const std::string& user, const std::string& company = kCompanyA) {
    return Connected(Variant(pellor::DispatchPtr(std::make_shared<TLookupServer>(Open(), Open()))), user, company);
  }

 private:
  static Variant Connected(Variant server, const std::string& user, const std::string& company) {
    if (!user.empty()) {
      EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs(user, company)}).AsInteger(), 0)
          << user << " of " << company;
    }
    return server;
  }
};

}  // namespace suite::testing

#endif  // PELLOR_TESTS_SUITE_APPSERVER_SERVER_TEST_SUPPORT_H_
