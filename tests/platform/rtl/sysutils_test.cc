#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "platform/rtl/codepage.h"
#include "platform/rtl/temp_dir.h"

namespace pellor {
namespace {

TEST(SysUtilsTest, LogonUserName) {
  struct passwd* entry = getpwuid(geteuid());
  if (entry != nullptr) {
    EXPECT_EQ(LogonUserName(), entry->pw_name);
  } else {
    test::ScopedEnv user("USER", "someone");
    EXPECT_EQ(LogonUserName(), "someone");
  }
}

TEST(SysUtilsTest, TempFolder) {
  {
    test::ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempFolder(), "/var/tmp/");
  }
  {
    test::ScopedEnv tmp("TMPDIR", "/scratch/");
    EXPECT_EQ(TempFolder(), "/scratch/");
  }
  test::ScopedEnv tmp("TMPDIR", std::nullopt);
  EXPECT_EQ(TempFolder(), "/tmp/");
}

TEST(SysUtilsTest, ModuleAndProgramFileNames) {
  std::string program = HostProgramFileName();
  EXPECT_EQ(ExtractFileName(program), "platform_tests");
  EXPECT_EQ(program[0], '/');
  EXPECT_TRUE(FileExists(program));

  // A function of the platform library, and one of the test program itself.
  std::string library = ModuleFileName(reinterpret_cast<const void*>(&TempFolder));
  EXPECT_EQ(ExtractFileName(library), "libpellor_platform.so");
  EXPECT_EQ(library[0], '/');
  EXPECT_TRUE(FileExists(library));
  static int local = 0;
  EXPECT_EQ(ModuleFileName(&local), program);
  EXPECT_EQ(ModuleFileName(nullptr), "");
}

TEST(SysUtilsTest, FilesAndFolders) {
  test::ScopedTempDir dir;
  std::string file = dir.File("a.txt");
  test::WriteTestFile(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.File("none")));
  EXPECT_FALSE(FileExists(""));

  std::string deep = dir.File("one/two/three");
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + "/"));  // existing, trailing "/"
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_FALSE(ForceDirectories(file + "/sub"));  // under a file

  EXPECT_TRUE(DeleteFileAt(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(DeleteFileAt(file));
  EXPECT_FALSE(DeleteFileAt(deep));  // a folder is not a file
}

TEST(SysUtilsTest, PathParts) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* ext;
  };
  const Case cases[] = {
      {"/opt/qrn/PellorC.ini", "/opt/qrn/", "PellorC.ini", ".ini"},
      {"C:\\QRN\\Client\\Log\\a.log", "C:/QRN/Client/Log/", "a.log", ".log"},
      {"mixed\\dir/file.tar.gz", "mixed/dir/", "file.tar.gz", ".gz"},
      {"name", "", "name", ""},
      {"dir.d/file", "dir.d/", "file", ""},
      {"/folder/", "/folder/", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
  }
  EXPECT_EQ(NormalizePath("C:\\QRN\\\\c_Data\\"), "C:/QRN//c_Data/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/qrn"), "/opt/qrn/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/qrn/"), "/opt/qrn/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\QRN\\"), "C:/QRN/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
}

// In code page 950 "許" is B3 5C and "功" A5 5C: their second byte is a
// backslash that must not become a separator.
TEST(SysUtilsTest, BackslashInsideBig5Characters) {
  test::ScopedTempDir dir;
  test::ScopedEnv store("PELLOR_REGISTRY", dir.File("registry.ini"));
  test::ScopedEnv all("LC_ALL", std::nullopt);
  test::ScopedEnv ctype("LC_CTYPE", std::nullopt);
  const std::string path = "D:\\\xB3\x5C\\\xA5\x5C.txt";
  {
    test::ScopedEnv lang("LANG", "zh_TW.BIG5");
    ASSERT_EQ(SystemCodePage(), kCodePageBig5);
    EXPECT_EQ(NormalizePath(path), "D:/\xB3\x5C/\xA5\x5C.txt");
    EXPECT_EQ(ExtractFilePath(path), "D:/\xB3\x5C/");
    EXPECT_EQ(ExtractFileName(path), "\xA5\x5C.txt");
  }
  // On a machine that is not Chinese every backslash separates.
  test::ScopedEnv lang("LANG", "C.UTF-8");
  EXPECT_EQ(NormalizePath(path), "D:/\xB3//\xA5/.txt");
}

}  // namespace
}  // namespace pellor
