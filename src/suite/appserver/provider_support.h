// What the application server's providers share: the field definition of a
// database column, the program's configured main table, and the table of a
// provider's open cursors. Internal to the application server.
#ifndef PELLOR_SUITE_APPSERVER_PROVIDER_SUPPORT_H_
#define PELLOR_SUITE_APPSERVER_PROVIDER_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/appserver/session.h"
#include "suite/db/database.h"
#include "suite/db/schema.h"

namespace suite {

// The field definition a client reads for `column`; not marked required
// (a provider that takes inserts decides that itself).
pellor::TFieldDef FieldDefOf(const db::ColumnDef& column);

// A row read from the database as the client reads it: an array of the
// values, texts in `codePage`. The values are converted where they stand
// (pass a row that is no longer needed with std::move to save a copy). The
// cursor form takes its current row.
pellor::Variant ClientRow(std::vector<pellor::Variant> values, int codePage);
pellor::Variant ClientRow(const db::Cursor& cursor, int codePage);

// The connected program's main table (configuration M11_TABLE) and its key
// columns (M11_KEY, separated by ',' or ';'), in the configured order.
struct ConfiguredTable {
  const db::TableDef* def = nullptr;
  std::vector<const db::ColumnDef*> key;
};

// Raises EDispatchError "not connected" before a Connect, and
// EDatabaseError when the configuration names no table or no key, when the
// table does not exist or is no company table (only a company table can be
// confined to the caller's rows), or when a key field is not its column.
ConfiguredTable ReadConfiguredTable(const AppSession& session);

// The queries a provider holds open for its client, by the handle the
// client keeps. A client that never closes its cursors keeps at most
// `limit`: opening one more lets the oldest go.
template <typename Cursor>
class CursorTable {
 public:
  explicit CursorTable(size_t limit) : limit_(limit) {}

  // Keeps `cursor` under a new handle, which becomes the last opened.
  int64_t Add(Cursor cursor) {
    while (!cursors_.empty() && cursors_.size() >= limit_) cursors_.erase(cursors_.begin());
    int64_t id = next_++;
    cursors_.emplace(id, std::move(cursor));
    last_ = id;
    return id;
  }
  // Raises EDatabaseError when `id` is not held: closed, let go, or never
  // opened.
  Cursor& Get(int64_t id) {
    Cursor* cursor = Find(id);
    if (cursor == nullptr) throw pellor::EDatabaseError("Cursor " + pellor::IntToStr(id) + " is not open");
    return *cursor;
  }
  Cursor* Find(int64_t id) {
    auto it = cursors_.find(id);
    return it == cursors_.end() ? nullptr : &it->second;
  }
  // The handle of the last cursor opened; 0 before any or after Clear.
  int64_t Last() const { return last_; }
  void Close(int64_t id) { cursors_.erase(id); }
  // Handles are not reused after a Clear, so a stale one never reaches a
  // query opened later.
  void Clear() {
    cursors_.clear();
    last_ = 0;
  }

 private:
  const size_t limit_;
  std::map<int64_t, Cursor> cursors_;
  int64_t next_ = 1;
  int64_t last_ = 0;
};

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_PROVIDER_SUPPORT_H_
