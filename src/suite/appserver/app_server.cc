#include "suite/appserver/app_server.h"

#include <filesystem>
#include <optional>

#include "platform/dispatch/class_factory.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"
#include "suite/appserver/base_limited.h"
#include "suite/appserver/color_provider.h"
#include "suite/appserver/condition_provider.h"
#include "suite/appserver/connect_check.h"
#include "suite/appserver/lookup_server.h"
#include "suite/appserver/main_provider.h"
#include "suite/appserver/server_database.h"
#include "suite/appserver/session.h"
#include "suite/db/schema.h"

namespace suite {

using pellor::Variant;
using pellor::VarArgs;

// The code page of narrow texts when the server profile names none; a
// session uses its own (AppSession::clientCodePage).
constexpr int kClientCodePage = pellor::kCodePageGB;

void AppSession::RequireConnected() const {
  if (!connected) throw pellor::EDispatchError("not connected");
}

std::string AppSession::Setting(std::string_view name) const {
  for (const auto& [key, value] : settings)
    if (pellor::SameText(key, name)) return value;
  return std::string();
}

namespace {

std::string TextOf(const Variant& value, int codePage) {
  if (value.IsBlank() || value.IsArray() || value.IsDispatch()) return std::string();
  return pellor::Trim(ClientTextToUtf8(value, codePage));
}

std::string TodayText() { return pellor::DateToStr8(pellor::Today()); }

std::vector<std::string> Column(db::Connection& c, std::string_view sql, const std::vector<Variant>& params) {
  std::vector<std::string> out;
  auto cursor = c.Query(sql, params);
  while (cursor->Next()) out.push_back(cursor->Value(0).IsNull() ? std::string() : cursor->Value(0).AsString());
  return out;
}

// A saved condition's name holds at most this many bytes in the client's
// code page (a Chinese character counts two).
constexpr size_t kMaxConditionNameBytes = 20;

// The owner part of a saved-condition argument: (name, user ID, program ID)
// at positions `name`, `user` and `program` of a one-dimensional array.
struct ConditionKey {
  std::string name;  // UTF-8, as given (only blank names are refused)
  std::string user;
  std::string program;
};

// Reads a condition key out of `a`; empty when the array has the wrong
// shape, with `error` telling why.
std::optional<ConditionKey> KeyOf(const Variant& a, size_t size, int name, int user, int program,
                                  int codePage, std::string& error) {
  if (!a.IsArray() || a.Dims() != 1 || static_cast<size_t>(a.Count()) < size) {
    error = "The argument is not an array of " + std::to_string(size) + " values";
    return std::nullopt;
  }
  ConditionKey key;
  const Variant& n = a[name];
  key.name = n.IsBlank() || n.IsArray() || n.IsDispatch() ? std::string() : ClientTextToUtf8(n, codePage);
  key.user = TextOf(a[user], codePage);
  key.program = TextOf(a[program], codePage);
  return key;
}

// Empty when `key` may be written by the session's user, else the reason.
std::string CheckConditionKey(const AppSession& session, const ConditionKey& key) {
  if (pellor::Trim(key.name).empty()) return "The name of the saved condition is empty";
  if (pellor::WideToAnsi(pellor::Utf8ToWide(key.name), session.clientCodePage).size() > kMaxConditionNameBytes) {
    return "The name '" + key.name + "' is longer than 20 bytes";
  }
  if (key.program.empty()) return "The program ID is empty";
  if (key.user != session.userId) {
    return "The saved conditions of user '" + key.user + "' belong to another user than '" + session.userId + "'";
  }
  return std::string();
}

bool ConditionExists(db::Connection& db, const std::string& company, const ConditionKey& key) {
  return !db.QueryValue("SELECT 1 FROM DOCUS WHERE COMPANY = ? AND NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?",
                        {Variant(company), Variant(key.name), Variant(key.user), Variant(key.program)})
              .IsBlank();
}

// The 14-digit "YYYYMMDDhhnnss" a saved condition's MODI_DATE holds.
std::string StampNow() { return pellor::FormatDateTime("yyyymmddhhnnss", pellor::Now()); }

}  // namespace


TAppServer::TAppServer(const AppServerOptions& options) : TAppServer(OpenServerDatabase(options)) {}

TAppServer::TAppServer(ServerDatabase database)
    : TAppServer(std::move(database.writer), std::move(database.confined)) {
  session_->clientCodePage = database.clientCodePage;
}

TAppServer::TAppServer(std::unique_ptr<db::Connection> writer, std::unique_ptr<db::Connection> confined)
    : TProviderServer(kAppServerClassName) {
  session_ = std::make_shared<AppSession>();
  session_->writer = std::move(writer);
  session_->gateway = std::make_unique<db::SqlGateway>(std::move(confined));
  AddMethods();
}

TAppServer::~TAppServer() = default;

void TAppServer::AddMethods() {
  auto main = std::make_shared<TMainProvider>(session_);
  RegisterProvider("pvdMain", main);
  auto conditions = std::make_shared<TConditionProvider>(session_);
  RegisterProvider("pvdConSave", conditions);
  auto colours = std::make_shared<TColorProvider>(session_, main);
  RegisterProvider("pvdColor", colours);
  std::shared_ptr<AppSession> session = session_;

  AddMethod("Connect", 1, 1, [session, main, conditions, colours](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    // Whatever the answer, the session opened before ends here.
    session->connected = false;
    session->settings.clear();
    session->topRow = 0;
    main->Reset();
    conditions->Reset();
    colours->Reset();
    const Variant& a = args[0];
    if (!a.IsArray() || a.Dims() != 1 || a.Count() < 4) return Variant(kConnectBadArguments);
    std::string program = pellor::UpperCase(TextOf(a[0], session->clientCodePage));
    std::string user = TextOf(a[1], session->clientCodePage);
    std::string company = TextOf(a[2], session->clientCodePage);
    if (program.empty() || user.empty() || company.empty()) return Variant(kConnectBadArguments);
    db::Connection& db = *session->writer;
    if (int refused = CheckConnect(db, user, company); refused != kConnectAccepted) return Variant(refused);
    auto cursor = db.Query("SELECT MS002, MS003 FROM ADMMS WHERE MS001 = ? ORDER BY MS002", {Variant(program)});
    while (cursor->Next()) session->settings.emplace_back(cursor->Value(0).AsString(), cursor->Value(1).AsString());
    session->programId = program;
    session->userId = user;
    session->company = company;
    session->databaseName = TextOf(a[3], session->clientCodePage);
    session->connected = true;
    return Variant(kConnectAccepted);
  });

  AddMethod("SvrData", 0, 0, [session](VarArgs&) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    db::Connection& db = *session->writer;
    std::string text;
    auto line = [&](const std::string& name, const std::string& value) { text += name + "=" + value + "\r\n"; };
    for (const auto& [name, value] : session->settings) line(name, value);

    // Groups: the primary one first.
    std::vector<std::string> groups =
        Column(db, "SELECT MD002 FROM QRNMD WHERE MD001 = ? ORDER BY CASE WHEN MD003 = 'Y' THEN 0 ELSE 1 END, MD002",
               {Variant(session->userId)});
    std::string groupList;
    for (const std::string& g : groups) groupList += (groupList.empty() ? "'" : ",'") + g + "'";
    line("USER_GROUP", groups.empty() ? std::string() : groups.front());
    line("GROUP_LIST", groupList);

    // Rights: the user's own row, else the first group (in the order above)
    // that has one.
    std::string power, extra, baseLimited;
    std::vector<std::pair<std::string, std::string>> owners{{session->userId, "U"}};
    for (const std::string& g : groups) owners.emplace_back(g, "G");
    for (const auto& [owner, kind] : owners) {
      auto rights = db.Query(
          "SELECT MF004, MF005, MF006 FROM ADMMF WHERE COMPANY = ? AND MF001 = ? AND MF002 = ? AND MF003 = ?",
          {Variant(session->company), Variant(owner), Variant(kind), Variant(session->programId)});
      if (rights->Next()) {
        power = rights->Value(0).AsString();
        extra = rights->Value(1).AsString();
        baseLimited = rights->Value(2).AsString();
        break;
      }
    }
    line("POWER_DATA", power);
    line("EX_POWER", extra);
    line("BaseLimited", baseLimited);
    return Utf8ToClient(Variant(text), session->clientCodePage);
  });

  AddMethod("WhatIs", 1, 1, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    std::string name = TextOf(args[0], session->clientCodePage);
    if (pellor::SameText(name, "TODAY")) return Variant(TodayText());
    if (pellor::SameText(name, "SQLTYPE")) return Variant(session->gateway->SqlType());
    return Variant();
  });

  AddMethod("GetBaseLimitedRecs", 3, 3, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    return GetBaseLimitedRecs(*session, args);
  });

  AddMethod("GetRecCount", 0, 0, [main](VarArgs&) -> Variant { return Variant(main->LastQueryCount()); });

  AddMethod("SetTopRow", 1, 1, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    int rows = args[0].IsBlank() ? 0 : args[0].AsInteger();
    session->topRow = rows > 0 ? rows : 0;
    return Variant();
  });

  AddMethod("GetFormat", 2, 2, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    std::string company = TextOf(args[0], session->clientCodePage);
    std::string program = TextOf(args[1], session->clientCodePage);
    // Only the connected company's documents are readable.
    if (!company.empty() && company != session->company) {
      throw pellor::EDispatchError("GetFormat: company '" + company + "' is not the connected company");
    }
    // The user's own document, else the program's default (empty user).
    auto cursor = session->writer->Query(
        "SELECT MT003 FROM ADMMT WHERE COMPANY = ? AND MT002 = ? AND (MT001 = ? OR MT001 = '') ORDER BY MT001 DESC",
        {Variant(session->company), Variant(program), Variant(session->userId)});
    if (!cursor->Next() || cursor->Value(0).IsNull()) return Variant(std::string());
    return Utf8ToClient(Variant(cursor->Value(0).AsString()), session->clientCodePage);
  });

  AddMethod("LoadTable", 1, 1, [session, conditions](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    const Variant& a = args[0];
    if (!a.IsArray() || a.Dims() != 1 || a.Count() < 2) {
      throw pellor::EDispatchError("LoadTable: the argument is not an array (user ID, program ID)");
    }
    std::string user = TextOf(a[0], session->clientCodePage);
    if (user != session->userId) {
      throw pellor::EDispatchError("LoadTable: the saved conditions of user '" + user +
                                   "' belong to another user than '" + session->userId + "'");
    }
    conditions->Select(user, TextOf(a[1], session->clientCodePage));
    return Variant();
  });

  AddMethod("InsertConTable", 1, 1, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    const Variant& a = args[0];
    std::string error;
    std::optional<ConditionKey> key = KeyOf(a, 7, 0, 1, 3, session->clientCodePage, error);
    if (key) error = CheckConditionKey(*session, *key);
    if (!error.empty()) return Utf8ToClient(Variant(error), session->clientCodePage);
    std::string date = TextOf(a[2], session->clientCodePage);
    if (date.empty()) date = TodayText();
    std::string text = a[4].IsBlank() ? std::string() : ClientTextToUtf8(a[4], session->clientCodePage);
    int page = 0;
    bool replace = false;
    try {
      page = a[5].IsBlank() ? 0 : a[5].AsInteger();
      replace = !a[6].IsBlank() && a[6].AsBoolean();
    } catch (const pellor::Exception& e) {
      return Utf8ToClient(Variant("InsertConTable: " + e.Message()), session->clientCodePage);
    }
    if (page < 0 || page > 2) return Variant("The tab index " + std::to_string(page) + " is not 0, 1 or 2");
    db::Connection& db = *session->writer;
    try {
      db::WriteTransaction transaction(db);
      if (ConditionExists(db, session->company, *key)) {
        if (!replace) {
          return Utf8ToClient(Variant("A saved condition named '" + key->name + "' exists already"),
                              session->clientCodePage);
        }
        db.Execute("UPDATE DOCUS SET VCONDITION = ?, ActivePage = ?, MODIFIER = ?, MODI_DATE = ?, FLAG = FLAG + 1 "
                   "WHERE COMPANY = ? AND NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?",
                   {Variant(text), Variant(page), Variant(session->userId), Variant(StampNow()),
                    Variant(session->company), Variant(key->name), Variant(key->user), Variant(key->program)});
      } else {
        db.Execute("INSERT INTO DOCUS (NCONDITION, PROGRAMME, VCONDITION, ActivePage, COMPANY, CREATOR, CREATE_DATE) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?)",
                   {Variant(key->name), Variant(key->program), Variant(text), Variant(page),
                    Variant(session->company), Variant(key->user), Variant(date)});
      }
      transaction.Commit();
    } catch (const pellor::EDatabaseError& e) {
      return Utf8ToClient(Variant("InsertConTable: " + e.Message()), session->clientCodePage);
    }
    return Variant(std::string());
  });

  AddMethod("DeleteConTable", 1, 1, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    std::string error;
    std::optional<ConditionKey> key = KeyOf(args[0], 3, 0, 1, 2, session->clientCodePage, error);
    if (key) error = CheckConditionKey(*session, *key);
    if (!error.empty()) return Utf8ToClient(Variant(error), session->clientCodePage);
    try {
      int64_t deleted = session->writer->Execute(
          "DELETE FROM DOCUS WHERE COMPANY = ? AND NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?",
          {Variant(session->company), Variant(key->name), Variant(key->user), Variant(key->program)});
      if (deleted == 0) {
        return Utf8ToClient(Variant("The saved condition '" + key->name + "' does not exist"),
                            session->clientCodePage);
      }
    } catch (const pellor::EDatabaseError& e) {
      return Utf8ToClient(Variant("DeleteConTable: " + e.Message()), session->clientCodePage);
    }
    return Variant(std::string());
  });

  AddMethod("ChangeConName", 2, 2, [session](VarArgs& args) -> Variant {
    std::lock_guard<std::mutex> lock(session->mutex);
    session->RequireConnected();
    std::string error;
    std::optional<ConditionKey> from = KeyOf(args[0], 3, 0, 1, 2, session->clientCodePage, error);
    std::optional<ConditionKey> to;
    if (from) error = CheckConditionKey(*session, *from);
    if (error.empty()) to = KeyOf(args[1], 3, 0, 1, 2, session->clientCodePage, error);
    if (to) error = CheckConditionKey(*session, *to);
    if (error.empty() && (to->user != from->user || to->program != from->program)) {
      error = "A saved condition cannot move to another user or program";
    }
    if (!error.empty()) return Utf8ToClient(Variant(error), session->clientCodePage);
    db::Connection& db = *session->writer;
    try {
      db::WriteTransaction transaction(db);
      if (!ConditionExists(db, session->company, *from)) {
        return Utf8ToClient(Variant("The saved condition '" + from->name + "' does not exist"),
                            session->clientCodePage);
      }
      if (to->name == from->name) return Variant(std::string());
      if (ConditionExists(db, session->company, *to)) {
        return Utf8ToClient(Variant("A saved condition named '" + to->name + "' exists already"),
                            session->clientCodePage);
      }
      db.Execute("UPDATE DOCUS SET NCONDITION = ?, MODIFIER = ?, MODI_DATE = ?, FLAG = FLAG + 1 "
                 "WHERE COMPANY = ? AND NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?",
                 {Variant(to->name), Variant(session->userId), Variant(StampNow()), Variant(session->company),
                  Variant(from->name), Variant(from->user), Variant(from->program)});
      transaction.Commit();
    } catch (const pellor::EDatabaseError& e) {
      return Utf8ToClient(Variant("ChangeConName: " + e.Message()), session->clientCodePage);
    }
    return Variant(std::string());
  });
}

void RegisterSuiteClasses(const AppServerOptions& options) {
  pellor::RegisterClassFactory(kAppServerClassName, [options]() -> pellor::DispatchPtr {
    return std::make_shared<TAppServer>(options);
  });
  pellor::RegisterClassFactory(kLookupServerClassName, [options]() -> pellor::DispatchPtr {
    return std::make_shared<TLookupServer>(options);
  });
}

void UnregisterSuiteClasses() {
  pellor::UnregisterClassFactory(kAppServerClassName);
  pellor::UnregisterClassFactory(kLookupServerClassName);
}

}  // namespace suite
