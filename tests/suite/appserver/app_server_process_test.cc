// The application server as a network process: tamlo-appserver started for
// real on a free port over a new server root, reached by clients over TCP.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "server_test_support.h"
#include "platform/db/client_dataset.h"
#include "platform/db/socket_connection.h"
#include "platform/dispatch/dispatch.h"
#include "platform/dispatch/remote.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "suite/appserver/lookup_server.h"
#include "suite/appserver/server_profile.h"

namespace suite::testing {
namespace {

using db::Backend;
using pellor::TClientDataSet;
using pellor::TComponent;
using pellor::TSocketConnection;

constexpr char kServerClass[] = "ZEVUD01E.Class1";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A running tamlo-appserver. Its standard output is read up to the line
// "listening on ...:PORT"; its standard error goes to a file for messages.
class ServerProcess {
 public:
  ServerProcess(const std::vector<std::string>& args, const std::filesystem::path& errorFile)
      : errorFile_(errorFile) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) dup2(err, 2);
      close(out[0]);
      std::vector<char*> argv{const_cast<char*>(TAMLO_APPSERVER_FILE)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // The port of the "listening on" line, or 0 when the process ended or
  // stayed silent for a minute.
  int WaitUntilListening() {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      char ch;
      if (read(out_, &ch, 1) != 1) return 0;
      if (ch != '\n') {
        line += ch;
        continue;
      }
      if (line.rfind("listening on 127.0.0.1:", 0) == 0) return std::stoi(line.substr(line.rfind(':') + 1));
      line.clear();
    }
    return 0;
  }

  // Sends `signal` and returns the exit code, or -1 when the process did
  // not exit normally within 30 seconds.
  int Stop(int signalNumber) {
    kill(pid_, signalNumber);
    for (int i = 0; i < 300; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }

  std::string Errors() const { return ReadFile(errorFile_); }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::filesystem::path errorFile_;
};

// A client program's data module over TCP: the socket connection, the
// server object connected as `user`, and "cdsMain" on "pvdMain".
struct RemoteClient {
  std::unique_ptr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TSocketConnection* socket;
  TClientDataSet* cds;

  RemoteClient(int port, const std::string& user) {
    socket = TComponent::Create<TSocketConnection>(owner.get());
    // "127.0.0.1" would mean the in-process server.
    socket->SetHost("localhost");
    socket->SetPort(port);
    socket->SetServerName(kServerClass);
    socket->Open();
    EXPECT_EQ(DispatchCall(socket->AppServer(), "Connect", {ConnectArgs(user)}).AsInteger(), 0);
    cds = TComponent::Create<TClientDataSet>(owner.get());
    cds->SetName("cdsMain");
    cds->SetProviderName("pvdMain");
    cds->SetRemoteServer(socket);
  }
  void Edit(const char* number, const std::string& name) {
    ASSERT_TRUE(cds->Locate("MF001;MF004", Variant::ArrayOf({Variant(number), Variant("1")})));
    cds->Edit();
    cds->FieldByName("MF002")->SetAsString(name);
    cds->FieldByName("FLAG")->SetAsFloat(cds->FieldByName("FLAG")->AsFloat() + 1);
    cds->Post();
  }
};

class AppServerProcessTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pellor-appserver.XXXXXX";
    root_ = mkdtemp(pattern);
    if (GetParam() == Backend::kPostgres) {
      if (!db::testing::PgCluster::Get()) {
        if (!db::testing::PgCluster::BinariesPresent()) GTEST_SKIP() << "no PostgreSQL server binaries";
        FAIL() << "the throwaway PostgreSQL cluster did not start";
      }
      // An empty database: the server makes and seeds its tables on its
      // first start. The cluster trusts local users, so the password only
      // has to decode.
      pg_ = db::testing::PgCluster::Get()->NewDatabase();
      std::ofstream(root_ / "PellorS.ini")
          << "[DBE Setting]\nMainDBType=POSTGRESQL\nMainDBName=" << pg_.database
          << "\nMainServerName=" << pg_.host << ":" << pg_.port << "\nMainUserName=" << pg_.user
          << "\nXXXXXX=" << EncodeProfilePassword("not needed") << "\n";
    }
  }
  void TearDown() override {
    server_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Starts the server; the port it listens on.
  int Start(int maxClients) {
    server_ = std::make_unique<ServerProcess>(
        std::vector<std::string>{"--server-root", root_.string(), "--port", "0", "--max-clients",
                                 std::to_string(maxClients)},
        root_ / "server.err");
    int port = server_->WaitUntilListening();
    EXPECT_GT(port, 0) << server_->Errors();
    return port;
  }

  // A connection of our own to the server's database, for checking.
  std::unique_ptr<db::Connection> Database() {
    if (GetParam() == Backend::kPostgres) return db::OpenPostgres(pg_);
    return db::OpenSqlite((root_ / "pellor.db").string());
  }
  std::string StoredName(const char* number) {
    return Database()
        ->QueryValue("SELECT MF002 FROM HRSMF WHERE COMPANY = ? AND MF001 = ? AND MF004 = '1'",
                     {Variant(kCompanyA), Variant(number)})
        .AsString();
  }

  std::filesystem::path root_;
  db::PostgresParams pg_;
  std::unique_ptr<ServerProcess> server_;
};

// A client that left frees its place only once the server has seen the
// socket close, which happens a moment after Close returns here: ask again
// for a while before calling the place lost.
std::pair<std::shared_ptr<pellor::TRemoteConnection>, pellor::DispatchPtr> CreateWhenFree(int port,
                                                                                            const char* className) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    auto connection = pellor::TRemoteConnection::Open("127.0.0.1", port);
    try {
      pellor::DispatchPtr object = connection->CreateServerObject(className);
      return {std::move(connection), std::move(object)};
    } catch (const pellor::EConnectionError& e) {
      if (std::string(e.what()).find("Server busy") == std::string::npos ||
          std::chrono::steady_clock::now() > deadline) {
        throw;
      }
    }
    connection->Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TEST_P(AppServerProcessTest, TwoClientsSaveOneFactorAndTheFirstWins) {
  int port = Start(2);
  ASSERT_GT(port, 0);
  const std::string firstName = pellor::Cp936("计算机应用（高级）");
  {
    RemoteClient first(port, "ZHANGWEI");
    RemoteClient second(port, "KV");
    first.cds->Open();
    second.cds->Open();
    std::vector<std::string> reconciled;
    second.cds->OnReconcileError = [&](TClientDataSet*, pellor::EReconcileError& e, pellor::TUpdateKind,
                                       pellor::TReconcileAction&) {
      reconciled.push_back(std::string(e.what()) + " [" + e.Context() + "]");
    };
    first.Edit("A03", firstName);
    second.Edit("A03", "second");
    EXPECT_EQ(first.cds->ApplyUpdates(0), 0);
    EXPECT_EQ(second.cds->ApplyUpdates(0), 1);
    EXPECT_EQ(reconciled, std::vector<std::string>{"Record not found or changed by another user [Modify]"});
    EXPECT_EQ(StoredName("A03"), "计算机应用（高级）");

    // A delta holding the stale row and a fresh one, with no error allowed,
    // writes neither.
    second.Edit("A04", "fresh");
    EXPECT_EQ(second.cds->ApplyUpdates(0), 1);
    EXPECT_EQ(StoredName("A04"), "逻辑推理");
    EXPECT_EQ(StoredName("A03"), "计算机应用（高级）");

    // A third client is over the bound: it is told so, not kept waiting.
    auto third = pellor::TRemoteConnection::Open("127.0.0.1", port);
    try {
      third->CreateServerObject(kServerClass);
      ADD_FAILURE() << "a client over the bound was served";
    } catch (const pellor::EConnectionError& e) {
      EXPECT_NE(std::string(e.what()).find("Server busy"), std::string::npos) << e.what();
    }
  }
  // The two left, so their places are free again; only the suite's classes
  // may be created.
  auto [again, serverObject] = CreateWhenFree(port, kServerClass);
  Variant server(serverObject);
  EXPECT_EQ(DispatchCall(server, "Connect", {ConnectArgs("NOBODY")}).AsInteger(), 2);
  again->Close();
  try {
    CreateWhenFree(port, "Scripting.FileSystemObject");
    ADD_FAILURE() << "a class outside the suite was created";
  } catch (const pellor::Exception& e) {
    EXPECT_EQ(std::string(e.what()).find("Server busy"), std::string::npos) << e.what();
  }
  EXPECT_NO_THROW(CreateWhenFree(port, kLookupServerClassName).first->Close());

  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Errors();
  EXPECT_NE(server_->Errors().find("SIGTERM, stopping"), std::string::npos) << server_->Errors();
}

TEST_P(AppServerProcessTest, ConditionsThatReachTooFarAreRefusedOverTheWire) {
  int port = Start(4);
  ASSERT_GT(port, 0);
  RemoteClient client(port, "ZHANGWEI");
  Variant server = client.socket->AppServer();
  auto open = [&](const std::string& condition) {
    return DispatchCall(server, pellor::kAsOpen, {Variant("pvdMain"), Variant(condition), Variant(), Variant(-1)});
  };
  struct Case {
    const char* condition;
    const char* reason;
  } refused[] = {
      {"1=1; DELETE FROM HRSMF", "\";\""},
      {"MF001 IN (SELECT MF001 FROM HRSMF) OR 1=1) UNION (SELECT MF001 FROM HRSMF", "unbalanced"},
      {"MF001 = 'A01' OR EXISTS (DELETE FROM HRSMF)", "DELETE"},
      {"MF002 IN (SELECT MF002 FROM main.HRSMF) OR MF002 IN (SELECT MF002 FROM public.hrsmf)", "schema-qualified"},
      {"1=1 UNION SELECT MF001 FROM HRSMF", "UNION"},
  };
  for (const Case& c : refused) {
    try {
      open(c.condition);
      ADD_FAILURE() << c.condition << " was run";
    } catch (const pellor::EDatabaseError& e) {
      EXPECT_STREQ(e.ClassName(), "ESqlRefused") << c.condition;
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.condition << " → " << e.what();
    }
  }
  // Naming another company's rows reaches none of them: the condition runs
  // on the caller's rows only.
  pellor::ProviderOpenResult result =
      pellor::OpenResultFromVariant(open("COMPANY = 'HZ0002' OR MF002 IN (SELECT MF002 FROM HRSMF WHERE "
                                         "COMPANY = 'HZ0002')"));
  EXPECT_EQ(result.packet.rows.Count(), 0);
  // The connection stays usable after the refusals.
  result = pellor::OpenResultFromVariant(open("MF001 = 'A03'"));
  EXPECT_GT(result.packet.rows.Count(), 0);
  EXPECT_EQ(Database()->QueryValue("SELECT COUNT(*) FROM HRSMF").AsInteger(), 26);
}

TEST_P(AppServerProcessTest, StopsCleanlyOnSigintWithAClientConnected) {
  int port = Start(2);
  ASSERT_GT(port, 0);
  RemoteClient client(port, "ZHANGWEI");
  client.cds->Open();
  EXPECT_EQ(server_->Stop(SIGINT), 0) << server_->Errors();
  // The server closed the conversation.
  EXPECT_THROW(DispatchCall(client.socket->AppServer(), "SvrData"), pellor::EConnectionError);
}

PELLOR_DB_BACKENDS(AppServerProcessTest);

// The command line, with no database behind it.
TEST(AppServerCommandLine, RefusesWhatItCannotServe) {
  char pattern[] = "/tmp/pellor-appserver.XXXXXX";
  std::filesystem::path root = mkdtemp(pattern);
  int busy = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(busy, 1), 0);
  ASSERT_EQ(getsockname(busy, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const int busyPort = ntohs(address.sin_port);
  auto run = [&](const std::string& args) {
    std::string command = std::string("'") + TAMLO_APPSERVER_FILE + "' " + args + " >'" + (root / "out").string() +
                          "' 2>'" + (root / "err").string() + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("--help"), 0);
  EXPECT_NE(ReadFile(root / "out").find("--max-clients N"), std::string::npos);
  struct Case {
    std::string args;
    int code;
    const char* message;
  } cases[] = {
      {"--port 70000", 2, "no port from 0 to 65535"},
      {"--max-clients 0", 2, "no number from 1 to 1000"},
      {"--site a --server-root b", 2, "not both"},
      {"--bogus", 2, "unknown option --bogus"},
      {"--port", 2, "needs a value"},
      {"--server-root '" + root.string() + "' --bind 256.1.1.1 --port 0", 1, "256.1.1.1"},
      // Something else holds the port: the bind fails and says why.
      {"--server-root '" + root.string() + "' --port " + std::to_string(busyPort), 1, "in use"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), c.code) << c.args;
    EXPECT_NE(ReadFile(root / "err").find(c.message), std::string::npos) << c.args << ": " << ReadFile(root / "err");
  }
  close(busy);
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace suite::testing
