// Shared by the database tests: a throwaway PostgreSQL cluster for the whole
// test program, and a fixture that gives each test a new database of either
// backend with the schema and seed data.
#ifndef PELLOR_TESTS_SUITE_DB_DB_TEST_SUPPORT_H_
#define PELLOR_TESTS_SUITE_DB_DB_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "suite/db/database.h"
#include "suite/db/sql_gateway.h"

namespace suite::db::testing {

// The cluster is started by a gtest environment before the first test, and
// only when a selected test runs on PostgreSQL; it listens on a unix socket
// in its own folder and is stopped and deleted at the end.
class PgCluster {
 public:
  // Null when no PostgreSQL tests run or the server binaries are missing.
  static PgCluster* Get();
  static bool BinariesPresent();
  static const char* BinDir();

  // A new, empty database owned by the server's (non-superuser) user.
  PostgresParams NewDatabase();
  // The superuser, for setting up.
  PostgresParams Admin(const std::string& database = "postgres") const;

  PgCluster();
  ~PgCluster();

 private:
  static std::string TemplateDir();
  void InitDb(const std::string& as, const std::string& data);

  std::string dir_;
  int port_ = 0;
  int databases_ = 0;
};

// Each test gets a database of its own, created with schema and seed data.
class DbTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new empty database; later calls of Open and OpenGateway use it.
  std::unique_ptr<Connection> NewDatabase();
  // Another connection to the current database.
  std::unique_ptr<Connection> Open();
  // A gateway on a connection of its own.
  std::unique_ptr<SqlGateway> OpenGateway(GatewayOptions options = {});
  SqlGateway& Gateway();

  std::unique_ptr<Connection> writer_;

 private:
  std::filesystem::path dir_;
  std::string sqlitePath_;
  PostgresParams pg_;
  std::unique_ptr<SqlGateway> gateway_;
  int files_ = 0;
};

std::string BackendParamName(const ::testing::TestParamInfo<Backend>& info);

#define PELLOR_DB_BACKENDS(Fixture)                                                            \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                  \
                           ::testing::Values(::suite::db::Backend::kSqlite,                    \
                                             ::suite::db::Backend::kPostgres),                 \
                           ::suite::db::testing::BackendParamName)

// The seed's two companies.
constexpr const char* kCompanyA = "CSOqrl54";
constexpr const char* kCompanyB = "HZ0002";

// Collapses runs of blanks and trims, for comparing rewritten SQL.
std::string Squeeze(const std::string& text);

}  // namespace suite::db::testing

#endif  // PELLOR_TESTS_SUITE_DB_DB_TEST_SUPPORT_H_
