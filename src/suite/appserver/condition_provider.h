// The provider "pvdConSave": the saved query conditions (table DOCUS) of one
// user and program in the session's company, as chosen by the server's
// `LoadTable`. Before a LoadTable it delivers no rows.
//
// It only reads: the conditions change through the server's InsertConTable,
// DeleteConTable and ChangeConName, which check names and ownership; a delta
// sent here is refused as a whole. An opening reads the (few) rows at once,
// ordered by name, and later packets come from that snapshot.
#ifndef PELLOR_SUITE_APPSERVER_CONDITION_PROVIDER_H_
#define PELLOR_SUITE_APPSERVER_CONDITION_PROVIDER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/provider.h"
#include "suite/appserver/provider_support.h"
#include "suite/appserver/session.h"

namespace suite {

class TConditionProvider : public pellor::IProvider {
 public:
  explicit TConditionProvider(std::shared_ptr<AppSession> session);
  ~TConditionProvider() override;

  std::vector<pellor::TFieldDef> GetFieldDefs() override;
  pellor::Variant DataRequest(const pellor::Variant& data) override;
  pellor::ProviderOpenResult Open(const pellor::Variant& condition, const pellor::Variant& order,
                                  int packetRecords) override;
  pellor::ProviderPacket GetRecords(int64_t cursor, int count) override;
  int64_t GetRecordCount(int64_t cursor) override;
  pellor::ApplyResult ApplyUpdates(const pellor::Delta& delta, int maxErrors) override;
  void CloseCursor(int64_t cursor) override;

  // The owner (UTF-8) whose conditions later openings deliver. Called under
  // the session's lock.
  void Select(std::string user, std::string program);
  // Forgets the selection and every cursor (a new Connect). Called under
  // the session's lock.
  void Reset();

 private:
  struct Snapshot {
    std::vector<pellor::Variant> rows;  // row arrays, client code page
    size_t next = 0;
  };

  std::vector<pellor::TFieldDef> FieldDefs() const;
  pellor::ProviderPacket Fetch(Snapshot& snapshot, int count);

  std::shared_ptr<AppSession> session_;
  bool selected_ = false;
  std::string user_;
  std::string program_;
  CursorTable<Snapshot> cursors_;
};

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_CONDITION_PROVIDER_H_
