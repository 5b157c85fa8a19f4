#include "platform/dispatch/dispatch.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/errors.h"

namespace pellor {
namespace {

// A small object with a method of optional arguments, a method with out
// arguments, one that raises, and properties of every access.
class TTestObject : public TDispatchObject {
 public:
  TTestObject() : TDispatchObject("PellorTest.Object") {
    AddMethod("Sum", 2, 3, [](VarArgs& args) {
      seenArgCount = static_cast<int>(args.size());
      return Variant(args[0].AsInteger() + args[1].AsInteger() + args[2].AsInteger());
    });
    // Split(text, out left, out right) → whether the text held a comma.
    AddMethod("Split", 3, 3, [](VarArgs& args) {
      const std::string text = args[0].AsString();
      const size_t comma = text.find(',');
      if (comma == std::string::npos) return Variant(false);
      args[1] = text.substr(0, comma);
      args[2] = text.substr(comma + 1);
      return Variant(true);
    });
    AddMethod("Count", 0, -1, [](VarArgs& args) { return Variant(static_cast<int>(args.size())); });
    AddMethod("Today", 0, 0, [](VarArgs&) { return Variant("20240102"); });
    AddMethod("Fail", 0, 0, [](VarArgs&) -> Variant { throw EDatabaseError("table is locked"); });
    AddProperty("Name", [this] { return Variant(name_); },
                [this](const Variant& value) { name_ = value.AsString(); });
    AddProperty("Version", [] { return Variant(8000); });
    AddProperty("Secret", nullptr, [this](const Variant& value) { name_ = "secret"; });
  }

  static int seenArgCount;

 private:
  std::string name_ = "initial";
};

int TTestObject::seenArgCount = 0;

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDispatchError& error) {
    return error.what();
  }
  return "(no EDispatchError)";
}

class DispatchTest : public ::testing::Test {
 protected:
  Variant object_{DispatchPtr(std::make_shared<TTestObject>())};
};

TEST_F(DispatchTest, MembersAreFoundWithoutRegardToCase) {
  EXPECT_EQ(DispatchCall(object_, "sUM", {1, 2, 3}).AsInteger(), 6);
  EXPECT_EQ(DispatchGet(object_, "name").AsString(), "initial");
  DispatchSet(object_, "NAME", "changed");
  EXPECT_EQ(DispatchGet(object_, "Name").AsString(), "changed");
  EXPECT_EQ(object_.AsDispatch()->DispatchClassName(), "PellorTest.Object");
}

TEST_F(DispatchTest, MissingOptionalArgumentsArriveEmptyAndTheCallerKeepsItsLength) {
  VarArgs args{4, 5};
  EXPECT_EQ(DispatchInvoke(object_, "Sum", args).AsInteger(), 9);
  EXPECT_EQ(TTestObject::seenArgCount, 3);
  EXPECT_EQ(args.size(), 2u);
}

TEST_F(DispatchTest, OutArgumentsReachTheCaller) {
  VarArgs args{"left,right", Variant(), Variant()};
  EXPECT_TRUE(DispatchInvoke(object_, "Split", args).AsBoolean());
  EXPECT_EQ(args[1].AsString(), "left");
  EXPECT_EQ(args[2].AsString(), "right");
}

TEST_F(DispatchTest, WrongArgumentCountsNameClassMemberAndBounds) {
  struct Case {
    const char* member;
    int count;
    const char* message;
  } cases[] = {
      {"sum", 5, "PellorTest.Object.Sum: expects 2 to 3 arguments, got 5"},
      {"Sum", 1, "PellorTest.Object.Sum: expects 2 to 3 arguments, got 1"},
      {"Split", 2, "PellorTest.Object.Split: expects 3 arguments, got 2"},
      {"Today", 1, "PellorTest.Object.Today: expects 0 arguments, got 1"},
  };
  for (const Case& c : cases) {
    VarArgs args(static_cast<size_t>(c.count), Variant(1));
    EXPECT_EQ(ErrorText([&] { DispatchInvoke(object_, c.member, args); }), c.message);
  }
  VarArgs many(40, Variant(1));
  EXPECT_EQ(DispatchInvoke(object_, "Count", many).AsInteger(), 40);
}

TEST_F(DispatchTest, UnknownMembersAndWrongAccessAreDispatchErrors) {
  EXPECT_EQ(ErrorText([&] { DispatchCall(object_, "Nothing"); }),
            "PellorTest.Object: unknown method \"Nothing\"");
  EXPECT_EQ(ErrorText([&] { DispatchGet(object_, "Nothing"); }),
            "PellorTest.Object: unknown property \"Nothing\"");
  EXPECT_EQ(ErrorText([&] { DispatchSet(object_, "version", 1); }),
            "PellorTest.Object.Version: property is read-only");
  EXPECT_EQ(ErrorText([&] { DispatchGet(object_, "Secret"); }),
            "PellorTest.Object.Secret: property is write-only");
  EXPECT_EQ(ErrorText([&] { DispatchCall(object_, "Version", {1}); }),
            "PellorTest.Object: unknown method \"Version\"");
}

TEST_F(DispatchTest, LateBoundReadsReachPropertiesAndArgumentlessMethods) {
  EXPECT_EQ(DispatchCall(object_, "Version").AsInteger(), 8000);
  EXPECT_EQ(DispatchGet(object_, "Today").AsString(), "20240102");
}

TEST_F(DispatchTest, ErrorsOfTheMethodPassThroughUnchanged) {
  EXPECT_THROW(DispatchCall(object_, "Fail"), EDatabaseError);
}

TEST(DispatchCallTest, AValueWithoutAnObjectIsRefused) {
  for (const Variant& value : {Variant(), Variant::Null(), Variant("TamloWorkCenter.Manager"),
                               Variant(DispatchPtr())}) {
    EXPECT_EQ(ErrorText([&] { DispatchCall(value, "DependencyVersion"); }),
              "Variant does not reference an automation object");
    EXPECT_THROW(DispatchGet(value, "x"), EDispatchError);
    EXPECT_THROW(DispatchSet(value, "x", 1), EDispatchError);
  }
}

}  // namespace
}  // namespace pellor
