// GetBaseLimitedRecs: which rows of a configured table a limited user may
// work on. The seed limits ZHAOLEI to the written-test factors (MF004 '1').
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "server_test_support.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/app_server.h"

namespace suite::testing {
namespace {

using pellor::VarArgs;

class BaseLimitedTest : public ServerTest {
 protected:
  struct Answer {
    int count = 0;
    std::vector<std::string> keys;
  };
  static Answer Ask(const Variant& server, const Variant& prefix, const Variant& condition) {
    VarArgs args{prefix, condition, Variant(0)};
    Variant list = pellor::DispatchInvoke(server, "GetBaseLimitedRecs", args);
    Answer answer;
    answer.count = args[2].AsInteger();
    EXPECT_TRUE(list.IsArray());
    for (int i = 0; list.IsArray() && i < list.Count(); ++i) answer.keys.push_back(list[i].AsString());
    return answer;
  }
};

TEST_P(BaseLimitedTest, ALimitedUserIsAnsweredThePermittedKeysOfTheSelectedRows) {
  Variant server = NewServer("ZHAOLEI");
  // A key with Chinese characters is padded by bytes of the client's code
  // page, as the client pads its field text.
  writer_->Execute("INSERT INTO HRSMF (MF001, MF002, MF004, COMPANY) VALUES ('甲1', '测试', '1', ?)",
                   {Variant(kCompanyA)});
  struct Case {
    const char* prefix;
    const char* condition;
    int count;
    std::vector<std::string> keys;  // empty: not compared
  } cases[] = {
      {"M11_", "HRSMF.MF001 = 'C01'", 1, {"C01   -1"}},
      {"M11", "HRSMF.MF001='A01' and HRSMF.MF004='1'", 1, {"A01   -1"}},
      {"m11_", "MF004 = '2'", 0, {}},
      {"M11_", "MF001 = '甲1'", 1, {pellor::Cp936("甲1") + "   -1"}},
      // Company B holds A01 and A02 of category 1 too; they are not counted.
      {"M11_", "", 12, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.prefix) + " " + c.condition);
    Answer answer = Ask(server, Variant(c.prefix), Variant(pellor::Cp936(c.condition)));
    EXPECT_EQ(answer.count, c.count);
    EXPECT_EQ(static_cast<int>(answer.keys.size()), c.count);
    if (!c.keys.empty()) {
      EXPECT_EQ(answer.keys, c.keys);
    }
  }
  // The list comes in key order.
  Answer all = Ask(server, Variant("M11_"), Variant());
  ASSERT_EQ(all.keys.size(), 12u);
  EXPECT_EQ(all.keys.front(), "A01   -1");
  EXPECT_EQ(all.keys[10], "C01   -1");
}

TEST_P(BaseLimitedTest, UsersWithoutALimitAreAnsweredMinusOne) {
  // ZHANGWEI's rights do not limit him; KV is limited by a rule of his
  // group only when his rights row says so.
  writer_->Execute("INSERT INTO ADMBL (BL001, BL002, BL003, BL004, COMPANY) VALUES ('ADMIN', 'G', 'HRSMF', "
                   "'MF004 = ''2''', ?)",
                   {Variant(kCompanyA)});
  for (const char* user : {"ZHANGWEI", "KV"}) {
    SCOPED_TRACE(user);
    Answer answer = Ask(NewServer(user), Variant("M11_"), Variant("MF001 = 'A01'"));
    EXPECT_EQ(answer.count, -1);
    EXPECT_TRUE(answer.keys.empty());
  }
  // A limited user without a rule for the table is not limited on it.
  writer_->Execute("DELETE FROM ADMBL WHERE BL001 = 'ZHAOLEI'");
  EXPECT_EQ(Ask(NewServer("ZHAOLEI"), Variant("M11_"), Variant()).count, -1);
}

TEST_P(BaseLimitedTest, TheUsersOwnRuleWinsOverTheGroupsRule) {
  writer_->Execute("INSERT INTO ADMBL (BL001, BL002, BL003, BL004, COMPANY) VALUES ('HR', 'G', 'HRSMF', "
                   "'MF001 LIKE ''B0%''', ?)",
                   {Variant(kCompanyA)});
  EXPECT_EQ(Ask(NewServer("ZHAOLEI"), Variant("M11_"), Variant()).count, 11);
  writer_->Execute("DELETE FROM ADMBL WHERE BL001 = 'ZHAOLEI'");
  Answer answer = Ask(NewServer("ZHAOLEI"), Variant("M11_"), Variant());
  EXPECT_EQ(answer.count, 9);
  EXPECT_EQ(answer.keys.front(), "B01   -2");
  // The rule of another company does not apply.
  writer_->Execute("UPDATE ADMBL SET COMPANY = ? WHERE BL001 = 'HR'", {Variant(kCompanyB)});
  EXPECT_EQ(Ask(NewServer("ZHAOLEI"), Variant("M11_"), Variant()).count, -1);
}

TEST_P(BaseLimitedTest, WrongCallsAreRefusedAndNothingIsWritten) {
  Variant unconnected = NewServer("");
  try {
    Ask(unconnected, Variant("M11_"), Variant());
    ADD_FAILURE() << "answered before Connect";
  } catch (const pellor::EDispatchError& e) {
    EXPECT_STREQ(e.what(), "not connected");
  }

  for (const char* user : {"ZHAOLEI", "ZHANGWEI"}) {
    SCOPED_TRACE(user);
    Variant server = NewServer(user);
    // Argument shapes.
    EXPECT_THROW(Ask(server, Variant::ArrayOf({Variant("M11_")}), Variant()), pellor::EDispatchError);
    EXPECT_THROW(Ask(server, Variant("M11;--"), Variant()), pellor::EDispatchError);
    EXPECT_THROW(Ask(server, Variant(""), Variant()), pellor::EDispatchError);
    EXPECT_THROW(Ask(server, Variant("M11_"), Variant::ArrayOf({Variant("1=1")})), pellor::EDispatchError);
    EXPECT_THROW(DispatchCall(server, "GetBaseLimitedRecs", {Variant("M11_"), Variant("")}),
                 pellor::EDispatchError);
    // A prefix the program does not configure.
    EXPECT_THROW(Ask(server, Variant("D11_"), Variant()), pellor::EDatabaseError);
    // Conditions that try to write or to step out.
    for (const char* condition : {"1=1; DELETE FROM HRSMF", "MF001 = 'A01') OR (1=1",
                                  "MF001 IN (SELECT MA001 FROM main.QRNMA)"}) {
      SCOPED_TRACE(condition);
      EXPECT_THROW(Ask(server, Variant("M11_"), Variant(condition)), pellor::EDatabaseError);
    }
    // Another company's rows are not there to count.
    if (std::string(user) == "ZHAOLEI") {
      EXPECT_EQ(Ask(server, Variant("M11_"), Variant("COMPANY = 'HZ0002'")).count, 0);
    }
  }
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

PELLOR_DB_BACKENDS(BaseLimitedTest);

}  // namespace
}  // namespace suite::testing
