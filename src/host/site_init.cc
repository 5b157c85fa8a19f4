#include "host/site_init.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/rtl/errors.h"
#include "platform/rtl/inifile.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"
#include "suite/db/database.h"
#include "suite/db/schema.h"

namespace tamlo {
namespace {

namespace fs = std::filesystem;

std::string AbsoluteOf(const std::string& path) {
  return fs::absolute(fs::path(path.empty() ? "." : path)).lexically_normal().string();
}

std::string FolderOf(const std::string& path) {
  return pellor::IncludeTrailingPathDelimiter(AbsoluteOf(path));
}

class SiteWriter {
 public:
  explicit SiteWriter(std::FILE* out) : out_(out) {}

  void Folder(const std::string& folder) {
    if (pellor::DirectoryExists(folder)) {
      Say("kept folder", folder);
      return;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
      throw pellor::EInOutError("cannot create the folder " + folder + ": " + error.message(),
                                error.value());
    }
    Say("created folder", folder);
  }

  // Notes whether the file exists before its values are added, so that the
  // report says "created" for a file this run made.
  void File(const std::string& fileName) {
    Say(pellor::FileExists(fileName) ? "kept file" : "created file", fileName);
  }

  // Adds the value when the key is missing; an existing value, empty or not,
  // is the user's and stays. Returns the value in force.
  std::string Value(pellor::TIniFile& file, std::string_view section, std::string_view key,
                    const std::string& value) {
    std::string what = "[" + std::string(section) + "] " + std::string(key) + "=";
    if (file.ValueExists(section, key)) {
      std::string kept = file.ReadString(section, key, "");
      Say("  kept", what + kept);
      return kept;
    }
    file.WriteString(section, key, value);
    Say("  added", what + value);
    return value;
  }

  void Say(std::string_view verb, const std::string& what) {
    std::fprintf(out_, "%.*s %s\n", static_cast<int>(verb.size()), verb.data(), what.c_str());
  }

 private:
  std::FILE* out_;
};

// A root the store names; the store keeps it the way profiles write it,
// possibly with backslashes. Only an absolute folder can be set up here.
std::string RootFolder(const std::string& storeValue, std::string_view name) {
  std::string folder = pellor::NormalizePath(storeValue);
  if (folder.empty() || folder[0] != '/') {
    throw pellor::EInOutError("the settings store's " + std::string(name) + " '" + storeValue +
                                  "' is not an absolute folder; correct or remove it and run "
                                  "tamlo init again",
                              EINVAL);
  }
  return pellor::IncludeTrailingPathDelimiter(folder);
}

// The path as a shell word: unchanged when it is plain, else single-quoted.
std::string ShellWord(const std::string& text) {
  bool plain = !text.empty();
  for (char ch : text) {
    plain = plain && (std::isalnum(static_cast<unsigned char>(ch)) ||
                      std::string_view("/._-+,:@%").find(ch) != std::string_view::npos);
  }
  if (plain) return text;
  std::string word = "'";
  for (char ch : text) word += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return word + "'";
}

std::string DefaultModulesFolder() {
  std::string program = pellor::HostProgramFileName();
  if (program.empty()) {
    throw pellor::EInOutError("cannot find the tamlo executable's folder; give --modules DIR",
                              ENOENT);
  }
  fs::path lib = fs::path(program).parent_path().parent_path() / "lib";
  return pellor::IncludeTrailingPathDelimiter(fs::weakly_canonical(lib).string());
}

}  // namespace

void InitSite(const InitOptions& options, std::FILE* out) {
  SiteWriter writer(out);
  std::string site = FolderOf(options.site);
  const char* named = std::getenv("PELLOR_REGISTRY");
  std::string storeFile =
      named != nullptr && *named != '\0' ? AbsoluteOf(named) : site + "registry.ini";
  std::string modules =
      options.modulesDir.empty() ? DefaultModulesFolder() : FolderOf(options.modulesDir);

  std::fprintf(out, "tamlo init: site %s\n", site.c_str());
  writer.Folder(site);
  std::string storeFolder = pellor::ExtractFilePath(storeFile);
  if (storeFolder != site) writer.Folder(storeFolder);

  // The settings store. Roots it already names win over the site's folders:
  // the profiles go where every program will look for them.
  writer.File(storeFile);
  pellor::TIniFile store(storeFile);
  std::string clientRoot =
      RootFolder(writer.Value(store, pellor::kPellorRegistryKey, "ClientPath", site + "client/"),
                 "ClientPath");
  std::string serverRoot =
      RootFolder(writer.Value(store, pellor::kPellorRegistryKey, "ServerPath", site + "server/"),
                 "ServerPath");
  writer.Value(store, pellor::kPellorRegistryKey, "ProfileType", "0");

  // The client root and its profile.
  writer.Folder(clientRoot);
  for (const char* folder : {"Log/", "c_Data/", "MultiLanguage/CHS/"}) {
    writer.Folder(clientRoot + folder);
  }
  std::string clientIni = clientRoot + "PellorC.ini";
  writer.File(clientIni);
  pellor::TIniFile client(clientIni);
  writer.Value(client, "Server Information", "ComputerName", "127.0.0.1");
  writer.Value(client, "Server Information", "ServerPort", "211");
  writer.Value(client, "CodePage", "UICodePage", "936");
  writer.Value(client, "CodePage", "DBCodePage", "936");
  // Package folders are a list: a user's own list is kept whole, the build's
  // folder only fills an empty one.
  pellor::TStringList packages;
  client.ReadSectionValues("WorkDLLPath", packages);
  if (packages.Empty()) {
    writer.Value(client, "WorkDLLPath", "Build", modules);
    if (!pellor::FileExists(modules + "libPEVF07C.so")) {
      writer.Say("note:", "no libPEVF07C.so in " + modules + " yet; build it or give --modules DIR");
    }
  } else {
    for (int i = 0; i < packages.Count(); ++i) writer.Say("  kept", "[WorkDLLPath] " + packages[i]);
  }

  // The server root, its profile and its database.
  writer.Folder(serverRoot);
  writer.Folder(serverRoot + "Log/");
  std::string serverIni = serverRoot + "PellorS.ini";
  writer.File(serverIni);
  pellor::TIniFile server(serverIni);
  std::string dbType = writer.Value(server, "DBE Setting", "MainDBType", "SQLITE");
  if (suite::db::BackendForMainDBType(dbType) == suite::db::Backend::kSqlite) {
    std::string databaseFile = serverRoot + "pellor.db";
    bool existed = pellor::FileExists(databaseFile);
    auto connection = suite::db::OpenSqlite(databaseFile);
    suite::db::SchemaState state = suite::db::EnsureSchema(*connection);
    if (state == suite::db::SchemaState::kCreated) {
      writer.Say(existed ? "seeded database" : "created database",
                 databaseFile + " (tables and seed data)");
    } else {
      writer.Say("kept database", databaseFile);
    }
  } else {
    writer.Say("note:", "MainDBType " + dbType +
                            " names a PostgreSQL server; the application server creates and seeds its database on its first start");
  }

  // A site whose store is not the machine-wide one needs the variable in the
  // user's shell.
  if (storeFile != pellor::kMachineRegistryFileName) {
    std::fprintf(out, "Programs find this site through the settings store; in your shell run:\n");
    std::fprintf(out, "export PELLOR_REGISTRY=%s\n", ShellWord(storeFile).c_str());
  }
}

}  // namespace tamlo
