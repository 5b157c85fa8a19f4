// The look-up window service end to end: a request goes in, the window opens
// over the seeded database, a script acts on it as a user would, and the
// answer comes back in the shape the programs read.
#include "suite/lookup/f2window_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../db/db_test_support.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "platform/ui/grids.h"
#include "platform/ui/keys.h"
#include "platform/ui/platform.h"
#include "platform/ui/stdctrls.h"

namespace suite::testing {
namespace {

using db::testing::kCompanyA;
using db::testing::kCompanyB;
using pellor::Cp936;
using pellor::IModalWindow;
using pellor::TCustomForm;
using pellor::Variant;
using pellor::VarArgs;

TCustomForm& Form(IModalWindow& window) { return pellor::ModalWindowAs<TCustomForm>(window); }

// A control of the modal window by name, as a script finds it.
template <class T>
T& Control(IModalWindow& window, const char* name) {
  T* control = dynamic_cast<T*>(Form(window).FindComponent(name));
  if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *control;
}

// The look-up request of a program; the defaults are what the module sends.
struct F2Request {
  F2Request(Variant table, Variant kind) : table(std::move(table)), kind(std::move(kind)) {}
  F2Request& Keys(std::vector<Variant> values) {
    keys = Variant::ArrayOf(values);
    return *this;
  }

  Variant table;
  Variant kind;
  Variant keys;
  bool multiSelect = false;
  std::string condition;
  std::string company = kCompanyA;
  bool answerSingleMatch = true;
  std::string answerColumns;
  std::string keyColumns;
  std::string targetField;
  Variant baseLimited = Variant("N");
  Variant seeSecondGroup = Variant(false);
  Variant seeFirstGroup = Variant(false);
  Variant workCenter;
  Variant user = Variant("ZHANGWEI");

  Variant ToVariant() const {
    return Variant::ArrayOf({table, kind, keys, Variant(multiSelect), Variant(condition), Variant(company),
                             Variant(company), Variant(65537), Variant(1), Variant(answerSingleMatch), Variant(0),
                             Variant(answerColumns), Variant(keyColumns), Variant(targetField), baseLimited,
                             seeSecondGroup, seeFirstGroup, workCenter, user});
  }
};

class F2WindowServiceTest : public db::testing::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    StartSession("ZHANGWEI");
  }

  // The service of a session of `user` in company A.
  void StartSession(const std::string& user) {
    context_ = std::make_shared<ServiceContext>();
    context_->writer = Open();
    context_->gateway = OpenGateway();
    context_->company = kCompanyA;
    context_->userId = user;
    service_ = Variant(CreateF2WindowService(context_));
  }

  Variant F2GetData(const F2Request& request) { return F2GetData(request.ToVariant()); }
  Variant F2GetData(const Variant& request) { return pellor::DispatchCall(service_, "F2GetData", {request}); }

  // The rows of an answer as texts joined with "|", a row per element.
  static std::vector<std::string> Rows(const Variant& answer) {
    std::vector<std::string> rows;
    for (const Variant& row : answer.Elements()) {
      std::string text;
      for (const Variant& value : row.Elements()) text += (text.empty() ? "" : "|") + value.AsString();
      rows.push_back(text);
    }
    return rows;
  }

  pellor::THeadlessPlatform platform_;
  pellor::ScopedPlatform scoped_{platform_};
  std::shared_ptr<ServiceContext> context_;
  Variant service_;
};

TEST_P(F2WindowServiceTest, PickWindowShowsTheCompanysRowsAndAnswersTheChosenOne) {
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    EXPECT_EQ(Form(w).Caption(), Cp936("部门查询"));
    EXPECT_EQ(grid.Cells(1, 0), Cp936("部门编号"));
    // Company A's four departments in code order; B's HR01 is not among them.
    ASSERT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.Cells(1, 1), "FN01");
    EXPECT_EQ(grid.Cells(2, 2), Cp936("人力资源部"));
    EXPECT_EQ(grid.Cells(1, 4), "QA01");
    grid.SetRow(3);
    Form(w).PressKey(pellor::VK_RETURN);
  });
  const Variant answer = F2GetData(F2Request("ACTMA", "66"));
  EXPECT_EQ(Rows(answer), std::vector<std::string>{"PD01|" + Cp936("生产部") + "|2"});
  // What the programs read: value 0 of row 0 is the code.
  EXPECT_EQ(answer[0][0].AsString(), "PD01");
  EXPECT_EQ(platform_.ModalWindows(), std::vector<std::string>{"frmF2Pick"});

  // A double click takes the row as well; the kind may come as a number.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    grid.SetRow(2);
    grid.DblClick();
  });
  EXPECT_EQ(F2GetData(F2Request("copma", 61))[0][0].AsString(), "C0002");
}

TEST_P(F2WindowServiceTest, FindBoxStartsWithTheKeyAndNarrowsTheList) {
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& find = Control<pellor::TEdit>(w, "edFind");
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    EXPECT_EQ(find.Text(), "C000");
    EXPECT_EQ(grid.RowCount(), 4);  // all three customers hold "C000"
    find.SetText(Cp936("南方"));      // a name, matched by characters
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(1, 1), "C0002");
    find.SetText("zzz");  // nothing left: OK beeps and the window stays
    Form(w).PressKey(pellor::VK_RETURN);
  });
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& find = Control<pellor::TEdit>(w, "edFind");
    find.SetText("c0");  // letter case does not matter
    Form(w).PressKey(pellor::VK_DOWN);  // the list moves under the find box
    Form(w).PressKey(pellor::VK_RETURN);
  });
  const Variant answer = F2GetData(F2Request("COPMA", "61").Keys({"C000"}));
  EXPECT_EQ(answer[0][0].AsString(), "C0002");
  EXPECT_EQ(platform_.BeepCount(), 1);
}

TEST_P(F2WindowServiceTest, KeysThatPickOneRowAnswerWithoutAWindow) {
  // Kind 62 matches the short name too.
  Variant answer = F2GetData(F2Request("COPMA", "62").Keys({Cp936("恒通汽配")}));
  EXPECT_EQ(answer[0][0].AsString(), "C0003");
  EXPECT_EQ(answer[0][1].AsString(), Cp936("恒通汽配"));
  // Two keys of the evaluation factors, the second telling C01's two
  // categories apart.
  answer = F2GetData(F2Request("HRSMF", "01").Keys({"C01", "2"}));
  ASSERT_TRUE(answer.IsArray());
  EXPECT_EQ(Rows(answer), std::vector<std::string>{"C01|" + Cp936("综合素质") + "|2|70"});
  EXPECT_TRUE(platform_.ModalWindows().empty());

  // C01 alone picks two rows: the window opens on them.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    EXPECT_EQ(Control<pellor::TStringGrid>(w, "gdPick").RowCount(), 3);
    Form(w).PressKey(pellor::VK_DOWN);
    Form(w).PressKey(pellor::VK_RETURN);
  });
  answer = F2GetData(F2Request("HRSMF", "01").Keys({"C01", ""}));
  EXPECT_EQ(answer[0][2].AsString(), "2");

  // Kind 61 matches codes only: the window opens, and cancelling it answers
  // nothing.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) { Form(w).PressKey(pellor::VK_ESCAPE); });
  answer = F2GetData(F2Request("COPMA", "61").Keys({Cp936("恒通汽配")}));
  EXPECT_TRUE(answer.IsEmpty());
  // Without the option an exact key still shows the window.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) { Form(w).Close(); });
  F2Request exact("COPMA", "61");
  exact.Keys({"C0001"}).answerSingleMatch = false;
  answer = F2GetData(exact);
  EXPECT_TRUE(answer.IsEmpty());
  EXPECT_EQ(platform_.ModalWindows().size(), 3u);
}

// The requests of the module's code fields and user-field look-ups, as the
// broker builds them (option A false, B true, the work-center manager and
// the user at the end): what each stores is element 0 of row 0, or the
// joined values of row 0.
TEST_P(F2WindowServiceTest, TheModulesRequestsAnswerWhatTheFieldStores) {
  auto manager = std::make_shared<pellor::TDispatchObject>("TamloWorkCenter.Manager");
  struct Case {
    const char* table;
    const char* kind;
    std::vector<Variant> keys;
    std::string answerColumns;
    std::string keyColumns;
    std::vector<std::string> firstRow;
  };
  std::vector<Variant> udfCondition(10, Variant(""));
  udfCondition[0] = Variant("QA01");
  const std::vector<Case> cases = {
      // Customer, supplier, cost and bar code fields, by code and (kind + 1)
      // by short name.
      {"COPMA", "61", {Variant("C0001")}, "", "", {"C0001"}},
      {"COPMA", "62", {Variant(Cp936("南方重工"))}, "", "", {"C0002"}},
      {"PURMA", "61", {Variant("S0002")}, "", "", {"S0002"}},
      {"PURMA", "62", {Variant(Cp936("瑞丰包装"))}, "", "", {"S0003"}},
      {"ACTMA", "66", {Variant("PD01")}, "", "", {"PD01"}},
      {"ACTMA", "67", {Variant(Cp936("财务部"))}, "", "", {"FN01"}},
      {"INVMB", "63", {Variant("P1002")}, "", "", {"P1002"}},
      {"INVMB", "64", {Variant(Cp936("不锈钢板"))}, "", "", {"P2001"}},
      // A bar code stores the item code it stands for.
      {"INVMH", "01", {Variant("6901234567892")}, "", "", {"P1001"}},
      {"HRSMF", "01", {Variant("C01"), Variant("2")}, "", "", {"C01"}},
      // A user field: table and kind from F2LINK, the ten-value condition
      // array as keys, F2Field and F2FieldID as answer and key columns.
      {"ACTMA", "66", udfCondition, "MA001,MA002", "MA001", {"QA01", Cp936("品管部")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "/" + c.kind);
    F2Request request(c.table, c.kind);
    request.Keys(c.keys);
    request.answerColumns = c.answerColumns;
    request.keyColumns = c.keyColumns;
    request.targetField = "UDF01";
    request.workCenter = Variant(pellor::DispatchPtr(manager));
    const Variant answer = F2GetData(request);
    ASSERT_TRUE(answer.IsArray());
    ASSERT_TRUE(answer[0].IsArray());
    std::vector<std::string> firstRow;
    for (size_t i = 0; i < c.firstRow.size(); ++i) firstRow.push_back(answer[0][static_cast<int>(i)].AsString());
    EXPECT_EQ(firstRow, c.firstRow);
  }
  EXPECT_TRUE(platform_.ModalWindows().empty());
}

TEST_P(F2WindowServiceTest, SeveralRowsAnswerColumnsAndACondition) {
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    // Only the departments of kind "1": FN01, HR01, QA01.
    ASSERT_EQ(grid.RowCount(), 4);
    grid.SetRow(3);
    Form(w).SetActiveControl(&grid);
    Form(w).PressKey(pellor::VK_SPACE);
    grid.SetRow(1);
    Form(w).PressKey(pellor::VK_SPACE);
    EXPECT_EQ(grid.Cells(0, 1), "*");
    grid.SetRow(2);
    Form(w).PressKey(pellor::VK_SPACE);
    Form(w).PressKey(pellor::VK_SPACE);  // marked and unmarked again
    Form(w).PressKey(pellor::VK_RETURN);
  });
  F2Request request("ACTMA", "66");
  request.multiSelect = true;
  request.condition = "MA003 = '1'";
  request.answerColumns = "MA002; MA001";
  const Variant answer = F2GetData(request);
  // In list order, with the asked columns in the asked order.
  EXPECT_EQ(Rows(answer), (std::vector<std::string>{Cp936("财务部") + "|FN01", Cp936("品管部") + "|QA01"}));

  // Key columns of the caller's choosing: the name instead of the code.
  F2Request byNameRequest("ACTMA", "66");
  byNameRequest.Keys({Cp936("财务部")}).keyColumns = "MA002";
  const Variant byName = F2GetData(byNameRequest);
  EXPECT_EQ(byName[0][0].AsString(), "FN01");
}

TEST_P(F2WindowServiceTest, BadRequestsAnswerNothingAndOpenNoWindow) {
  auto with = [](auto change) {
    F2Request request("COPMA", "61");
    change(request);
    return request.ToVariant();
  };
  Variant shortRequest = with([](F2Request&) {});
  shortRequest.RedimPreserve(17);  // 18 values
  Variant twoDims = Variant::Array2(18, 0);
  const std::vector<std::pair<const char*, Variant>> cases = {
      {"not an array", Variant("COPMA")},
      {"18 values", shortRequest},
      {"two dimensions", twoDims},
      {"table not a text", with([](F2Request& r) { r.table = Variant(5); })},
      {"kind an array", with([](F2Request& r) { r.kind = Variant::ArrayOf({Variant("61")}); })},
      {"keys not an array", with([](F2Request& r) { r.keys = Variant("C0001"); })},
      {"unknown table", with([](F2Request& r) { r.table = "XXXXX"; })},
      {"table without look-up", with([](F2Request& r) { r.table = "ADMMB"; })},
      {"unknown kind", with([](F2Request& r) { r.kind = "99"; })},
      {"another company", with([](F2Request& r) { r.company = kCompanyB; })},
      {"unknown answer column", with([](F2Request& r) { r.answerColumns = "MA001,ZZ999"; })},
      {"unknown key column", with([](F2Request& r) { r.keyColumns = "MA001 OR 1=1"; })},
      {"a condition that writes", with([](F2Request& r) { r.condition = "1=1; DELETE FROM COPMA"; })},
      {"a condition that steps out", with([](F2Request& r) { r.condition = "1=1) UNION SELECT MB001 FROM ADMMB --"; })},
      {"BaseLimited an array", with([](F2Request& r) { r.baseLimited = Variant::ArrayOf({Variant("Y")}); })},
      {"a permission flag a text", with([](F2Request& r) { r.seeFirstGroup = Variant("yes"); })},
      {"the user an array", with([](F2Request& r) { r.user = Variant::ArrayOf({Variant("ZHANGWEI")}); })},
      {"another user", with([](F2Request& r) { r.user = Variant("ZHAOLEI"); })},
  };
  for (const auto& [what, request] : cases) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(F2GetData(request).IsEmpty());
  }
  EXPECT_TRUE(platform_.ModalWindows().empty());
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM COPMA", {}).AsInteger(), 3);
}

// ZHAOLEI's base data are limited to the written-test factors (ADMBL); with
// the program's "BaseLimited" setting "Y" his look-ups show and answer only
// those.
TEST_P(F2WindowServiceTest, ALimitedUserSeesOnlyHisPermittedRows) {
  StartSession("ZHAOLEI");
  auto factors = [](const char* limited) {
    F2Request request("HRSMF", "01");
    request.user = Variant("ZHAOLEI");
    request.baseLimited = Variant(limited);
    return request;
  };
  // C01 exists in both categories: limited, only the written one is his, and
  // it is answered without a window.
  F2Request c01 = factors(" y ");
  c01.Keys({Variant("C01"), Variant("")});
  EXPECT_EQ(Rows(F2GetData(c01)), std::vector<std::string>{"C01|" + Cp936("综合素质") + "|1|60"});
  EXPECT_TRUE(platform_.ModalWindows().empty());
  // An interview factor is not his to pick, even typed exactly.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    EXPECT_EQ(grid.RowCount(), 2);  // the title and one empty row
    EXPECT_EQ(grid.Cells(1, 1), "");
    Form(w).PressKey(pellor::VK_ESCAPE);
  });
  F2Request b01 = factors("Y");
  b01.Keys({Variant("B01"), Variant("2")});
  EXPECT_TRUE(F2GetData(b01).IsEmpty());
  // The window lists the eleven written factors and nothing else.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
    ASSERT_EQ(grid.RowCount(), 12);
    for (int row = 1; row < grid.RowCount(); ++row) EXPECT_EQ(grid.Cells(3, row), "1") << row;
    Form(w).PressKey(pellor::VK_ESCAPE);
  });
  F2GetData(factors("Y"));
  // Not limited (the setting as the server gives it to unlimited users):
  // C01 matches two rows and the window opens on both.
  platform_.QueueModalAction("frmF2Pick", [](IModalWindow& w) {
    EXPECT_EQ(Control<pellor::TStringGrid>(w, "gdPick").RowCount(), 3);
    Form(w).PressKey(pellor::VK_ESCAPE);
  });
  c01.baseLimited = Variant("N");
  F2GetData(c01);
  EXPECT_EQ(platform_.ModalWindows().size(), 3u);
}

TEST_P(F2WindowServiceTest, TheUsersOwnLimitWinsThenHisPrimaryGroups) {
  auto limit = [this](const char* owner, const char* kind, const char* table, const char* condition) {
    writer_->Execute("INSERT INTO ADMBL (BL001, BL002, BL003, BL004, COMPANY) VALUES (?, ?, ?, ?, ?)",
                     {Variant(owner), Variant(kind), Variant(table), Variant(condition), Variant(kCompanyA)});
  };
  // ZHANGWEI is in HR (primary) and GUEST; ZHAOLEI in HR with a row of his own.
  limit("GUEST", "G", "COPMA", "MA001 = 'C0001'");
  limit("HR", "G", "COPMA", "MA001 <> 'C0001'");
  limit("HR", "G", "HRSMF", "MF004 = '2'");
  limit("ADMIN", "G", "PURMA", "1 = 0");
  limit("GUEST", "G", "ACTMA", "1=1; DELETE FROM ACTMA");
  // The rows a limited user's window lists, by code.
  auto listed = [this](const std::string& user, const char* table, const char* kind) {
    std::vector<std::string> codes;
    platform_.QueueModalAction("frmF2Pick", [&codes](IModalWindow& w) {
      auto& grid = Control<pellor::TStringGrid>(w, "gdPick");
      for (int row = 1; row < grid.RowCount(); ++row) {
        if (std::find(codes.begin(), codes.end(), grid.Cells(1, row)) == codes.end()) codes.push_back(grid.Cells(1, row));
      }
      Form(w).PressKey(pellor::VK_ESCAPE);
    });
    F2Request request(table, kind);
    request.user = Variant(user);
    request.baseLimited = Variant("Y");
    F2GetData(request);
    return codes;
  };
  EXPECT_EQ(listed("ZHANGWEI", "COPMA", "61"), (std::vector<std::string>{"C0002", "C0003"}));
  // A group he is not in limits nothing.
  EXPECT_EQ(listed("ZHANGWEI", "PURMA", "61"), (std::vector<std::string>{"S0001", "S0002", "S0003"}));
  StartSession("ZHAOLEI");
  EXPECT_EQ(listed("ZHAOLEI", "HRSMF", "01").front(), "A01");
  EXPECT_EQ(listed("ZHAOLEI", "COPMA", "61"), (std::vector<std::string>{"C0002", "C0003"}));

  // A limit that is no usable condition shows nothing rather than all, and
  // never runs.
  StartSession("ZHANGWEI");
  F2Request departments("ACTMA", "66");
  departments.baseLimited = Variant("Y");
  EXPECT_TRUE(F2GetData(departments).IsEmpty());
  EXPECT_EQ(platform_.ModalWindows().size(), 4u);
  EXPECT_EQ(writer_->QueryValue("SELECT COUNT(*) FROM ACTMA WHERE COMPANY = ?", {Variant(kCompanyA)}).AsInteger(), 4);
}

TEST_P(F2WindowServiceTest, PhraseWindowOffersTheUsersAndTheCommonPhrases) {
  platform_.QueueModalAction("frmPhrase", [](IModalWindow& w) {
    auto& list = Control<pellor::TListBox>(w, "lbPhrase");
    auto& edit = Control<pellor::TEdit>(w, "edPhrase");
    EXPECT_EQ(edit.Text(), Cp936("旧内容"));
    // The user's own first, then those for everyone in their order.
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items()[0], Cp936("人事部统一组织"));
    EXPECT_EQ(list.Items()[1], Cp936("满分100分，60分及格"));
    list.ClickItem(2);
    EXPECT_EQ(edit.Text(), Cp936("由面试官现场评定"));
    Form(w).PressKey(pellor::VK_RETURN);
  });
  VarArgs args{Variant("ZHANGWEI"), Variant(kCompanyA), Variant(65537), Variant(Cp936("旧内容"))};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "GetPhrase2", args).AsInteger(), 0);
  EXPECT_EQ(args[3].AsString(), Cp936("由面试官现场评定"));

  // Another user sees the common phrases only; a wide text comes back wide;
  // a double click takes the phrase.
  platform_.QueueModalAction("frmPhrase", [](IModalWindow& w) {
    auto& list = Control<pellor::TListBox>(w, "lbPhrase");
    EXPECT_EQ(list.Count(), 3);
    list.ClickItem(0);
    list.OnDblClick(&list);
  });
  args = {Variant("LISI"), Variant(kCompanyA), Variant(0), Variant(u"")};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "GetPhrase2", args).AsInteger(), 0);
  EXPECT_EQ(args[3].Type(), pellor::VarType::kWideString);
  EXPECT_EQ(pellor::WideToUtf8(args[3].AsWideString()), "满分100分，60分及格");

  // Cancelled: negative, the text untouched.
  platform_.QueueModalAction("frmPhrase", [](IModalWindow& w) {
    Control<pellor::TEdit>(w, "edPhrase").SetText("changed");
    Form(w).PressKey(pellor::VK_ESCAPE);
  });
  args = {Variant("ZHANGWEI"), Variant(kCompanyA), Variant(0), Variant("kept")};
  EXPECT_LT(pellor::DispatchInvoke(service_, "GetPhrase2", args).AsInteger(), 0);
  EXPECT_EQ(args[3].AsString(), "kept");

  // Another company's phrases are not this context's to show.
  args = {Variant("ZHANGWEI"), Variant(kCompanyB), Variant(0), Variant("kept")};
  EXPECT_LT(pellor::DispatchInvoke(service_, "GetPhrase2", args).AsInteger(), 0);
  EXPECT_EQ(platform_.ModalWindows().size(), 3u);
}

TEST_P(F2WindowServiceTest, CharacterWindowAnswersTheChosenCharacters) {
  // The module's call: group 2, one character, picked with Space.
  platform_.QueueModalAction("frmCharacters", [](IModalWindow& w) {
    auto& group = Control<pellor::TComboBox>(w, "cboGroup");
    auto& grid = Control<pellor::TStringGrid>(w, "gdChars");
    EXPECT_EQ(group.Items()[group.ItemIndex()], Cp936("特殊符号"));
    EXPECT_EQ(grid.Cells(0, 0), Cp936("§"));
    grid.FocusCell(1, 0);
    Form(w).PressKey(pellor::VK_SPACE);
  });
  VarArgs args{Variant(""), Variant(""), Variant(2), Variant(false), Variant("65537")};
  Variant answer = pellor::DispatchInvoke(service_, "ShowCharaters", args);
  ASSERT_TRUE(answer.IsArray());
  EXPECT_EQ(answer[0].AsString(), Cp936("№"));
  EXPECT_EQ(args[2].AsInteger(), 2);

  // Collecting: the user changes to the Greek letters and picks two.
  platform_.QueueModalAction("frmCharacters", [](IModalWindow& w) {
    auto& grid = Control<pellor::TStringGrid>(w, "gdChars");
    Control<pellor::TComboBox>(w, "cboGroup").SelectItem(4);
    EXPECT_EQ(grid.Cells(0, 0), Cp936("Α"));
    grid.FocusCell(2, 0);
    grid.DblClick();
    grid.FocusCell(3, 0);
    grid.DblClick();
    EXPECT_EQ(Control<pellor::TEdit>(w, "edChars").Text(), Cp936("ΓΔ"));
    Form(w).PressKey(pellor::VK_RETURN);
  });
  args = {Variant("ZHANGWEI"), Variant(kCompanyA), Variant(99), Variant(true), Variant("0")};
  answer = pellor::DispatchInvoke(service_, "ShowCharaters", args);
  EXPECT_EQ(answer[0].AsString(), Cp936("ΓΔ"));
  EXPECT_EQ(args[2].AsInteger(), 5);

  platform_.QueueModalAction("frmCharacters", [](IModalWindow& w) { Form(w).PressKey(pellor::VK_ESCAPE); });
  args = {Variant(""), Variant(""), Variant(3), Variant(false), Variant("0")};
  EXPECT_TRUE(pellor::DispatchInvoke(service_, "ShowCharaters", args).IsEmpty());
  EXPECT_EQ(args[2].AsInteger(), 3);

  // A program in code page 950 gets a Big5 window and a Big5 answer.
  context_->clientCodePage = pellor::kCodePageBig5;
  platform_.QueueModalAction("frmCharacters", [](IModalWindow& w) {
    EXPECT_EQ(Form(w).Font()->Charset(), pellor::CHINESEBIG5_CHARSET);
    EXPECT_EQ(Form(w).Caption(), pellor::WideToAnsi(u"特殊字符", pellor::kCodePageBig5));
    Form(w).PressKey(pellor::VK_RETURN);
  });
  args = {Variant(""), Variant(""), Variant(5), Variant(false), Variant("0")};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "ShowCharaters", args)[0].AsString(), "\xA3\x44");  // Α
}

TEST_P(F2WindowServiceTest, CalculatorAnswersTheValueAndKeepsAnExpressionInError) {
  platform_.QueueModalAction("frmCalculator", [](IModalWindow& w) {
    EXPECT_EQ(Control<pellor::TLabel>(w, "lblResult").Caption(), "= 14");
    Form(w).PressKey(pellor::VK_RETURN);
  });
  VarArgs args{Variant("2*(3+4)"), Variant(65537)};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "GetCalcValue", args).AsString(), "14");
  EXPECT_EQ(args[0].AsString(), "14");

  // Division by zero: OK shows the error and the window stays; the user
  // mends the expression with the keypad.
  platform_.QueueModalAction("frmCalculator", [](IModalWindow& w) {
    EXPECT_EQ(Control<pellor::TLabel>(w, "lblResult").Caption(), Cp936("除数不能为零"));
    Form(w).PressKey(pellor::VK_RETURN);
  });
  platform_.QueueModalAction("frmCalculator", [](IModalWindow& w) {
    Form(w).ClickControl(&Control<pellor::TButton>(w, "btnBack"));
    Form(w).ClickControl(&Control<pellor::TButton>(w, "btn4"));
    Form(w).ClickControl(&Control<pellor::TButton>(w, "btnAdd"));
    Form(w).ClickControl(&Control<pellor::TButton>(w, "btn1"));
    Form(w).ClickControl(&Control<pellor::TButton>(w, "btnEquals"));
    EXPECT_EQ(Control<pellor::TEdit>(w, "edExpr").Text(), "1.25");
    Form(w).PressKey(pellor::VK_RETURN);
  });
  args = {Variant("1/0")};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "GetCalcValue", args).AsString(), "1.25");
  ASSERT_EQ(platform_.Dialogs().size(), 1u);
  EXPECT_EQ(platform_.Dialogs()[0].text, Cp936("除数不能为零"));
  EXPECT_EQ(platform_.Dialogs()[0].kind, pellor::DialogKind::kError);

  // Cancelled: an empty answer, the expression untouched.
  platform_.QueueModalAction("frmCalculator", [](IModalWindow& w) { Form(w).PressKey(pellor::VK_ESCAPE); });
  args = {Variant("1+1"), Variant(0)};
  EXPECT_EQ(pellor::DispatchInvoke(service_, "GetCalcValue", args).AsString(), "");
  EXPECT_EQ(args[0].AsString(), "1+1");
}

PELLOR_DB_BACKENDS(F2WindowServiceTest);

}  // namespace
}  // namespace suite::testing
