#include "platform/dispatch/class_factory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/temp_dir.h"

namespace pellor {
namespace {

class TNamedObject : public TDispatchObject {
 public:
  TNamedObject(std::string className, std::string tag) : TDispatchObject(std::move(className)) {
    AddProperty("Tag", [tag] { return Variant(tag); });
  }
};

ObjectFactory MakeFactory(std::string className, std::string tag) {
  return [className, tag] { return std::make_shared<TNamedObject>(className, tag); };
}

std::string ErrorText(std::string_view className) {
  try {
    CreateObject(className);
  } catch (const EDispatchError& error) {
    return error.what();
  }
  return "(no EDispatchError)";
}

// Each test runs against a class table of its own.
class ClassFactoryTest : public ::testing::Test {
 protected:
  void WriteClassTable(const std::string& lines) {
    test::WriteTestFile(store_, "[Software\\Classes]\n" + lines);
  }

  test::ScopedTempDir dir_;
  std::string store_ = dir_.File("registry.ini");
  test::ScopedEnv env_{"PELLOR_REGISTRY", store_};
};

TEST_F(ClassFactoryTest, RegistrationsIgnoreCaseAndTheLastOneWins) {
  RegisterClassFactory("PellorTest.Local", MakeFactory("PellorTest.Local", "first"));
  EXPECT_TRUE(IsClassRegistered("pellortest.LOCAL"));
  EXPECT_EQ(DispatchGet(Variant(CreateObject("PELLORTEST.local")), "Tag").AsString(), "first");

  RegisterClassFactory("pellortest.local", MakeFactory("PellorTest.Local", "second"));
  EXPECT_EQ(DispatchGet(Variant(CreateObject("PellorTest.Local")), "Tag").AsString(), "second");

  UnregisterClassFactory("PELLORTEST.LOCAL");
  EXPECT_FALSE(IsClassRegistered("PellorTest.Local"));
  EXPECT_EQ(ErrorText("PellorTest.Local"), "Invalid class string: PellorTest.Local");
}

TEST_F(ClassFactoryTest, ScopedRegistrationEndsWithItsScope) {
  {
    ClassFactoryRegistration registration("PellorTest.Scoped", MakeFactory("PellorTest.Scoped", "x"));
    EXPECT_NE(CreateObject("PellorTest.Scoped"), nullptr);
  }
  EXPECT_FALSE(IsClassRegistered("PellorTest.Scoped"));
}

TEST_F(ClassFactoryTest, AFactoryThatCreatesNothingIsAnInvalidClass) {
  ClassFactoryRegistration registration("PellorTest.Null", [] { return DispatchPtr(); });
  EXPECT_EQ(ErrorText("PellorTest.Null"), "Invalid class string: PellorTest.Null");
}

TEST_F(ClassFactoryTest, TheClassTableLoadsTheNamedLibrary) {
  WriteClassTable(std::string("PellorTest.LibObject=") + PELLOR_TEST_CLASSLIB +
                  "\nPellorTest.Unknown=" + PELLOR_TEST_CLASSLIB + "\n");
  Variant object(CreateObject("pellortest.libobject"));
  EXPECT_EQ(DispatchCall(object, "Echo", {"hello"}).AsString(), "hello");
  EXPECT_EQ(DispatchCall(object, "CreatedBy").AsString(), "pellortest.libobject");
  // The library stays loaded: a second object from it works after the first
  // one is gone.
  object = Variant();
  EXPECT_EQ(DispatchCall(Variant(CreateObject("PellorTest.LibObject")), "Echo", {7}).AsInteger(),
            7);
  // The library is asked, and knows no such class.
  EXPECT_EQ(ErrorText("PellorTest.Unknown"), "Invalid class string: PellorTest.Unknown");
  // Not in the table at all.
  EXPECT_EQ(ErrorText("PellorTest.Absent"), "Invalid class string: PellorTest.Absent");
}

TEST_F(ClassFactoryTest, RegistrationsInsideTheProcessComeFirst) {
  WriteClassTable(std::string("PellorTest.LibObject=") + PELLOR_TEST_CLASSLIB + "\n");
  ClassFactoryRegistration registration("PellorTest.LibObject",
                                        MakeFactory("PellorTest.LibObject", "in-process"));
  EXPECT_EQ(DispatchGet(Variant(CreateObject("PellorTest.LibObject")), "Tag").AsString(),
            "in-process");
}

TEST_F(ClassFactoryTest, LibraryFailuresNameTheLibraryAndTheClass) {
  WriteClassTable(std::string("PellorTest.Missing=") + dir_.File("nowhere.so") +
                  "\nPellorTest.NoEntry=" + PELLOR_MODULE_FILE + "\n");
  const std::string missing = ErrorText("PellorTest.Missing");
  EXPECT_EQ(missing.rfind("Cannot load the library \"" + dir_.File("nowhere.so") +
                              "\" of class PellorTest.Missing: ",
                          0),
            0u)
      << missing;
  EXPECT_EQ(ErrorText("PellorTest.NoEntry"), std::string("The library \"") + PELLOR_MODULE_FILE +
                                                 "\" of class PellorTest.NoEntry does not "
                                                 "export PellorCreateObject");
}

TEST_F(ClassFactoryTest, WithoutAClassTableEveryUnknownClassIsInvalid) {
  EXPECT_EQ(ErrorText("ZEVUD01E.Class1"), "Invalid class string: ZEVUD01E.Class1");
  EXPECT_EQ(ErrorText(""), "Invalid class string: ");
}

TEST_F(ClassFactoryTest, RegistryIsSafeUnderConcurrentUse) {
  std::atomic<int> created{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &created] {
      const std::string name = "PellorTest.Thread" + std::to_string(t % 2);
      for (int i = 0; i < 500; ++i) {
        RegisterClassFactory(name, MakeFactory(name, "x"));
        if (CreateObject(name) != nullptr) ++created;
        IsClassRegistered("PellorTest.Thread1");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(created.load(), 2000);
  UnregisterClassFactory("PellorTest.Thread0");
  UnregisterClassFactory("PellorTest.Thread1");
}

}  // namespace
}  // namespace pellor
