#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "module/entry/dll_controller.h"
#include "module/entry/mt_controller.h"
#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/platform.h"
#include "test_program_form.h"

namespace pevf {
namespace {

using pellor::Variant;
using test::FormProbe;
using test::TTestForm;

// A work-center manager whose DependencyVersion answers from a list (the last
// answer repeats) or raises.
class TFakeWorkCenter : public pellor::TDispatchObject {
 public:
  explicit TFakeWorkCenter(std::deque<int> versions)
      : TDispatchObject("TamloWorkCenter.Manager"), versions_(std::move(versions)) {
    AddMethod("DependencyVersion", 0, 0, [this](pellor::VarArgs&) -> Variant {
      ++calls;
      if (versions_.empty()) throw pellor::EDispatchError("work center is gone");
      const int version = versions_.front();
      if (versions_.size() > 1) versions_.pop_front();
      return version;
    });
  }
  int calls = 0;

 private:
  std::deque<int> versions_;
};

Variant StartParams() { return Variant::ArrayOf({"DS", "QRN01", "QRNDB", 77, Variant()}); }

void RecordEvent(void* context, int32_t code, TDLLBaseController* sender) {
  static_cast<FormProbe*>(context)->log.push_back("event:" + std::to_string(code));
}

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() {
    TTestForm::CurrentProbe = &probe_;
    frmRadicalClass = &TTestForm::Create;
  }
  ~ControllerTest() override {
    controller_.reset();
    frmRadicalClass = nullptr;
    TTestForm::CurrentProbe = nullptr;
  }

  // A controller as the host sets it up, with a work center of `versions`.
  std::unique_ptr<TDLLBaseController> NewController(std::deque<int> versions = {8000}) {
    std::unique_ptr<TDLLBaseController> controller(CreateDLLController());
    workCenter_ = std::make_shared<TFakeWorkCenter>(versions);
    controller->WorkCenter = Variant(pellor::DispatchPtr(workCenter_));
    controller->OnEvent = &RecordEvent;
    controller->OnEventContext = &probe_;
    return controller;
  }

  // A controller whose form is started.
  void StartProgram() {
    controller_ = NewController();
    ASSERT_EQ(controller_->Initialize(StartParams()), 0);
    probe_.log.clear();
  }

  TTestForm& Form() { return *probe_.form; }
  std::vector<std::string> Log() const { return probe_.log; }

  FormProbe probe_;
  pellor::THeadlessPlatform platform_;
  pellor::ScopedPlatform scopedPlatform_{platform_};
  std::shared_ptr<TFakeWorkCenter> workCenter_;
  std::unique_ptr<TDLLBaseController> controller_;
};

using Events = std::vector<std::string>;

TEST_F(ControllerTest, GetControllerMakesIndependentControllers) {
  auto first = NewController();
  auto second = NewController();
  ASSERT_NE(first.get(), second.get());
  EXPECT_NE(dynamic_cast<TDLLMTCtrller*>(first.get()), nullptr);
  EXPECT_EQ(first->ResultCode, 0);
  EXPECT_TRUE(first->ResultValue.IsEmpty());

  ASSERT_EQ(first->Initialize(StartParams()), 0);
  EXPECT_FALSE(first->IsFormFreed());
  EXPECT_TRUE(second->IsFormFreed());
  first->CloseProgram(true);
  EXPECT_TRUE(first->IsFormFreed());
}

TEST_F(ControllerTest, UnsetRegistrationsRaiseTheInternalError) {
  const TDLLControllerClass saved = DLLControllerClass;
  DLLControllerClass = nullptr;
  try {
    delete CreateDLLController();
    ADD_FAILURE() << "no error";
  } catch (const pellor::Exception& error) {
    EXPECT_STREQ(error.what(), "QRN DLL Internal Error :\rNot Assign \"DLLControllerClass\" varible");
  }
  DLLControllerClass = saved;

  frmRadicalClass = nullptr;
  auto controller = NewController();
  try {
    controller->Initialize(StartParams());
    ADD_FAILURE() << "no error";
  } catch (const pellor::Exception& error) {
    EXPECT_STREQ(error.what(), "QRN DLL Internal Error :\rNot Assign \"frmRadicalClass\" varible");
  }
  EXPECT_TRUE(controller->IsFormFreed());
}

TEST_F(ControllerTest, InitializeCreatesConfiguresAndStartsTheForm) {
  auto controller = NewController();
  ASSERT_EQ(controller->Initialize(StartParams()), 0);
  ASSERT_NE(probe_.form, nullptr);
  EXPECT_EQ(Log(), Events{"event:256"});
  EXPECT_EQ(workCenter_->calls, 2);
  // Linked into the test program, the module's file is the program itself.
  EXPECT_EQ(Form().ModuleFileName(), pellor::HostProgramFileName());
  EXPECT_EQ(Form().WorkCenter(), controller->WorkCenter);
  EXPECT_EQ(probe_.lastStartParams, StartParams());
  EXPECT_TRUE(platform_.Dialogs().empty());

  probe_.startResult = false;
  EXPECT_EQ(controller->Initialize(Variant::ArrayOf({"DS"})), -1);
}

TEST_F(ControllerTest, InitializeTwiceStartsTwiceButHooksOnce) {
  auto controller = NewController();
  ASSERT_EQ(controller->Initialize(StartParams()), 0);
  ASSERT_EQ(controller->Initialize(StartParams()), 0);
  EXPECT_EQ(probe_.formsCreated, 1);
  EXPECT_EQ(probe_.starts, 2);
  EXPECT_EQ(workCenter_->calls, 2);  // the version check belongs to creation
  probe_.log.clear();
  controller->SetVisible(1);
  controller->SetVisible(0);
  EXPECT_EQ(Log(), (Events{"form:show", "event:272", "form:hide", "event:288"}));
}

TEST_F(ControllerTest, OnlyDependencyVersion8000Passes) {
  struct Case {
    std::deque<int> versions;
    std::vector<std::string> notices;
    std::string error;
  } cases[] = {
      {{8001},
       {"This program's version is too old, please update.",
        "TamloWorkCenter version too old,please update!"},
       "TamloWorkCenter version too old,please update!"
       "This program's version is too old, please update."},
      {{7999},
       {"TamloWorkCenter version too old,please update.",
        "TamloWorkCenter version too old,please update!"},
       "TamloWorkCenter version too old,please update!"
       "TamloWorkCenter version too old,please update."},
      // Each comparison asks afresh.
      {{8000, 7999},
       {"TamloWorkCenter version too old,please update.",
        "TamloWorkCenter version too old,please update!"},
       "TamloWorkCenter version too old,please update!"
       "TamloWorkCenter version too old,please update."},
      {{},
       {"TamloWorkCenter version too old,please update!"},
       "TamloWorkCenter version too old,please update!work center is gone"},
  };
  for (const Case& c : cases) {
    platform_.Reset();
    probe_.log.clear();
    auto controller = NewController(c.versions);
    try {
      controller->Initialize(StartParams());
      ADD_FAILURE() << "no error for " << c.error;
    } catch (const pellor::Exception& error) {
      EXPECT_EQ(error.what(), c.error);
    }
    EXPECT_EQ(platform_.DialogTexts(), c.notices);
    for (const auto& dialog : platform_.Dialogs()) EXPECT_EQ(dialog.kind, pellor::DialogKind::kPlain);
    // The form stays with the controller and goes with it, still raising the
    // close and destroy events (and never 256).
    EXPECT_FALSE(controller->IsFormFreed());
    EXPECT_EQ(probe_.starts, 0);
    controller.reset();
    EXPECT_EQ(probe_.form, nullptr);
    EXPECT_EQ(Log(), (Events{"form:close", "event:320", "form:destroy", "event:304"}));
  }
}

TEST_F(ControllerTest, AWorkCenterThatIsNoObjectFailsTheVersionCheck) {
  auto controller = NewController();
  controller->WorkCenter = Variant("TamloWorkCenter.Manager");
  try {
    controller->Initialize(StartParams());
    ADD_FAILURE() << "no error";
  } catch (const pellor::Exception& error) {
    EXPECT_STREQ(error.what(),
                 "TamloWorkCenter version too old,please update!"
                 "Variant does not reference an automation object");
  }
  EXPECT_EQ(platform_.DialogTexts(),
            std::vector<std::string>{"TamloWorkCenter version too old,please update!"});
}

TEST_F(ControllerTest, RightsClearCommandsButNever0x100) {
  struct Case {
    uint32_t rights;
    uint16_t mask;
  } cases[] = {
      {0x00, 0x100}, {0xFF, 0x1FF}, {0xFFFFFFFF, 0x1FF},
      {0x01, 0x101},  // add
      {0x02, 0x108},  // delete
      {0x04, 0x104},  // query
      {0x08, 0x102},  // edit
      {0x10, 0x110},  // print
      {0xE0, 0x1E0},  // the three kept rights
  };
  StartProgram();
  for (const Case& c : cases) {
    Form().SetHostCommandMask(kCommandsAll);
    EXPECT_EQ(controller_->Execute(0, c.rights, Variant()), 0);
    EXPECT_EQ(Form().HostCommandMask(), c.mask) << "rights " << c.rights;
  }
  EXPECT_EQ(probe_.refreshes, 9);
  // Rights only take away.
  Form().SetHostCommandMask(0x100);
  controller_->Execute(0, 0xFF, Variant());
  EXPECT_EQ(Form().HostCommandMask(), 0x100);
}

TEST_F(ControllerTest, ActionsSetTheStartModeAndSomeKeepTheirValue) {
  const int modes[] = {0, 1, 2, 3, 4, 5, 0, 7, 8, 0, 9, 0, 10, 11, 0, 0};
  StartProgram();
  for (int action = 0; action < 16; ++action) {
    Form().SetStartData(Variant());
    Form().SetStartMode(99);
    ASSERT_EQ(controller_->Execute(action, 0xFF, Variant("value")), 0);
    EXPECT_EQ(Form().StartMode(), modes[action]) << "action " << action;
    const bool keeps = action == 7 || action == 8 || action == 10;
    EXPECT_EQ(Form().StartData(), keeps ? Variant("value") : Variant()) << "action " << action;
  }
  controller_->Execute(-1, 0xFF, Variant());
  EXPECT_EQ(Form().StartMode(), 0);
}

TEST_F(ControllerTest, SetConditionTakesTextOrTextWithCompanion) {
  StartProgram();
  EXPECT_EQ(controller_->SetCondition(Variant::ArrayOf({Variant(), "MF001='A'"})), 0);
  EXPECT_EQ(Form().StartText(), "MF001='A'");

  EXPECT_EQ(controller_->SetCondition(
                Variant::ArrayOf({Variant(), Variant::ArrayOf({"MF004='1'", 5})})), 0);
  EXPECT_EQ(Form().StartText(), "MF004='1'");
  EXPECT_EQ(Form().StartTextExtra(), Variant(5));

  EXPECT_EQ(controller_->SetCondition(Variant::ArrayOf({"x", 12})), 0);
  EXPECT_EQ(Form().StartText(), "12");

  // Element 1 unassigned: an empty condition.
  EXPECT_EQ(controller_->SetCondition(Variant::Array(1)), 0);
  EXPECT_EQ(Form().StartText(), "");

  // Element 1 null: accepted, nothing changes.
  Form().SetStartText("kept");
  EXPECT_EQ(controller_->SetCondition(Variant::ArrayOf({Variant(), Variant::Null()})), 0);
  EXPECT_EQ(Form().StartText(), "kept");
}

TEST_F(ControllerTest, SetConditionRefusesMalformedParametersAndChangesNothing) {
  StartProgram();
  Form().SetStartText("kept");
  Form().SetStartTextExtra(3);
  const Variant malformed[] = {
      Variant(),
      Variant::Null(),
      Variant("MF001='A'"),
      Variant::Array(-1),                                        // no elements
      Variant::ArrayOf({"only element 0"}),                      // no element 1
      Variant::ArrayOf({Variant(), Variant::ArrayOf({"text"})}),  // pair without its second
      Variant::ArrayOf({Variant(), Variant::Array(-1)}),
      Variant::Array2(1, 1),
  };
  for (const Variant& params : malformed) {
    EXPECT_EQ(controller_->SetCondition(params), -1);
    EXPECT_EQ(Form().StartText(), "kept");
    EXPECT_EQ(Form().StartTextExtra(), Variant(3));
  }
}

TEST_F(ControllerTest, WithoutAFormEveryOperationFailsQuietly) {
  auto controller = NewController();
  Variant out("untouched");
  EXPECT_EQ(controller->GetHostText(), u"");
  EXPECT_FALSE(controller->GetVisible());
  controller->SetVisible(1);
  EXPECT_EQ(controller->GetHandle(), 0);
  EXPECT_EQ(controller->SetCondition(Variant::ArrayOf({"", "x"})), -1);
  EXPECT_EQ(controller->Execute(1, 0xFF, Variant()), -1);
  controller->ShowModal(out);
  EXPECT_EQ(out, Variant("untouched"));
  controller->CloseProgram(false);
  EXPECT_EQ(controller->GetProgramInfo(out), -1);
  EXPECT_EQ(out, Variant("untouched"));
  EXPECT_TRUE(controller->IsFormFreed());
  controller->ReservedHook();
  EXPECT_TRUE(Log().empty());
}

TEST_F(ControllerTest, FormQueriesPassThrough) {
  StartProgram();
  Variant info;
  EXPECT_EQ(controller_->GetProgramInfo(info), 0);
  EXPECT_EQ(info, Variant::ArrayOf({"DS", "QRN01", "PEVF07", "Evaluation factors"}));
  EXPECT_EQ(controller_->GetHostText(), u"");
  Form().SetHostText("ok");
  EXPECT_EQ(controller_->GetHostText(), u"ok");
  const pellor::WindowHandle handle = controller_->GetHandle();
  EXPECT_NE(handle, 0);
  EXPECT_EQ(controller_->GetHandle(), handle);
}

TEST_F(ControllerTest, ShowingRestoresAMinimisedFormAndBringsItToFront) {
  StartProgram();
  Form().Minimize();
  controller_->SetVisible(0);
  EXPECT_TRUE(Form().Minimized());
  EXPECT_EQ(Form().BroughtToFront(), 0);
  controller_->SetVisible(2);  // any non-zero value shows
  EXPECT_TRUE(controller_->GetVisible());
  EXPECT_FALSE(Form().Minimized());
  EXPECT_EQ(Form().BroughtToFront(), 1);
}

TEST_F(ControllerTest, ShowModalReturnsAfterTheFormWasFreed) {
  StartProgram();
  controller_->Execute(2, 0xFF, Variant());
  platform_.QueueModalAction([](pellor::IModalWindow& window) {
    static_cast<TTestForm&>(window).SetReturnValue("chosen");
    static_cast<TTestForm&>(window).Close();  // modal: ends the loop only
  });
  Variant result;
  controller_->ShowModal(result);
  EXPECT_TRUE(controller_->IsFormFreed());
  EXPECT_EQ(probe_.form, nullptr);
  EXPECT_EQ(result, Variant("chosen"));
  EXPECT_EQ(controller_->ResultValue, Variant("chosen"));
  EXPECT_EQ(controller_->ResultCode, 2);
  EXPECT_EQ(Log(), (Events{"form:show", "event:272", "form:hide", "event:288", "form:close",
                        "event:320", "form:destroy", "event:304"}));
}

TEST_F(ControllerTest, ClosingAModelessFormFreesItAndCapturesItsResult) {
  StartProgram();
  controller_->Execute(7, 0xFF, Variant("preset"));
  controller_->SetVisible(1);
  Form().SetReturnValue(42);
  Form().Close();  // the user closes the window
  EXPECT_TRUE(controller_->IsFormFreed());
  EXPECT_EQ(controller_->ResultCode, 1);  // started in mode 7
  EXPECT_EQ(controller_->ResultValue, Variant(42));
  EXPECT_EQ(Log(), (Events{"form:show", "event:272", "form:close", "event:320", "form:destroy",
                        "event:304"}));
  // The controller outlives its form; nothing more reaches the host.
  controller_.reset();
  EXPECT_EQ(Log().size(), 6u);
}

TEST_F(ControllerTest, DestroyingTheControllerClosesAnOpenForm) {
  StartProgram();
  controller_->SetVisible(1);
  probe_.log.clear();
  controller_.reset();
  EXPECT_EQ(probe_.form, nullptr);
  EXPECT_EQ(Log(), (Events{"form:close", "event:320", "form:destroy", "event:304"}));
}

TEST_F(ControllerTest, SilentCloseRaisesOnlyTheDestroyEvent) {
  StartProgram();
  controller_->CloseProgram(true);
  EXPECT_TRUE(controller_->IsFormFreed());
  EXPECT_EQ(Log(), (Events{"form:destroy", "event:304"}));
  controller_->CloseProgram(false);
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(ControllerTest, AFormFreedWithoutClosingLeavesResultCodeZero) {
  StartProgram();
  Form().SetReturnValue("v");
  Form().Free();
  EXPECT_TRUE(controller_->IsFormFreed());
  EXPECT_EQ(controller_->ResultCode, 0);
  EXPECT_EQ(controller_->ResultValue, Variant("v"));
}

// A host that reacts to the events the way hosts do: it may close the program
// from inside an event, or destroy the controller on 304.
struct ReactingHost {
  std::unique_ptr<TDLLBaseController>* controller;
  FormProbe* probe;
  int32_t closeOn = 0;
  bool closeSilently = false;
  bool destroyOn304 = false;
};

void ReactingHostEvent(void* context, int32_t code, TDLLBaseController* sender) {
  auto* host = static_cast<ReactingHost*>(context);
  host->probe->log.push_back("event:" + std::to_string(code));
  if (code == host->closeOn) sender->CloseProgram(host->closeSilently);
  if (code == kEventDestroy && host->destroyOn304) host->controller->reset();
}

TEST_F(ControllerTest, TheHostMayDestroyTheControllerOnTheDestroyEvent) {
  StartProgram();
  ReactingHost host{&controller_, &probe_};
  host.destroyOn304 = true;
  controller_->OnEvent = &ReactingHostEvent;
  controller_->OnEventContext = &host;
  controller_->SetVisible(1);
  Form().Close();
  EXPECT_EQ(controller_, nullptr);
  EXPECT_EQ(probe_.form, nullptr);
  EXPECT_EQ(Log(), (Events{"form:show", "event:272", "form:close", "event:320", "form:destroy",
                        "event:304"}));
}

TEST_F(ControllerTest, AHostClosingTheProgramDuringTheModalLoopEndsTheLoopFirst) {
  StartProgram();
  ReactingHost host{&controller_, &probe_};
  host.closeOn = kEventShow;
  host.closeSilently = true;
  controller_->OnEvent = &ReactingHostEvent;
  controller_->OnEventContext = &host;
  Variant result("before");
  controller_->ShowModal(result);
  EXPECT_TRUE(controller_->IsFormFreed());
  EXPECT_EQ(result, Variant());
  EXPECT_EQ(Log(), (Events{"form:show", "event:272", "form:hide", "event:288", "form:destroy",
                        "event:304"}));
}

}  // namespace
}  // namespace pevf
