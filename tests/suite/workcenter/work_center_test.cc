#include "suite/workcenter/work_center.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../db/db_test_support.h"
#include "platform/dispatch/class_factory.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/format.h"
#include "platform/ui/platform.h"

namespace suite::testing {
namespace {

using db::testing::kCompanyA;
using pellor::DispatchCall;
using pellor::DispatchInvoke;
using pellor::VarArgs;
using pellor::Variant;

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// A folder of the test's own, removed at the end.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char pattern[] = "/tmp/wctest.XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// Points the settings store at a file of the test's own for the scope.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const std::string& contents) {
    WriteFile(dir_.path / "registry.ini", contents);
    const char* old = getenv("PELLOR_REGISTRY");
    if (old) previous_ = old;
    hadPrevious_ = old != nullptr;
    setenv("PELLOR_REGISTRY", (dir_.path / "registry.ini").c_str(), 1);
  }
  ~ScopedRegistry() {
    if (hadPrevious_) {
      setenv("PELLOR_REGISTRY", previous_.c_str(), 1);
    } else {
      unsetenv("PELLOR_REGISTRY");
    }
  }

 private:
  TempDir dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

class WorkCenterTest : public db::testing::DbTest {
 protected:
  std::shared_ptr<ServiceContext> NewContext() {
    auto context = std::make_shared<ServiceContext>();
    context->writer = Open();
    context->gateway = OpenGateway();
    context->company = kCompanyA;
    context->userId = "ZHANGWEI";
    return context;
  }
  Variant NewManager(ProgramStarter starter = nullptr) {
    return Variant(pellor::DispatchPtr(std::make_shared<TWorkCenterManager>(NewContext(), std::move(starter))));
  }
};

TEST_P(WorkCenterTest, AnswersVersionMessagesAndOneValidator) {
  Variant manager = NewManager();
  EXPECT_EQ(DispatchCall(manager, "DependencyVersion").AsInteger(), 8000);
  DispatchCall(manager, "Connect");

  Variant text = DispatchCall(manager, "GetMessage", {Variant("E"), Variant("000002")});
  ASSERT_EQ(text.Type(), pellor::VarType::kString);
  EXPECT_EQ(text.AsString(), pellor::Cp936("[%s]资料已存在，不可重复!"));
  EXPECT_EQ(DispatchCall(manager, "GetMessage", {Variant("W"), Variant("000005")}).AsString(),
            pellor::Cp936("[%s]资料已存在，是否继续?"));
  // "T" is the module's business: the manager answers only what it holds.
  EXPECT_EQ(DispatchCall(manager, "GetMessage", {Variant("T"), Variant("000002")}).AsString(), "");
  EXPECT_EQ(DispatchCall(manager, "GetMessage", {Variant("E"), Variant("999999")}).AsString(), "");
  EXPECT_THROW(DispatchCall(manager, "GetMessage", {Variant("E")}), pellor::EDispatchError);

  Variant validator = DispatchCall(manager, "Com_Validator");
  ASSERT_TRUE(validator.IsDispatch());
  EXPECT_EQ(DispatchCall(manager, "Com_Validator").AsDispatch(), validator.AsDispatch());
  VarArgs args{Variant("ADMMB"), Variant("06"), Variant(kCompanyA), Variant::ArrayOf({Variant("PEVF07")}), Variant()};
  EXPECT_TRUE(DispatchInvoke(validator, "CheckValue", args).AsBoolean());
}

// Every coded message the module raises has a text in the seeded
// catalogue, and its placeholders take exactly the arguments the module
// passes with it: one too few raises in the message box, one too many is
// silently lost.
TEST_P(WorkCenterTest, EveryMessageTheModuleRaisesFitsItsArguments) {
  Variant manager = NewManager();
  struct Case {
    const char* type;
    const char* code;
    int arguments;
  };
  const std::vector<Case> cases = {
      {"E", "000002", 1}, {"W", "000005", 1},  // the field's label
      {"E", "000005", 0}, {"E", "100002", 0}, {"E", "100187", 0}, {"E", "200820", 0},
      {"E", "100280", 2}, {"E", "100288", 2},  // label, limit
      {"E", "200570", 0}, {"E", "200571", 1},  // the refused keys
      {"E", "100012", 1},                      // one empty argument
      {"E", "000032", 1}, {"E", "000038", 0}, {"E", "000004", 0}, {"E", "000033", 0},
      {"E", "000003", 1},  // the field's label
      {"E", "000007", 0}, {"E", "000008", 0}, {"W", "000001", 0},
      {"W", "100079", 1},  // the question
      {"C", "000001", 0}, {"C", "000002", 0}, {"C", "000004", 0}, {"D", "000001", 0}, {"D", "000002", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.code);
    const std::string text = DispatchCall(manager, "GetMessage", {Variant(c.type), Variant(c.code)}).AsString();
    ASSERT_FALSE(text.empty());
    std::vector<Variant> arguments;
    for (int i = 0; i < c.arguments; ++i) arguments.emplace_back("<arg" + std::to_string(i) + ">");
    std::string shown;
    ASSERT_NO_THROW(shown = pellor::Format(text, arguments));
    for (const Variant& argument : arguments) EXPECT_NE(shown.find(argument.AsString()), std::string::npos);
  }
}

TEST_P(WorkCenterTest, ExecWorkStartsOnlyKnownProgramsThroughTheHost) {
  std::vector<ExecWorkRequest> requests;
  int answer = 0;
  bool raise = false;
  Variant manager = NewManager([&](const ExecWorkRequest& request, Variant& result) {
    requests.push_back(request);
    if (raise) throw pellor::EDatabaseError("the module's file is damaged");
    result = Variant("done");
    return answer;
  });
  auto execWork = [&](const char* program, const Variant& options, Variant& result) {
    VarArgs args{Variant::ArrayOf({Variant("ZHANGWEI"), Variant(kCompanyA), Variant(program), Variant(65537)}),
                 Variant("A01"), options, Variant(2), Variant("stale")};
    const int code = DispatchInvoke(manager, "ExecWork", args).AsInteger();
    result = args[4];
    return code;
  };

  Variant result;
  EXPECT_EQ(execWork(" pevi08 ", Variant(), result), 0);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].programId, "PEVI08");
  EXPECT_EQ(requests[0].parameter.AsString(), "A01");
  EXPECT_EQ(requests[0].mode, 2);
  EXPECT_EQ(requests[0].caller[3].AsInteger(), 65537);
  ASSERT_EQ(requests[0].options.Count(), 3);
  EXPECT_EQ(requests[0].options[0].AsInteger(), 0);
  EXPECT_EQ(requests[0].options[1].AsInteger(), 4);
  EXPECT_TRUE(requests[0].options[2].IsEmpty());
  EXPECT_EQ(result.AsString(), "done");

  // Options the module gives pass unchanged; the host's failure codes too.
  answer = -5;
  Variant options = Variant::ArrayOf({Variant(1), Variant(4), Variant("MF004='1'")});
  EXPECT_EQ(execWork("PEVF07", options, result), -5);
  EXPECT_EQ(requests.back().options, options);

  // No program record: -1 before the host is asked.
  EXPECT_EQ(execWork("NOPROG", Variant(), result), -1);
  EXPECT_EQ(execWork("", Variant(), result), -1);
  EXPECT_EQ(requests.size(), 2u);
  EXPECT_TRUE(result.IsEmpty());

  // A host that fails unexpectedly gives -7, not an error in the caller.
  raise = true;
  EXPECT_EQ(execWork("PEVF07", Variant(), result), -7);

  // Without a host nothing can start.
  Variant alone = NewManager();
  VarArgs args{Variant::ArrayOf({Variant("ZHANGWEI"), Variant(kCompanyA), Variant("PEVF07"), Variant(0)}),
               Variant(), Variant(), Variant(2), Variant()};
  EXPECT_EQ(DispatchInvoke(alone, "ExecWork", args).AsInteger(), -1);

  VarArgs bad{Variant("PEVF07"), Variant(), Variant(), Variant(2), Variant()};
  EXPECT_THROW(DispatchInvoke(manager, "ExecWork", bad), pellor::EDispatchError);
}

TEST_P(WorkCenterTest, CallHelpOpensTheTopicPageOrTheProgramsHelpFile) {
  TempDir client;
  ScopedRegistry registry("[Software\\QRN\\Pellor]\nClientPath=" + client.path.string() + "\\\n");
  pellor::THeadlessPlatform platform;
  pellor::ScopedPlatform scoped(platform);
  Variant manager = NewManager();
  auto help = [&](const char* prefix, const char* topic) {
    DispatchCall(manager, "CallHelp", {Variant::ArrayOf({Variant(prefix), Variant(topic)})});
  };

  // Nothing installed: nothing opens.
  help("PEV", "14070000");
  EXPECT_TRUE(platform.OpenedDocuments().empty());

  // The programs' help file (ADMMB.MB007 of PEVF07 and PEVI08).
  const std::filesystem::path folder = client.path / "Help";
  WriteFile(folder / "HRS.hlp", "help");
  help("PEV", "14070000");
  ASSERT_EQ(platform.OpenedDocuments().size(), 1u);
  EXPECT_EQ(platform.OpenedDocuments()[0].first, (folder / "HRS.hlp").string());
  EXPECT_EQ(platform.OpenedDocuments()[0].second, "open");

  // A page for the topic wins.
  WriteFile(folder / "PEV" / "14070000.html", "<html/>");
  help("pev", "14070000");
  ASSERT_EQ(platform.OpenedDocuments().size(), 2u);
  EXPECT_EQ(platform.OpenedDocuments()[1].first, (folder / "PEV" / "14070000.html").string());

  // A family without a program record has only its own file.
  WriteFile(folder / "ABC.pdf", "%PDF");
  help("ABC", "11121003");
  ASSERT_EQ(platform.OpenedDocuments().size(), 3u);
  EXPECT_EQ(platform.OpenedDocuments()[2].first, (folder / "ABC.pdf").string());

  // Names that would lead out of the folder are no help names.
  WriteFile(client.path / "secret.html", "x");
  help("..", "secret");
  help("PEV", "../../secret");
  EXPECT_EQ(platform.OpenedDocuments().size(), 4u);  // the second falls back to HRS.hlp
  EXPECT_EQ(platform.OpenedDocuments()[3].first, (folder / "HRS.hlp").string());

  EXPECT_THROW(DispatchCall(manager, "CallHelp", {Variant("PEV")}), pellor::EDispatchError);
}

PELLOR_DB_BACKENDS(WorkCenterTest);

// A manager made on options opens its database only when a call needs it,
// and the class factory hands out a new one each time.
TEST(WorkCenterOptionsTest, OpensTheServerDatabaseOnFirstUse) {
  TempDir root;
  WorkCenterOptions options;
  options.server.serverRoot = (root.path / "server").string();
  options.userId = "ZHANGWEI";
  options.company = kCompanyA;
  RegisterWorkCenterClass(options);
  pellor::DispatchPtr first = pellor::CreateObject("tamloworkcenter.manager");
  pellor::DispatchPtr second = pellor::CreateObject(kWorkCenterClassName);
  pellor::UnregisterClassFactory(kWorkCenterClassName);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->DispatchClassName(), kWorkCenterClassName);
  EXPECT_EQ(DispatchCall(Variant(first), "DependencyVersion").AsInteger(), 8000);
  EXPECT_FALSE(std::filesystem::exists(root.path / "server"));

  DispatchCall(Variant(first), "Connect");
  EXPECT_TRUE(std::filesystem::exists(root.path / "server" / "pellor.db"));
  EXPECT_EQ(DispatchCall(Variant(second), "GetMessage", {Variant("E"), Variant("000003")}).AsString(),
            pellor::Cp936("[%s]不可空白!"));

  // A site without a server root says so when first used.
  WorkCenterOptions nowhere;
  ScopedRegistry empty("");
  TWorkCenterManager manager(nowhere);
  VarArgs none;
  EXPECT_THROW(manager.Invoke("Connect", none), pellor::EDatabaseError);
}

}  // namespace
}  // namespace suite::testing
