#include "platform/rtl/registry.h"

#include <gtest/gtest.h>

#include "platform/rtl/errors.h"
#include "platform/rtl/temp_dir.h"

namespace pellor {
namespace {

class RegistryTest : public testing::Test {
 protected:
  test::ScopedTempDir dir_;
  std::string store_ = dir_.File("registry.ini");
  test::ScopedEnv env_{"PELLOR_REGISTRY", store_};
};

TEST_F(RegistryTest, FileNameComesFromTheEnvironment) {
  EXPECT_EQ(RegistryFileName(), store_);
  {
    test::ScopedEnv empty("PELLOR_REGISTRY", "");
    EXPECT_EQ(RegistryFileName(), "/etc/pellor/registry.ini");
  }
  test::ScopedEnv unset("PELLOR_REGISTRY", std::nullopt);
  EXPECT_EQ(RegistryFileName(), "/etc/pellor/registry.ini");
}

TEST_F(RegistryTest, ReadsTheSuiteKey) {
  test::WriteTestFile(store_,
                      "[Software\\QRN\\Pellor]\r\n"
                      "ClientPath=C:\\QRN\\Client\r\n"
                      "ProfileType=\r\n"
                      "[Software\\Classes]\r\n"
                      "ZEVUD01E.Class1=/opt/pellor/lib/libzevud01e.so\r\n");
  TRegistry registry;  // the store named by PELLOR_REGISTRY
  ASSERT_TRUE(registry.OpenKeyReadOnly("software\\qrn\\PELLOR"));
  EXPECT_EQ(registry.ReadString("clientpath"), "C:\\QRN\\Client");
  EXPECT_TRUE(registry.ValueExists("ProfileType"));
  EXPECT_EQ(registry.ReadString("ProfileType"), "");
  EXPECT_FALSE(registry.ValueExists("ServerPath"));
  EXPECT_EQ(registry.ReadString("ServerPath"), "");
  registry.CloseKey();
  EXPECT_EQ(registry.ReadString("ClientPath"), "");

  EXPECT_TRUE(registry.OpenKeyReadOnly("\\Software\\Classes\\"));
  EXPECT_EQ(registry.ReadString("zevud01e.class1"), "/opt/pellor/lib/libzevud01e.so");
  EXPECT_FALSE(registry.OpenKeyReadOnly("Software\\QRN"));
  EXPECT_EQ(registry.ReadString("ClientPath"), "");

  EXPECT_EQ(ReadPellorRegistryValue("CLIENTPATH"), "C:\\QRN\\Client");
  EXPECT_EQ(ReadPellorRegistryValue("ServerPath"), "");
}

TEST_F(RegistryTest, MissingStoreOrKey) {
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKeyReadOnly(kPellorRegistryKey));
  EXPECT_EQ(ReadPellorRegistryValue("ClientPath"), std::nullopt);

  test::WriteTestFile(store_, "[Software\\Other]\nClientPath=/x\n");
  EXPECT_FALSE(registry.OpenKeyReadOnly(kPellorRegistryKey));
  EXPECT_EQ(ReadPellorRegistryValue("ClientPath"), std::nullopt);
}

TEST_F(RegistryTest, WritesCreateTheKey) {
  TRegistry registry(store_);
  EXPECT_THROW(registry.WriteString("ClientPath", "/x"), EInOutError);  // no key open
  registry.OpenKey(kPellorRegistryKey);
  registry.WriteString("ClientPath", "/opt/qrn/client/");
  registry.WriteString("UseKBIG5", "0");
  EXPECT_EQ(ReadPellorRegistryValue("ClientPath"), "/opt/qrn/client/");
  EXPECT_EQ(ReadPellorRegistryValue("UseKBIG5"), "0");
  EXPECT_EQ(test::ReadTestFile(store_),
            "[Software\\QRN\\Pellor]\r\nClientPath=/opt/qrn/client/\r\nUseKBIG5=0\r\n");

  TRegistry nowhere(dir_.File("missing/registry.ini"));
  nowhere.OpenKey(kPellorRegistryKey);
  EXPECT_THROW(nowhere.WriteString("ClientPath", "/x"), EInOutError);
}

}  // namespace
}  // namespace pellor
