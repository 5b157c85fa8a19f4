#include "db_test_support.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/rtl/errors.h"
#include "suite/db/schema.h"

namespace suite::db::testing {

namespace {

std::unique_ptr<PgCluster>& Cluster() {
  static std::unique_ptr<PgCluster> cluster;
  return cluster;
}

std::string& StartError() {
  static std::string error;
  return error;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts the cluster before the first test when a selected test needs it.
class PgEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!AnyPostgresTestSelected() || !PgCluster::BinariesPresent()) return;
    try {
      Cluster() = std::make_unique<PgCluster>();
    } catch (const std::exception& error) {
      StartError() = error.what();
    }
  }
  void TearDown() override { Cluster().reset(); }

 private:
  static bool AnyPostgresTestSelected() {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
      const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
      for (int j = 0; j < suite.total_test_count(); ++j) {
        const ::testing::TestInfo& info = *suite.GetTestInfo(j);
        if (info.should_run() && std::string(info.name()).ends_with("/PostgreSQL")) return true;
      }
    }
    return false;
  }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PgEnvironment);

void Run(const std::string& command, const std::string& what, const std::string& log) {
  if (std::system(command.c_str()) != 0) {
    throw std::runtime_error(what + " failed: " + ReadText(log));
  }
}

}  // namespace

const char* PgCluster::BinDir() { return "/usr/lib/postgresql/15/bin"; }

bool PgCluster::BinariesPresent() {
  return access((std::string(BinDir()) + "/initdb").c_str(), X_OK) == 0 &&
         access((std::string(BinDir()) + "/pg_ctl").c_str(), X_OK) == 0;
}

PgCluster* PgCluster::Get() { return Cluster().get(); }

std::string PgCluster::TemplateDir() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "";
  return (self.parent_path() / "suite_tests-pg15-template").string();
}

void PgCluster::InitDb(const std::string& as, const std::string& data) {
  Run(as + BinDir() + "/initdb -D " + data + " -E UTF8 --locale=C.UTF-8 -A trust -U postgres --no-sync > " +
          dir_ + "/initdb.out 2>&1",
      "initdb", dir_ + "/initdb.out");
}

PgCluster::PgCluster() {
  char pattern[] = "/tmp/pellor-pg.XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a folder for the cluster");
  dir_ = pattern;
  // initdb refuses to run as root; the cluster then belongs to postgres.
  std::string as;
  if (geteuid() == 0) {
    passwd* postgres = getpwnam("postgres");
    if (!postgres) throw std::runtime_error("running as root, but there is no user postgres");
    if (chown(dir_.c_str(), postgres->pw_uid, postgres->pw_gid) != 0) {
      throw std::runtime_error("cannot hand " + dir_ + " to postgres");
    }
    as = "runuser -u postgres -- ";
  }
  chmod(dir_.c_str(), 0700);
  port_ = 40000 + static_cast<int>(getpid() % 20000);
  std::string bin = BinDir();
  std::string data = dir_ + "/data";
  auto start = [&] {
    Run(as + bin + "/pg_ctl -D " + data + " -l " + dir_ + "/server.log -o \"-k " + dir_ + " -p " +
            std::to_string(port_) +
            " -c listen_addresses='' -c fsync=off -c full_page_writes=off\" -w start > " + dir_ +
            "/pg_ctl.out 2>&1",
        "pg_ctl start", dir_ + "/pg_ctl.out");
  };
  // initdb takes seconds and every test runs in a process of its own, so a
  // pristine cluster is kept next to the test program and copied.
  std::string templateDir = TemplateDir();
  bool copied = false;
  if (!templateDir.empty()) {
    struct Lock {
      int fd;
      ~Lock() {
        if (fd >= 0) close(fd);  // also releases the lock
      }
    } lock{open((templateDir + ".lock").c_str(), O_CREAT | O_RDWR, 0644)};
    if (lock.fd >= 0 && flock(lock.fd, LOCK_EX) == 0) {
      if (access(templateDir.c_str(), F_OK) != 0) {
        std::filesystem::remove_all(templateDir + ".new");
        mkdir((templateDir + ".new").c_str(), 0700);
        if (geteuid() == 0) {
          passwd* postgres = getpwnam("postgres");
          [[maybe_unused]] int rc = chown((templateDir + ".new").c_str(), postgres->pw_uid, postgres->pw_gid);
        }
        InitDb(as, templateDir + ".new");
        std::filesystem::rename(templateDir + ".new", templateDir);
      }
      copied = std::system(("cp -a " + templateDir + " " + data).c_str()) == 0;
    }
  }
  if (!copied) InitDb(as, data);
  try {
    start();
  } catch (const std::exception&) {
    if (!copied) throw;
    // A template of another server version: start over without it.
    std::filesystem::remove_all(templateDir);
    std::filesystem::remove_all(data);
    InitDb(as, data);
    start();
  }
  // The server's own user is an ordinary one that may create roles, as a
  // site's would be; the tests set things up as the superuser.
  OpenPostgres(Admin())->Execute("CREATE ROLE pellor_app LOGIN CREATEROLE");
}

PgCluster::~PgCluster() {
  std::string as = geteuid() == 0 ? "runuser -u postgres -- " : "";
  std::string command = as + BinDir() + std::string("/pg_ctl -D ") + dir_ +
                        "/data -m immediate -w stop > /dev/null 2>&1";
  [[maybe_unused]] int rc = std::system(command.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

PostgresParams PgCluster::Admin(const std::string& database) const {
  PostgresParams params;
  params.host = dir_;
  params.port = port_;
  params.database = database;
  params.user = "postgres";
  return params;
}

PostgresParams PgCluster::NewDatabase() {
  std::string name = "pellor_t" + std::to_string(++databases_);
  OpenPostgres(Admin())->Execute("CREATE DATABASE " + name +
                                 " OWNER pellor_app TEMPLATE template0 ENCODING 'UTF8' STRATEGY FILE_COPY");
  PostgresParams params = Admin(name);
  params.user = "pellor_app";
  return params;
}

void DbTest::SetUp() {
  if (GetParam() == Backend::kPostgres && !PgCluster::Get()) {
    if (!PgCluster::BinariesPresent()) {
      GTEST_SKIP() << "PostgreSQL server binaries not found in " << PgCluster::BinDir()
                   << "; the PostgreSQL half of this test is skipped";
    }
    FAIL() << "the throwaway PostgreSQL cluster did not start: " << StartError();
  }
  writer_ = NewDatabase();
  ASSERT_EQ(EnsureSchema(*writer_), SchemaState::kCreated);
}

void DbTest::TearDown() {
  gateway_.reset();
  writer_.reset();
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::unique_ptr<Connection> DbTest::NewDatabase() {
  gateway_.reset();
  if (GetParam() == Backend::kPostgres) {
    pg_ = PgCluster::Get()->NewDatabase();
    return OpenPostgres(pg_);
  }
  if (dir_.empty()) {
    char pattern[] = "/tmp/pellor-db.XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  sqlitePath_ = (dir_ / ("pellor" + std::to_string(++files_) + ".db")).string();
  return OpenSqlite(sqlitePath_);
}

std::unique_ptr<Connection> DbTest::Open() {
  if (GetParam() == Backend::kPostgres) return OpenPostgres(pg_);
  return OpenSqlite(sqlitePath_);
}

std::unique_ptr<SqlGateway> DbTest::OpenGateway(GatewayOptions options) {
  std::unique_ptr<Connection> confined =
      GetParam() == Backend::kPostgres ? OpenPostgres(pg_) : OpenSqlite(sqlitePath_, true);
  return std::make_unique<SqlGateway>(std::move(confined), Catalogue::Builtin(), options);
}

SqlGateway& DbTest::Gateway() {
  if (!gateway_) gateway_ = OpenGateway();
  return *gateway_;
}

std::string BackendParamName(const ::testing::TestParamInfo<Backend>& info) {
  return BackendName(info.param);
}

std::string Squeeze(const std::string& text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace suite::db::testing
