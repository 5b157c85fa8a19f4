// The provider "pvdMain": the program's main table (the configuration's
// M11_TABLE, keyed by M11_KEY within the company) as the provider protocol
// of platform/db/provider.h serves it.
//
// Reading: the client's condition and order run through the SQL gateway,
// read-only and confined to the session's company, and are read in keyset
// pages (suite/db/keyset.h), so a packet costs the same wherever it starts.
//
// Writing: a delta is applied in one transaction on the trusted connection.
// Every row is addressed by the session's company and its key; a modified or
// deleted row must still carry its original FLAG (without FLAG in the
// delta, all its original values), an insert must not repeat a key, and no
// row may be moved into or written for another company. A refused row comes
// back with its reason and the server's current values; past maxErrors
// refusals the whole transaction is rolled back, so nothing is half-written.
// Error codes are those of the in-memory provider (kApplyErrorChanged ...).
#ifndef PELLOR_SUITE_APPSERVER_MAIN_PROVIDER_H_
#define PELLOR_SUITE_APPSERVER_MAIN_PROVIDER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/provider.h"
#include "suite/appserver/provider_support.h"
#include "suite/appserver/session.h"
#include "suite/db/keyset.h"
#include "suite/db/schema.h"

namespace suite {

class TMainProvider : public pellor::IProvider {
 public:
  explicit TMainProvider(std::shared_ptr<AppSession> session);
  ~TMainProvider() override;

  std::vector<pellor::TFieldDef> GetFieldDefs() override;
  pellor::Variant DataRequest(const pellor::Variant& data) override;
  pellor::ProviderOpenResult Open(const pellor::Variant& condition, const pellor::Variant& order,
                                  int packetRecords) override;
  pellor::ProviderPacket GetRecords(int64_t cursor, int count) override;
  int64_t GetRecordCount(int64_t cursor) override;
  pellor::ApplyResult ApplyUpdates(const pellor::Delta& delta, int maxErrors) override;
  void CloseCursor(int64_t cursor) override;

  // Rows matching the last query opened (GetRecCount); 0 before any.
  int64_t LastQueryCount();
  // Forgets every cursor and pending query (a new Connect).
  void Reset();

  // The condition and order (UTF-8, the suite's dialect) of the last query
  // opened, which the colour provider follows; empty before any. Called
  // under the session's lock.
  struct Query {
    std::string condition;
    std::string order;
  };
  const Query& LastQuery() const { return lastQuery_; }

 private:
  struct Table {
    const db::TableDef* def = nullptr;
    std::vector<int> key;  // column indices of M11_KEY
    int flag = -1;         // column index of FLAG
    int company = -1;      // column index of COMPANY
  };
  struct OpenCursor {
    std::unique_ptr<db::KeysetCursor> keyset;
    int64_t remaining = -1;  // rows still allowed by SetTopRow; -1 no limit
  };

  // All of these run under the session's lock.
  Table MainTable() const;
  pellor::ProviderPacket Fetch(const Table& table, OpenCursor& cursor, int count);

  std::shared_ptr<AppSession> session_;
  CursorTable<OpenCursor> cursors_;
  std::string pendingCondition_;  // UTF-8
  std::string pendingOrder_;
  Query lastQuery_;
};

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_MAIN_PROVIDER_H_
