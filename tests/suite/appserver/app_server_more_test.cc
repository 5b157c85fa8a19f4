#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "server_test_support.h"
#include "platform/db/client_dataset.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/app_server.h"

namespace suite::testing {
namespace {

class AppServerMoreTest : public ServerTest {
 protected:
  static std::string Insert(Variant& server, const std::string& name, const std::string& user,
                            const std::string& text, int page, bool replace, const char* program = "PEVF07") {
    return DispatchCall(server, "InsertConTable",
                        {Variant::ArrayOf({Variant(name), Variant(user), Variant("20240301"), Variant(program),
                                           Variant(text), Variant(page), Variant(replace)})})
        .AsString();
  }
  static Variant Key(const std::string& name, const std::string& user, const char* program = "PEVF07") {
    return Variant::ArrayOf({Variant(name), Variant(user), Variant(program)});
  }
  // Rows "pvdConSave" delivers after a LoadTable, as (name, text) pairs.
  static std::vector<std::pair<std::string, std::string>> Listed(Variant& server, const std::string& user,
                                                                 const char* program = "PEVF07") {
    DispatchCall(server, "LoadTable", {Variant::ArrayOf({Variant(user), Variant(program)})});
    pellor::ProviderOpenResult opened = pellor::OpenResultFromVariant(
        DispatchCall(server, pellor::kAsOpen, {Variant("pvdConSave"), Variant(), Variant(), Variant(-1)}));
    EXPECT_TRUE(opened.packet.allFetched);
    int nameAt = -1, textAt = -1;
    for (size_t i = 0; i < opened.fieldDefs.size(); ++i) {
      if (opened.fieldDefs[i].name == "NCONDITION") nameAt = static_cast<int>(i);
      if (opened.fieldDefs[i].name == "VCONDITION") textAt = static_cast<int>(i);
    }
    std::vector<std::pair<std::string, std::string>> out;
    if (nameAt < 0 || textAt < 0) {
      ADD_FAILURE() << "pvdConSave lacks NCONDITION or VCONDITION";
      return out;
    }
    for (int r = 0; r < opened.packet.rows.Count(); ++r) {
      out.emplace_back(opened.packet.rows[r][nameAt].AsString(), opened.packet.rows[r][textAt].AsString());
    }
    return out;
  }
};

TEST_P(AppServerMoreTest, GetFormatAnswersTheUsersDocumentElseTheProgramDefault) {
  writer_->Execute(
      "INSERT INTO ADMMT (MT001, MT002, MT003, COMPANY) VALUES ('LIFANG', 'PEVF07', ?, ?), ('', 'PEVF07', 'b', ?)",
      {Variant("<MT_User><Components><Component ID=\"lbl\"><Caption>李芳的</Caption></Component></Components></MT_User>"),
       Variant(kCompanyB), Variant(kCompanyB)});
  Variant lifang = NewServer("LIFANG");
  std::string own = DispatchCall(lifang, "GetFormat", {Variant(kCompanyA), Variant("PEVF07")}).AsString();
  // Nothing of LIFANG's own in company A: the program's default, in 936.
  EXPECT_NE(own.find("<Component ID=\"edMF002\"><Required>-1</Required>"), std::string::npos) << own;
  EXPECT_EQ(DispatchCall(lifang, "GetFormat", {Variant(kCompanyA), Variant("PEVF99")}).AsString(), "");
  EXPECT_THROW(DispatchCall(lifang, "GetFormat", {Variant(kCompanyB), Variant("PEVF07")}), pellor::EDispatchError);

  writer_->Execute("INSERT INTO ADMMT (MT001, MT002, MT003, COMPANY) VALUES ('LIFANG', 'PEVF07', ?, ?)",
                   {Variant("<MT_User><Caption>李芳</Caption></MT_User>"), Variant(kCompanyA)});
  EXPECT_EQ(DispatchCall(lifang, "GetFormat", {Variant(kCompanyA), Variant("PEVF07")}).AsString(),
            pellor::Cp936("<MT_User><Caption>李芳</Caption></MT_User>"));
  // Another user of the company still gets the default.
  Variant kv = NewServer("KV");
  EXPECT_EQ(DispatchCall(kv, "GetFormat", {Variant(kCompanyA), Variant("PEVF07")}).AsString(), own);
}

TEST_P(AppServerMoreTest, SavedConditionsAreKeptPerUserProgramAndCompany) {
  Variant server = NewServer("ZHANGWEI");
  EXPECT_TRUE(Listed(server, "ZHANGWEI").empty());
  const std::string name = pellor::Cp936("我的方案");
  const std::string grid = pellor::Cp936("500\a评价因素编号\r\n等于\r\nA01\r\nAND\b");
  EXPECT_EQ(Insert(server, name, "ZHANGWEI", grid, 0, false), "");
  EXPECT_EQ(Insert(server, "plain", "ZHANGWEI", "100\afree\x03\x03" "0\x03", 1, false), "");
  EXPECT_EQ(Insert(server, "other program", "ZHANGWEI", "x", 0, false, "PEVF08"), "");
  EXPECT_EQ(writer_->QueryValue("SELECT VCONDITION FROM DOCUS WHERE NCONDITION = ?", {Variant("我的方案")}).AsString(),
            "500\a评价因素编号\r\n等于\r\nA01\r\nAND\b");
  EXPECT_EQ(writer_->QueryValue("SELECT CREATE_DATE FROM DOCUS WHERE NCONDITION = 'plain'").AsString(), "20240301");

  auto listed = Listed(server, "ZHANGWEI");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].first, "plain");
  EXPECT_EQ(listed[1], std::make_pair(name, grid));

  // A same-named condition of another company is invisible and untouched.
  writer_->Execute("INSERT INTO DOCUS (NCONDITION, PROGRAMME, VCONDITION, COMPANY, CREATOR) VALUES "
                   "('plain', 'PEVF07', 'B', ?, 'ZHANGWEI')",
                   {Variant(kCompanyB)});
  EXPECT_EQ(Listed(server, "ZHANGWEI").size(), 2u);
  // Another user sees none of them and cannot read or write them.
  Variant kv = NewServer("KV");
  EXPECT_TRUE(Listed(kv, "KV").empty());
  EXPECT_THROW(Listed(kv, "ZHANGWEI"), pellor::EDispatchError);
  EXPECT_NE(Insert(kv, "plain", "ZHANGWEI", "stolen", 1, true), "");
  EXPECT_NE(DispatchCall(kv, "DeleteConTable", {Key("plain", "ZHANGWEI")}).AsString(), "");
  // Rows do not change through the provider.
  EXPECT_THROW(DispatchCall(server, pellor::kAsApplyUpdates,
                            {Variant("pvdConSave"), pellor::DeltaToVariant(pellor::Delta{}), Variant(-1)}),
               pellor::EDatabaseError);

  // Deleting.
  EXPECT_EQ(DispatchCall(server, "DeleteConTable", {Key("plain", "ZHANGWEI")}).AsString(), "");
  EXPECT_EQ(DispatchCall(server, "DeleteConTable", {Key("plain", "ZHANGWEI")}).AsString(),
            "The saved condition 'plain' does not exist");
  listed = Listed(server, "ZHANGWEI");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].first, name);
  EXPECT_EQ(writer_->QueryValue("SELECT VCONDITION FROM DOCUS WHERE COMPANY = ?", {Variant(kCompanyB)}).AsString(),
            "B");
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM DOCUS WHERE PROGRAMME = 'PEVF08'").AsInteger(), 1);
}

TEST_P(AppServerMoreTest, ASecondSaveUnderOneNameNeedsTheReplaceFlag) {
  Variant server = NewServer("ZHANGWEI");
  EXPECT_EQ(Insert(server, "A", "ZHANGWEI", "first", 0, false), "");
  EXPECT_EQ(Insert(server, "A", "ZHANGWEI", "second", 1, false), "A saved condition named 'A' exists already");
  EXPECT_EQ(writer_->QueryValue("SELECT VCONDITION FROM DOCUS WHERE NCONDITION = 'A'").AsString(), "first");
  EXPECT_EQ(Insert(server, "A", "ZHANGWEI", "second", 1, true), "");
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM DOCUS").AsInteger(), 1);
  EXPECT_EQ(writer_->QueryValue("SELECT VCONDITION FROM DOCUS WHERE NCONDITION = 'A'").AsString(), "second");
  EXPECT_EQ(writer_->QueryValue("SELECT ActivePage FROM DOCUS WHERE NCONDITION = 'A'").AsInteger(), 1);

  // Names and arguments the server refuses, each with its reason.
  struct Case {
    std::string result;
    std::string expected;
  } cases[] = {
      {Insert(server, "   ", "ZHANGWEI", "x", 0, false), "The name of the saved condition is empty"},
      {Insert(server, pellor::Cp936("一二三四五六七八九十一"), "ZHANGWEI", "x", 0, false),
       pellor::Cp936("The name '一二三四五六七八九十一' is longer than 20 bytes")},
      {Insert(server, "B", "ZHANGWEI", "x", 3, false), "The tab index 3 is not 0, 1 or 2"},
      {DispatchCall(server, "InsertConTable", {Key("B", "ZHANGWEI")}).AsString(),
       "The argument is not an array of 7 values"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected);
  // Exactly twenty bytes is allowed.
  EXPECT_EQ(Insert(server, pellor::Cp936("一二三四五六七八九十"), "ZHANGWEI", "x", 0, false), "");
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM DOCUS").AsInteger(), 2);
}

TEST_P(AppServerMoreTest, RenamingKeepsTheTextAndRefusesTakenOrMissingNames) {
  Variant server = NewServer("ZHANGWEI");
  ASSERT_EQ(Insert(server, "A", "ZHANGWEI", "text of A", 0, false), "");
  ASSERT_EQ(Insert(server, "B", "ZHANGWEI", "text of B", 0, false), "");
  auto rename = [&](Variant from, Variant to) { return DispatchCall(server, "ChangeConName", {from, to}).AsString(); };

  EXPECT_EQ(rename(Key("A", "ZHANGWEI"), Key("B", "ZHANGWEI")), "A saved condition named 'B' exists already");
  EXPECT_EQ(rename(Key("X", "ZHANGWEI"), Key("Y", "ZHANGWEI")), "The saved condition 'X' does not exist");
  EXPECT_EQ(rename(Key("A", "ZHANGWEI"), Key("A", "ZHANGWEI", "PEVF08")),
            "A saved condition cannot move to another user or program");
  EXPECT_EQ(rename(Key("A", "ZHANGWEI"), Key(" ", "ZHANGWEI")), "The name of the saved condition is empty");
  EXPECT_EQ(rename(Key("A", "ZHANGWEI"), Key("A", "ZHANGWEI")), "");
  const std::string newName = pellor::Cp936("新方案");
  const std::string before = pellor::DateTimeToStr17(pellor::Now()).substr(0, 14);
  EXPECT_EQ(rename(Key("A", "ZHANGWEI"), Key(newName, "ZHANGWEI")), "");
  const std::string after = pellor::DateTimeToStr17(pellor::Now()).substr(0, 14);
  // The rename is stamped "YYYYMMDDhhnnss" with the time it was made.
  std::string stamp = writer_->QueryValue("SELECT MODI_DATE FROM DOCUS WHERE NCONDITION = ?", {Variant("新方案")}).AsString();
  EXPECT_EQ(stamp.size(), 14u);
  EXPECT_TRUE(before <= stamp && stamp <= after) << before << " " << stamp << " " << after;

  auto listed = Listed(server, "ZHANGWEI");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0], std::make_pair(std::string("B"), std::string("text of B")));
  EXPECT_EQ(listed[1], std::make_pair(newName, std::string("text of A")));
}

TEST_P(AppServerMoreTest, TheNewMethodsNeedAConnect) {
  Variant server = NewServer("");
  EXPECT_THROW(DispatchCall(server, "GetFormat", {Variant(kCompanyA), Variant("PEVF07")}), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, "LoadTable", {Variant::ArrayOf({Variant("KV"), Variant("PEVF07")})}), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, "DeleteConTable", {Key("A", "KV")}), pellor::EDispatchError);
  EXPECT_THROW(DispatchCall(server, pellor::kAsOpen, {Variant("pvdConSave"), Variant(), Variant(), Variant(-1)}),
               pellor::EDispatchError);
}

PELLOR_DB_BACKENDS(AppServerMoreTest);

}  // namespace
}  // namespace suite::testing
