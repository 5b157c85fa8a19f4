// tamlo init as a user runs it: the built binary on an empty folder, then
// again on the site it made and on a site a user has edited.
#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/rtl/inifile.h"
#include "platform/rtl/variant.h"
#include "suite/db/database.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TamloInitTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamlo_init_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    site_ = root_ / "site";
  }
  void TearDown() override { fs::remove_all(root_); }

  // Runs tamlo init on the site; `store` names PELLOR_REGISTRY (empty: unset).
  int Init(const std::string& store = "") {
    std::string command = (store.empty() ? std::string("env -u PELLOR_REGISTRY ")
                                         : "PELLOR_REGISTRY='" + store + "' ") +
                          "'" TAMLO_FILE "' init --site '" + site_.string() + "' >'" +
                          (root_ / "out").string() + "' 2>&1";
    int status = std::system(command.c_str());
    out_ = ReadAll(root_ / "out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Every folder and profile below the site, the profiles with their bytes.
  // The database is left out: SQLite may rewrite its header when it is only
  // read; the report and the rows tell whether it was kept.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(site_)) {
      if (entry.path().filename().string().rfind("pellor.db", 0) == 0) continue;
      files[entry.path().string()] = entry.is_regular_file() ? ReadAll(entry.path()) : "<folder>";
    }
    return files;
  }

  fs::path root_;
  fs::path site_;
  std::string out_;
};

TEST_F(TamloInitTest, MakesAWorkingSiteAndASecondRunChangesNothing) {
  ASSERT_EQ(Init(), 0) << out_;
  std::string site = site_.string() + "/";
  pellor::TIniFile store(site + "registry.ini");
  EXPECT_EQ(store.ReadString("Software\\QRN\\Pellor", "ClientPath", ""), site + "client/");
  EXPECT_EQ(store.ReadString("Software\\QRN\\Pellor", "ServerPath", ""), site + "server/");
  EXPECT_EQ(store.ReadString("Software\\QRN\\Pellor", "ProfileType", ""), "0");
  pellor::TIniFile client(site + "client/PellorC.ini");
  EXPECT_EQ(client.ReadString("Server Information", "ComputerName", ""), "127.0.0.1");
  EXPECT_EQ(client.ReadString("Server Information", "ServerPort", ""), "211");
  EXPECT_EQ(client.ReadString("CodePage", "UICodePage", ""), "936");
  EXPECT_EQ(client.ReadString("CodePage", "DBCodePage", ""), "936");
  // The package folder is where the build put the modules.
  EXPECT_EQ(client.ReadString("WorkDLLPath", "Build", ""),
            fs::path(PELLOR_MODULE_FILE).parent_path().string() + "/");
  EXPECT_EQ(pellor::TIniFile(site + "server/PellorS.ini").ReadString("DBE Setting", "MainDBType", ""),
            "SQLITE");
  for (const char* folder : {"client/Log", "client/c_Data", "client/MultiLanguage/CHS", "server/Log"}) {
    EXPECT_TRUE(fs::is_directory(site_ / folder)) << folder;
  }
  EXPECT_NE(out_.find("created database " + site + "server/pellor.db"), std::string::npos) << out_;
  EXPECT_NE(out_.find("\nexport PELLOR_REGISTRY=" + site + "registry.ini\n"), std::string::npos)
      << out_;

  // The database holds the seed data: the evaluation factors among them.
  {
    auto db = suite::db::OpenSqlite(site + "server/pellor.db", true);
    EXPECT_GE(db->QueryValue("SELECT COUNT(*) FROM HRSMF WHERE COMPANY = 'CSOqrl54'").AsInteger(), 10);
    EXPECT_EQ(db->QueryValue("SELECT MF002 FROM HRSMF WHERE COMPANY = 'CSOqrl54' AND MF001 = 'A01'")
                  .AsString(),
              "专业知识");
  }

  std::map<std::string, std::string> before = Snapshot();
  ASSERT_EQ(Init(site + "registry.ini"), 0) << out_;
  EXPECT_TRUE(Snapshot() == before);
  EXPECT_EQ(out_.find("created"), std::string::npos) << out_;
  EXPECT_NE(out_.find("kept database " + site + "server/pellor.db"), std::string::npos) << out_;
}

TEST_F(TamloInitTest, KeepsWhatAUserEditedAndAddsOnlyWhatIsMissing) {
  ASSERT_EQ(Init(), 0) << out_;
  std::string site = site_.string() + "/";
  // A user points the client at another server, lists own package folders
  // and removes a code page; the store keeps another profile type.
  std::ofstream(site + "client/PellorC.ini", std::ios::trunc)
      << "; edited by hand\n[Server Information]\nComputerName=10.0.0.5;\n"
      << "[WorkDLLPath]\nMine=/opt/pkg/\n";
  pellor::TIniFile(site + "registry.ini").WriteString("Software\\QRN\\Pellor", "ProfileType", "1");

  ASSERT_EQ(Init(), 0) << out_;
  pellor::TIniFile client(site + "client/PellorC.ini");
  EXPECT_EQ(client.ReadString("Server Information", "ComputerName", ""), "10.0.0.5;");
  EXPECT_EQ(client.ReadString("Server Information", "ServerPort", ""), "211");
  EXPECT_EQ(client.ReadString("CodePage", "UICodePage", ""), "936");
  EXPECT_EQ(client.ReadString("WorkDLLPath", "Mine", ""), "/opt/pkg/");
  EXPECT_FALSE(client.ValueExists("WorkDLLPath", "Build"));
  EXPECT_EQ(ReadAll(site + "client/PellorC.ini").rfind("; edited by hand", 0), 0u);
  EXPECT_EQ(pellor::TIniFile(site + "registry.ini").ReadString("Software\\QRN\\Pellor", "ProfileType", ""),
            "1");
  EXPECT_NE(out_.find("kept [Server Information] ComputerName=10.0.0.5;"), std::string::npos) << out_;
  EXPECT_NE(out_.find("added [Server Information] ServerPort=211"), std::string::npos) << out_;
}

TEST_F(TamloInitTest, AStoreNamedByTheEnvironmentIsUsedAndItsRootsWin) {
  // An existing store elsewhere already names a client root: the profile
  // goes there, not below the site.
  fs::create_directories(root_ / "etc");
  std::string storeFile = (root_ / "etc" / "my store.ini").string();
  std::ofstream(storeFile) << "[Software\\QRN\\Pellor]\nClientPath=" << (root_ / "elsewhere").string()
                           << "\n";
  ASSERT_EQ(Init(storeFile), 0) << out_;
  EXPECT_FALSE(fs::exists(site_ / "registry.ini"));
  EXPECT_TRUE(fs::exists(root_ / "elsewhere" / "PellorC.ini"));
  EXPECT_FALSE(fs::exists(site_ / "client"));
  EXPECT_TRUE(fs::exists(site_ / "server" / "pellor.db"));
  EXPECT_EQ(pellor::TIniFile(storeFile).ReadString("Software\\QRN\\Pellor", "ClientPath", ""),
            (root_ / "elsewhere").string());
  EXPECT_NE(out_.find("export PELLOR_REGISTRY='" + storeFile + "'\n"), std::string::npos) << out_;
}

TEST_F(TamloInitTest, ARelativeRootInTheStoreIsRefused) {
  fs::create_directories(site_);
  std::ofstream(site_ / "registry.ini") << "[Software\\QRN\\Pellor]\nClientPath=C:\\Tamlo\\Client\n";
  EXPECT_EQ(Init(), 1) << out_;
  EXPECT_NE(out_.find("ClientPath 'C:\\Tamlo\\Client' is not an absolute folder"), std::string::npos)
      << out_;
}

}  // namespace
