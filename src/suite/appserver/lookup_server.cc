#include "suite/appserver/lookup_server.h"

#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/appserver/connect_check.h"
#include "suite/db/client_text.h"

namespace suite {

using pellor::Variant;
using pellor::VarArgs;

namespace {

// A field-list name as the SELECT delivers it: "ACTMA.MA001" is MA001.
std::string BareName(const std::string& name) {
  size_t dot = name.rfind('.');
  return pellor::Trim(dot == std::string::npos ? name : name.substr(dot + 1));
}

}  // namespace

TLookupServer::TLookupServer(const AppServerOptions& options) : TLookupServer(OpenServerDatabase(options)) {}

TLookupServer::TLookupServer(ServerDatabase database)
    : TLookupServer(std::move(database.writer), std::move(database.confined), database.clientCodePage) {}

TLookupServer::TLookupServer(std::unique_ptr<db::Connection> writer, std::unique_ptr<db::Connection> confined,
                             int clientCodePage)
    : TDispatchObject(kLookupServerClassName),
      writer_(std::move(writer)),
      gateway_(std::make_unique<db::SqlGateway>(std::move(confined))),
      clientCodePage_(clientCodePage) {
  AddMethod("Connect", 1, 1, [this](VarArgs& args) { return Connect(args[0]); });
  AddMethod("SimpleSql", 1, 4,
            [this](VarArgs& args) { return SimpleSql(args[0], args.size() > 1 ? args[1] : Variant()); });
}

TLookupServer::~TLookupServer() = default;

Variant TLookupServer::Connect(const Variant& a) {
  std::lock_guard<std::mutex> lock(mutex_);
  connected_ = false;
  userId_.clear();
  company_.clear();
  if (!a.IsArray() || a.Dims() != 1 || a.Count() < 4) return Variant(kConnectBadArguments);
  auto text = [&](const Variant& v) {
    if (v.IsBlank() || !v.IsText()) return std::string();
    return pellor::Trim(ClientTextToUtf8(v, clientCodePage_));
  };
  std::string program = text(a[0]);
  std::string user = text(a[1]);
  std::string company = text(a[2]);
  if (program.empty() || user.empty() || company.empty()) return Variant(kConnectBadArguments);
  if (int refused = CheckConnect(*writer_, user, company); refused != kConnectAccepted) return Variant(refused);
  userId_ = user;
  company_ = company;
  connected_ = true;
  return Variant(kConnectAccepted);
}

Variant TLookupServer::SimpleSql(const Variant& sql, const Variant& fields) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!connected_) throw pellor::EDispatchError("not connected");
  if (!sql.IsText()) throw pellor::EDispatchError("SimpleSql: the SQL statement is not a text");
  if (!fields.IsBlank() && !fields.IsText()) throw pellor::EDispatchError("SimpleSql: the field list is not a text");

  auto cursor = gateway_->Query(ClientTextToUtf8(sql, clientCodePage_), company_);
  std::vector<int> columns;
  std::string list = fields.IsBlank() ? std::string() : ClientTextToUtf8(fields, clientCodePage_);
  for (const std::string& part : pellor::SplitString(list, ",")) {
    std::string name = BareName(part);
    if (name.empty()) continue;
    int found = -1;
    for (int i = 0; i < cursor->ColumnCount() && found < 0; ++i) {
      if (pellor::SameText(BareName(cursor->ColumnName(i)), name)) found = i;
    }
    if (found < 0) throw pellor::EDispatchError("SimpleSql: the statement delivers no field '" + name + "'");
    columns.push_back(found);
  }
  if (columns.empty()) {
    for (int i = 0; i < cursor->ColumnCount(); ++i) columns.push_back(i);
  }
  std::vector<Variant> rows;
  while (cursor->Next()) {
    std::vector<Variant> row;
    row.reserve(columns.size());
    for (int column : columns) row.push_back(Utf8ToClient(cursor->Value(column), clientCodePage_));
    rows.push_back(Variant::ArrayOf(row));
  }
  return Variant::ArrayOf(rows);
}

}  // namespace suite
