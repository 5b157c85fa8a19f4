// tamlo --script: scripts driving the host's test program (libTESTPRGC.so)
// through the built tamlo, as acceptance tests will drive real programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/tamlo_process.h"
#include "suite/db/database.h"

namespace {

namespace fs = std::filesystem;
using tamlo_test::RunResult;
using tamlo_test::WriteFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class TamloScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamlo_script_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    std::string packages = fs::path(PELLOR_TEST_PROGRAM_MODULE).parent_path().string();
    // The stand-in manager keeps these tests free of a database.
    WriteFile(root_ / "registry.ini", "[Software\\QRN\\Pellor]\nClientPath=" +
                                          (root_ / "client").string() +
                                          "\n[Software\\Classes]\nTamloWorkCenter.Manager=" +
                                          PELLOR_TEST_WORKCENTER + "\n");
    WriteFile(root_ / "client" / "PellorC.ini", "[WorkDLLPath]\nBuild=" + packages + "\n");
  }
  void TearDown() override { fs::remove_all(root_); }

  RunResult RunScript(const std::string& script, std::vector<std::string> extra = {}) {
    WriteFile(root_ / "s.txt", script);
    std::vector<std::string> args = {"--program", "TESTPRG", "--user", "DS", "--script", "s.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    return tamlo_test::RunTamlo(root_ / "registry.ini", root_, args);
  }

  fs::path root_;
};

// One session through every kind of step: typing (Chinese included), a
// question answered by default and by script, an error the program raises,
// a modal dialog that refuses a bad value and then takes a good one, keys,
// a page, a grid cell, a menu reached by click and by shortcut.
TEST_F(TamloScriptTest, DrivesAProgramAsAUserWould) {
  RunResult run = RunScript(R"(# the test program's form
expect window frmTestProgram
type edName "张三"
expect edName Text "张三"
click btnHello
expect dialog "保存 张三?"
expect lblAnswer Caption saved
answer No
click btnHello
expect dialog "保存 张三?"
expect lblAnswer Caption "not saved"
click btnFail
expect dialog "Nothing to do here."
expect no dialog

click btnDialog
expect window dlgTestDialog
type edValue wrong
click btnOK
expect window dlgTestDialog
focus edValue
key BkSp BkSp BkSp BkSp BkSp
type right
key Enter
expect window frmTestProgram
expect lblDialog Caption "OK right"
click btnDialog
key Esc
expect lblDialog Caption cancelled

page pcMain tsGrid
expect pcMain ActivePage tsGrid
cell sgData 2 3
expect sgData Col 2
row sgData 1
expect sgData Row 1
expect cell sgData 2 1 "甲"
page pcMain 0
expect pcMain ActivePage tsFirst

click miClear
expect edName Text ""
type edName x
key Ctrl+L
expect edName Text ""

type edName abc
popup miUpper
click btnMore
expect edName Text ABC
click btnMore
expect lblAnswer Caption dismissed
)");
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "dialog (confirmation): 保存 张三?\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "dialog (error): Nothing to do here.\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "result code 1\n")) << run.out;
}

// Choosing, ticking, double and right clicks go through the controls'
// own input paths, so the program's handlers see each of them; what they
// change is read back as a user reads it.
TEST_F(TamloScriptTest, ChoosesTicksAndPointsAsAUserWould) {
  RunResult run = RunScript(R"(# a combo box fills its list only when it opens
choose cboColour 绿
expect lblChoice Caption "colour 绿"
expect cboColour ItemText 绿
choose cboColour #2
expect lblChoice Caption "colour 蓝"
expect cboColour Items[0] 红
expect cboColour ItemCount 3
expect cboColour Focused True

choose lbCity 上海
expect lblChoice Caption "city 上海"
dblclick lbCity
expect lblChoice Caption "opened 上海"
# the list box's own pop-up menu comes before the form's
popup miCopyCity
rightclick lbCity
expect lblChoice Caption "copied 上海"
popup miStamp
rightclick lblAnswer
expect lblChoice Caption "stamp lblAnswer"

choose rgSize 大
expect lblChoice Caption "size 大"
expect rgSize ItemIndex 2

# grey comes between unchecked and checked
check chkAudit
expect chkAudit State cbChecked
expect lblChoice Caption "audit cbChecked"
check chkAudit
uncheck chkAudit
expect chkAudit State cbUnchecked
check tbBold
expect tbBold Down True
uncheck tbBold
expect tbBold Down False

expect sbMain Panels[0] 浏览
expect sbMain PanelCount 2
expect btnHello Hint 说你好
expect pcMain Tabs[1] 数据
page pcMain tsGrid
row sgData 2
dblclick sgData
expect lblChoice Caption "row A02"
# the grid takes its right click itself, so the queued choice waits for the
# next menu that opens
popup miStamp
rightclick sgData
expect lblChoice Caption "menu for row A02"
rightclick pcMain
expect lblChoice Caption "stamp pcMain"
)");
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
}

TEST_F(TamloScriptTest, SnapshotIsJsonOfWindowsAndDialogs) {
  RunResult run = RunScript("type edName \"say \\\"hi\\\"\\\\\"\n"
                            "click btnHello\n"
                            "page pcMain tsGrid\n"
                            "snapshot snap.json\n"
                            "snapshot\n");
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  std::string json = tamlo_test::ReadAll(root_ / "snap.json");
  for (const std::string& part : {
           std::string(R"("name": "frmTestProgram", "class": "TfrmTestProgram", "caption": "测试程序")"),
           std::string(R"({"name": "edName", "class": "TEdit", "parent": "frmTestProgram", )"
                       R"("text": "say \"hi\"\\", "visible": true, "enabled": true, "readOnly": false, )"
                       R"("focused": false, "color": "clWindow", "fontColor": "clWindowText"})"),
           std::string(R"("activePage": "tsGrid")"),
           std::string(R"("rows": [["", "代号", "名称"], ["1", "A01", "甲"], ["2", "A02", "乙"], )"
                       R"(["3", "A03", "丙"]])"),
           std::string(R"("name": "btnHello", "class": "TButton", "parent": "frmTestProgram", )"
                       R"("caption": "Hello", "visible": true, "enabled": true, "focused": true)"),
           std::string(R"("focused": true, "hint": "说你好", "showHint": true)"),
           std::string(R"("activePage": "tsGrid", "tabs": ["", "数据"])"),
           std::string(R"("name": "rgSize", "class": "TRadioGroup", "parent": "frmTestProgram", "caption": "", )"
                       R"("items": ["小", "中", "大"], "itemIndex": -1)"),
           std::string(R"("checked": false, "state": "cbUnchecked")"),
           std::string(R"("name": "tbBold", "class": "TToolButton", "parent": "tbMain", "caption": "", "down": false)"),
           std::string(R"("panels": ["浏览", "0/3"], "simplePanel": false)"),
           std::string(R"({"kind": "confirmation", "caption": "", "text": "保存 say \"hi\"\\?", )"
                       R"("buttons": ["Yes", "No"], "default": "Yes", "answer": "Yes"})"),
       }) {
    EXPECT_TRUE(Contains(json, part)) << part << "\n" << json;
  }
  EXPECT_TRUE(Contains(run.out, json)) << "the snapshot without a file goes to stdout";
  // Where Python is at hand, it checks that the document is valid JSON.
  if (std::system("python3 -c '' >/dev/null 2>&1") == 0) {
    std::string check = "python3 -c 'import json,sys; json.load(open(sys.argv[1]))' " +
                        tamlo_test::Quote((root_ / "snap.json").string());
    EXPECT_EQ(std::system(check.c_str()), 0) << json;
  }
}

// A step that cannot be done stops the script with FILE:LINE and exit code
// 8; the program is still closed as usual.
TEST_F(TamloScriptTest, AFailedStepStopsTheScriptNamingFileAndLine) {
  struct Case {
    std::string script;
    std::string message;
  };
  const Case cases[] = {
      {"click btnHello\nclick btnNothing\n", "s.txt:2: no component 'btnNothing' on window frmTestProgram"},
      {"click miClear\n", "s.txt:1: menu item miClear is disabled"},
      {"type edName abc\nexpect edName Text abd\n", "s.txt:2: edName.Text is \"abc\", expected \"abd\""},
      {"expect dialog \"Hello\"\n", "s.txt:1: no further dialog was shown; expected \"Hello\""},
      {"click btnFail\nexpect no dialog\n",
       "s.txt:2: a dialog no expect checked was shown: \"Nothing to do here.\""},
      {"page pcMain tsNone\n", "s.txt:1: pcMain has no page tsNone"},
      {"cell sgData 0 1\n", "s.txt:1: cell (0, 1) is no data cell of sgData (columns 1..2, rows 1..3)"},
      {"cell sgData 1 1\n", "s.txt:1: sgData is not showing"},
      {"click lblAnswer\nexpect lblAnswer Nonsense 1\n",
       "s.txt:2: lblAnswer (TLabel) has no published property or state Nonsense"},
      // Inside the dialog's modal loop: the form behind it takes no input,
      // and the failure goes up through the loop.
      {"click btnDialog\nclick frmTestProgram.btnHello\n",
       "s.txt:2: window frmTestProgram takes no input (the modal window dlgTestDialog is in front)"},
      {"click btnDialog\nexpect window frmTestProgram\n",
       "s.txt:2: the window with the input is dlgTestDialog, expected frmTestProgram"},
      {"choose lbCity 深圳\n", "s.txt:1: lbCity has no item \"深圳\" (items \"北京\", \"上海\", \"广州\")"},
      {"choose rgSize #3\n", "s.txt:1: rgSize has no item \"#3\" (items \"小\", \"中\", \"大\")"},
      {"choose edName x\n", "s.txt:1: edName is a TEdit, which has no items to choose from"},
      {"check rgSize\n", "s.txt:1: rgSize is a TRadioGroup, which has nothing to check"},
      {"click btnDialog\nrightclick edValue\n", "s.txt:2: edValue has no pop-up menu"},
      {"expect sbMain Panels[2] x\n", "s.txt:1: sbMain (TStatusBar) has no published property or state Panels[2]"},
  };
  for (const Case& c : cases) {
    RunResult run = RunScript(c.script);
    EXPECT_EQ(run.exitCode, 8) << c.script << run.out << run.err;
    EXPECT_EQ(run.err, "tamlo: " + c.message + "\n") << c.script;
    EXPECT_TRUE(Contains(run.out, "event 304 destroyed")) << c.script << run.out;
  }
}

TEST_F(TamloScriptTest, AScriptThatCannotBeReadRunsNothing) {
  RunResult run = RunScript("click btnHello\nclick\n");
  EXPECT_EQ(run.exitCode, 8);
  EXPECT_EQ(run.err, "tamlo: s.txt:2: usage: click NAME\n");
  EXPECT_EQ(run.out, "") << "the program never started";

  run = tamlo_test::RunTamlo(root_ / "registry.ini", root_, {"--script", "missing.txt"});
  EXPECT_EQ(run.exitCode, 8);
  EXPECT_TRUE(Contains(run.err, "cannot read the script missing.txt")) << run.err;
}

TEST_F(TamloScriptTest, ReadsTheScriptFromStandardInput) {
  WriteFile(root_ / "in.txt", "type edName abc\nexpect edName Text abd\n");
  RunResult run = tamlo_test::RunTamlo(root_ / "registry.ini", root_,
                                       {"--program", "TESTPRG", "--user", "DS", "--script", "-"},
                                       (root_ / "in.txt").string());
  EXPECT_EQ(run.exitCode, 8) << run.out << run.err;
  EXPECT_EQ(run.err, "tamlo: stdin:2: edName.Text is \"abc\", expected \"abd\"\n");
}

// A modal program runs the script inside its own loop; a script that ends
// while windows wait for the user leaves them to be cancelled, the dialog
// first, then the program.
TEST_F(TamloScriptTest, AModalProgramIsDrivenInsideItsLoopAndCancelledAtTheEnd) {
  RunResult run = RunScript("expect window frmTestProgram\ntype edName abc\nclick btnDialog\n", {"--modal"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "result code 1\n")) << run.out;

  // Closing the program from the script ends its modal loop; the lines
  // after it find no window.
  run = RunScript("close\nclick btnHello\n", {"--modal"});
  EXPECT_EQ(run.exitCode, 8) << run.out << run.err;
  EXPECT_EQ(run.err, "tamlo: s.txt:2: no window is open\n");

  // A failure inside the program's own loop goes up through it.
  run = RunScript("click btnDialog\nclick btnNothing\n", {"--modal"});
  EXPECT_EQ(run.exitCode, 8) << run.out << run.err;
  EXPECT_EQ(run.err, "tamlo: s.txt:2: no component 'btnNothing' on window dlgTestDialog\n");
  EXPECT_TRUE(Contains(run.out, "event 304 destroyed")) << run.out;
}

// The suite's own look-up windows, opened through the manager's service on
// a site made by tamlo init: the script filters and picks a row of the pick
// list, cancels it once, and cancels and then accepts the calculator; the
// program shows what it got back each time.
TEST_F(TamloScriptTest, AnswersTheLookupWindowsOfTheWorkCenterManager) {
  const fs::path site = root_ / "site";
  std::string modules = fs::path(PELLOR_TEST_PROGRAM_MODULE).parent_path().string();
  RunResult init = tamlo_test::RunTamlo(site / "registry.ini", root_,
                                        {"init", "--site", site.string(), "--modules", modules});
  ASSERT_EQ(init.exitCode, 0) << init.out << init.err;
  WriteFile(root_ / "s.txt", R"(click btnLookup
expect window frmF2Pick
expect cell gdPick 1 0 评价因素编号
expect cell gdPick 1 1 A01
type edFind 财务
expect cell gdPick 2 1 财务基础
row gdPick 1
dblclick gdPick
expect window frmTestProgram
expect lblLookup Caption "A07 财务基础"
click btnLookup
click btnCancel
expect lblLookup Caption none

click btnCalc
expect window frmCalculator
expect edExpr Text 1+2
click btnMul
click btn4
expect lblResult Caption "= 9"
click btnCancel
expect lblCalc Caption cancelled
click btnCalc
key Enter
expect lblCalc Caption "= 3 from 3"
expect no dialog
)");
  RunResult run = tamlo_test::RunTamlo(
      site / "registry.ini", root_,
      {"--program", "TESTPRG", "--user", "DS", "--company", "CSOqrl54", "--script", "s.txt"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
}

// ExecWork through the suite's manager: the manager finds the program's
// record in the site's database and the host starts it beside the caller,
// as a window of its own that the script then acts on.
TEST_F(TamloScriptTest, ExecWorkStartsAnotherProgramInTheSameHost) {
  const fs::path site = root_ / "site";
  std::string modules = fs::path(PELLOR_TEST_PROGRAM_MODULE).parent_path().string();
  RunResult init = tamlo_test::RunTamlo(site / "registry.ini", root_,
                                        {"init", "--site", site.string(), "--modules", modules});
  ASSERT_EQ(init.exitCode, 0) << init.out << init.err;
  {
    auto db = suite::db::OpenSqlite((site / "server" / "pellor.db").string());
    db->Execute("INSERT INTO ADMMB (MB001, MB002, COMPANY) VALUES ('TESTPRG', 'test', 'CSOqrl54')");
  }
  WriteFile(root_ / "s.txt", R"(type edProgram TESTPRG
click btnExecWork
# The started program has the input now: the caller's label is not its.
expect lblExecWork Caption ""
close
expect lblExecWork Caption "ExecWork 0"
focus edProgram
key BkSp BkSp BkSp BkSp BkSp BkSp BkSp
type NOSUCH
click btnExecWork
expect lblExecWork Caption "ExecWork -1"
focus edProgram
key BkSp BkSp BkSp BkSp BkSp BkSp
type PEVF07
click btnExecWork
expect lblExecWork Caption "ExecWork -6"
)");
  RunResult run = tamlo_test::RunTamlo(
      site / "registry.ini", root_,
      {"--program", "TESTPRG", "--user", "DS", "--company", "CSOqrl54", "--script", "s.txt"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "program TESTPRG event 256 created\nprogram TESTPRG event 272 shown\n"
                                "program TESTPRG event 320 closed\nprogram TESTPRG event 304 destroyed\n"))
      << run.out;
  // PEVF07 has a record and a module, but no program form yet.
  EXPECT_TRUE(Contains(run.err, "tamlo: ExecWork PEVF07: the program could not start: "))
      << run.err;
}

}  // namespace
