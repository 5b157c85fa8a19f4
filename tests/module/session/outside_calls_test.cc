#include "module/session/outside_calls.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/errors.h"

namespace pevf {
namespace {

using pellor::VarArgs;
using pellor::Variant;

// One object with every member the typed calls use; each records its
// arguments and writes its out argument.
class TRecordingService : public pellor::TDispatchObject {
 public:
  TRecordingService() : TDispatchObject("PellorTest.Service") {
    AddMethod("DependencyVersion", 0, 0, [this](VarArgs& args) { return Record(args, 8000); });
    AddMethod("Com_Counter", 0, 0, [this](VarArgs& args) { return Record(args, "counter"); });
    AddMethod("GetMessage", 2, 2, [this](VarArgs& args) { return Record(args, "Text %s"); });
    AddMethod("ExecWork", 5, 5, [this](VarArgs& args) {
      Variant result = Record(args, -3);
      args[4] = "work result";
      return result;
    });
    AddMethod("CheckValue", 5, 5, [this](VarArgs& args) {
      Variant result = Record(args, true);
      args[4] = Variant::ArrayOf({"name"});
      return result;
    });
    AddMethod("QueryMaxSeq", 7, 7, [this](VarArgs& args) {
      Variant result = Record(args, true);
      args[6] = "0005";
      return result;
    });
    AddMethod("GETCOUNTER", 3, 3, [this](VarArgs& args) { return Record(args, "rows"); });
    AddMethod("GetSysInfo", 1, 1, [this](VarArgs& args) { return Record(args, "table"); });
  }

  VarArgs lastArgs;  // as the call arrived, before out arguments were written

 private:
  Variant Record(const VarArgs& args, Variant result) {
    lastArgs = args;
    return result;
  }
};

class OutsideCallsTest : public ::testing::Test {
 protected:
  std::shared_ptr<TRecordingService> service_ = std::make_shared<TRecordingService>();
  Variant object_{pellor::DispatchPtr(service_)};
};

TEST_F(OutsideCallsTest, WorkCenterCallsSendTheirArgumentsInOrder) {
  EXPECT_EQ(DependencyVersion(object_), 8000);
  EXPECT_EQ(GetServiceObject(object_, workcenter::kComCounter), Variant("counter"));
  EXPECT_EQ(GetMessageText(object_, "E", "000032"), "Text %s");
  EXPECT_EQ(service_->lastArgs, (VarArgs{"E", "000032"}));

  Variant result;
  const Variant caller = Variant::ArrayOf({"DS", "QRN01", "PEVF07", 5});
  EXPECT_EQ(ExecWork(object_, caller, "param", Variant(), result), -3);
  EXPECT_EQ(service_->lastArgs, (VarArgs{caller, "param", Variant(), 2, Variant()}));
  EXPECT_EQ(result, Variant("work result"));
}

TEST_F(OutsideCallsTest, ServiceCallsReturnTheirOutArguments) {
  Variant values;
  const Variant keys = Variant::ArrayOf({"A01"});
  EXPECT_TRUE(ValidatorLookup(object_, validator::kCheckValue, "ADMMB", "06", "QRNDB", keys, values));
  EXPECT_EQ(service_->lastArgs, (VarArgs{"ADMMB", "06", "QRNDB", keys, Variant()}));
  EXPECT_EQ(values, Variant::ArrayOf({"name"}));

  std::string next;
  EXPECT_TRUE(QueryMaxSeq(object_, "HRSMF", "MF001,", keys, "20240101", "PEVF07", "QRNDB", next));
  EXPECT_EQ(service_->lastArgs,
            (VarArgs{"HRSMF", "MF001,", keys, "20240101", "PEVF07", "QRNDB", ""}));
  EXPECT_EQ(next, "0005");

  const Variant sql = Variant::ArrayOf({"SELECT 1", "F1", "QRNDB", "N"});
  EXPECT_EQ(GetCounter(object_, counter::kSimpleSQL, sql, "QRN01", "QRNDB"), Variant("rows"));
  EXPECT_EQ(service_->lastArgs,
            (VarArgs{"SimpleSQL", sql, Variant::ArrayOf({"QRN01", "QRNDB"})}));
  EXPECT_EQ(GetSysInfo(object_, "QRN01"), Variant("table"));
}

TEST_F(OutsideCallsTest, FailuresPassToTheCaller) {
  EXPECT_THROW(DependencyVersion(Variant()), pellor::EDispatchError);
  Variant values;
  EXPECT_THROW(ValidatorLookup(object_, validator::kQueryData, "T", "1", "DB", Variant(), values),
               pellor::EDispatchError);  // the object has no QueryData
}

}  // namespace
}  // namespace pevf
