// The provider "pvdColor": the colour of each record of the main query.
//
// An administrator colours a program's records by conditions: the
// `colormanager` document of the program (table ADMNH, the connected
// company's row for the upper-cased program ID) lists, in its `head`
// section, components (the grid "gdHead", an input control ...) whose
// attribute enable is "Y", each with `condition` elements: an SQL predicate
// (`value`) on the main table, a font colour (`colorx`), a background
// (`bkcolor`), a caption (`msg`) and optionally `bold`/`italic` "Y".
//
// Rows: one per record of the query, in its order: the key columns of the
// main table (M11_KEY), then one column per component, named after it,
// holding the colour text of the first condition of that component the
// record meets, e.g. "bkcolor=65535;colorx=255;msg=面试;" ("bold=Y;" and
// "italic=Y;" before msg when set; a ";" inside a caption becomes "；"),
// or an empty text when it meets none. A repeated component name adds its
// conditions after the first one's; a name equal to a key column is left out.
//
// The query: the condition and order of the Open when it names them; else
// those of a DataRequest [condition, order] made since the last Open (they
// serve that one Open); else those of the last query "pvdMain" opened in
// this session, so that the colours follow the grid. The query runs through
// the SQL gateway and is read in keyset pages like pvdMain's; a client's
// query the gateway refuses is an error.
//
// The colour conditions are the administrator's SQL and run as client SQL:
// rewritten, read-only, confined to the company, and only over the rows of
// the page being delivered. A condition that the gateway refuses or the
// database cannot run is left out (from then on, for that opening): the
// records it would have coloured take the next condition that matches. A
// document that is not well-formed XML gives no colour columns. Nothing of
// this writes; a delta is refused.
#ifndef PELLOR_SUITE_APPSERVER_COLOR_PROVIDER_H_
#define PELLOR_SUITE_APPSERVER_COLOR_PROVIDER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/provider.h"
#include "suite/appserver/main_provider.h"
#include "suite/appserver/provider_support.h"
#include "suite/appserver/session.h"
#include "suite/db/keyset.h"
#include "suite/db/schema.h"

namespace suite {

class TColorProvider : public pellor::IProvider {
 public:
  TColorProvider(std::shared_ptr<AppSession> session, std::shared_ptr<TMainProvider> main);
  ~TColorProvider() override;

  std::vector<pellor::TFieldDef> GetFieldDefs() override;
  pellor::Variant DataRequest(const pellor::Variant& data) override;
  pellor::ProviderOpenResult Open(const pellor::Variant& condition, const pellor::Variant& order,
                                  int packetRecords) override;
  pellor::ProviderPacket GetRecords(int64_t cursor, int count) override;
  int64_t GetRecordCount(int64_t cursor) override;
  pellor::ApplyResult ApplyUpdates(const pellor::Delta& delta, int maxErrors) override;
  void CloseCursor(int64_t cursor) override;

  // Forgets every cursor and pending request (a new Connect). Called under
  // the session's lock.
  void Reset();

 private:
  struct Condition {
    std::string where;       // rewritten for the backend
    std::string colourText;  // UTF-8
    bool broken = false;
  };
  struct Component {
    std::string name;
    std::vector<Condition> conditions;
  };
  struct Layout {
    const db::TableDef* table = nullptr;
    std::vector<const db::ColumnDef*> key;
    std::vector<Component> components;
  };
  struct OpenCursor {
    Layout layout;
    std::unique_ptr<db::KeysetCursor> keyset;
  };

  // These run under the session's lock.
  Layout ReadLayout() const;
  std::vector<pellor::TFieldDef> FieldDefs(const Layout& layout) const;
  pellor::ProviderPacket Fetch(OpenCursor& cursor, int count);
  // The colour texts of `rows` (key values as read) for one component.
  std::vector<std::string> Colour(const Layout& layout, Component& component,
                                  const std::vector<std::vector<pellor::Variant>>& rows);

  std::shared_ptr<AppSession> session_;
  std::shared_ptr<TMainProvider> main_;
  CursorTable<OpenCursor> cursors_;
  bool pending_ = false;
  std::string pendingCondition_;  // UTF-8
  std::string pendingOrder_;
};

}  // namespace suite

#endif  // PELLOR_SUITE_APPSERVER_COLOR_PROVIDER_H_
