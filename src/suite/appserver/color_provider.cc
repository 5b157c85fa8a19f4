#include "suite/appserver/color_provider.h"

#include <algorithm>
#include <map>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "platform/xml/xml.h"
#include "suite/appserver/provider_support.h"
#include "suite/db/client_text.h"

namespace suite {

using pellor::Variant;

namespace {

// Cursors a client may keep open at once; the oldest goes first.
constexpr size_t kMaxCursors = 16;
// Rows per page when a client asks for everything outstanding; the colour
// queries of a page bind two values per row and key column at most.
constexpr int kAllPageRows = 500;

// The section of the document the single-table form paints from.
constexpr char kComponentsXPath[] = "//colormanager/head/component[@enable=\"Y\"]";

// A value of the colour text: its separator ";" must not occur inside.
std::string ColourValue(const std::string& value) { return pellor::StringReplaceAll(pellor::Trim(value), ";", "；"); }

std::string ColourText(const pellor::XmlNode& condition) {
  std::string text = "bkcolor=" + ColourValue(condition.Attribute("bkcolor")) + ";colorx=" +
                     ColourValue(condition.Attribute("colorx")) + ";";
  if (pellor::SameText(pellor::Trim(condition.Attribute("bold")), "Y")) text += "bold=Y;";
  if (pellor::SameText(pellor::Trim(condition.Attribute("italic")), "Y")) text += "italic=Y;";
  return text + "msg=" + ColourValue(condition.Attribute("msg")) + ";";
}

// The key values of a row as one text, for matching rows of two queries.
std::string KeyOf(const std::vector<Variant>& row, size_t keyCount) {
  std::string key;
  for (size_t i = 0; i < keyCount && i < row.size(); ++i) {
    key += row[i].IsNull() ? std::string("\x01") : row[i].AsString();
    key += '\x1f';
  }
  return key;
}

}  // namespace

TColorProvider::TColorProvider(std::shared_ptr<AppSession> session, std::shared_ptr<TMainProvider> main)
    : session_(std::move(session)), main_(std::move(main)), cursors_(kMaxCursors) {}
TColorProvider::~TColorProvider() = default;

TColorProvider::Layout TColorProvider::ReadLayout() const {
  ConfiguredTable configured = ReadConfiguredTable(*session_);
  Layout layout;
  layout.table = configured.def;
  layout.key = std::move(configured.key);

  Variant document = session_->writer->QueryValue("SELECT NH003 FROM ADMNH WHERE COMPANY = ? AND NH001 = ?",
                                                  {Variant(session_->company), Variant(session_->programId)});
  if (document.IsBlank()) return layout;
  pellor::XmlDocument xml;
  pellor::XmlNodeList elements;
  try {
    // The database holds UTF-8 whatever the declaration says.
    xml.LoadWide(pellor::Utf8ToWide(document.AsString()));
    elements = xml.SelectNodes(kComponentsXPath);
  } catch (const pellor::Exception&) {
    return layout;  // an unreadable document colours nothing
  }
  for (const pellor::XmlNode& element : elements) {
    std::string name = pellor::Trim(element.Attribute("name"));
    if (name.empty()) continue;
    bool isKey = false;
    for (const db::ColumnDef* key : layout.key) isKey = isKey || pellor::SameText(key->name, name);
    if (isKey) continue;
    auto it = std::find_if(layout.components.begin(), layout.components.end(),
                           [&](const Component& c) { return pellor::SameText(c.name, name); });
    if (it == layout.components.end()) it = layout.components.insert(it, Component{name, {}});
    for (const pellor::XmlNode& child : element.ChildElements()) {
      if (child.Name() != "condition") continue;
      std::string value = pellor::Trim(child.Attribute("value"));
      if (value.empty()) continue;
      Condition condition;
      condition.colourText = ColourText(child);
      try {
        condition.where = session_->gateway->RewriteCondition(value);
      } catch (const pellor::Exception&) {
        condition.broken = true;  // kept for the column's size, never run
      }
      it->conditions.push_back(std::move(condition));
    }
  }
  return layout;
}

std::vector<pellor::TFieldDef> TColorProvider::FieldDefs(const Layout& layout) const {
  std::vector<pellor::TFieldDef> defs;
  for (const db::ColumnDef* key : layout.key) defs.push_back(FieldDefOf(*key));
  for (const Component& component : layout.components) {
    pellor::TFieldDef def;
    def.name = component.name;
    def.dataType = pellor::ftString;
    def.size = 1;
    for (const Condition& condition : component.conditions) {
      Variant text = Utf8ToClient(Variant(condition.colourText), session_->clientCodePage);
      def.size = std::max(def.size, static_cast<int>(text.AsString().size()));
    }
    defs.push_back(def);
  }
  return defs;
}

std::vector<pellor::TFieldDef> TColorProvider::GetFieldDefs() {
  std::lock_guard<std::mutex> lock(session_->mutex);
  return FieldDefs(ReadLayout());
}

Variant TColorProvider::DataRequest(const Variant& data) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  if (data.IsArray() && data.Dims() == 1 && data.Count() == 2 && !data[0].IsArray() && !data[1].IsArray() &&
      !data[0].IsDispatch() && !data[1].IsDispatch()) {
    pendingCondition_ = ClientTextToUtf8(data[0], session_->clientCodePage);
    pendingOrder_ = ClientTextToUtf8(data[1], session_->clientCodePage);
    pending_ = true;
    return Variant();
  }
  throw pellor::EDatabaseError("pvdColor takes a data request of [condition, order] only");
}

pellor::ProviderOpenResult TColorProvider::Open(const Variant& condition, const Variant& order, int packetRecords) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  OpenCursor cursor;
  cursor.layout = ReadLayout();

  db::KeysetSpec query;
  query.table = cursor.layout.table->name;
  query.selectList.clear();
  for (const db::ColumnDef* key : cursor.layout.key) {
    query.key.push_back(key->name);
    query.selectList += (query.selectList.empty() ? "" : ", ") + key->name;
  }
  query.condition = ClientTextToUtf8(condition, session_->clientCodePage);
  query.order = ClientTextToUtf8(order, session_->clientCodePage);
  if (pellor::Trim(query.condition).empty() && pellor::Trim(query.order).empty()) {
    if (pending_) {
      query.condition = pendingCondition_;
      query.order = pendingOrder_;
    } else {
      query.condition = main_->LastQuery().condition;
      query.order = main_->LastQuery().order;
    }
  }
  pending_ = false;
  cursor.keyset = std::make_unique<db::KeysetCursor>(*session_->gateway, std::move(query), session_->company);

  int64_t id = cursors_.Add(std::move(cursor));
  OpenCursor& stored = cursors_.Get(id);

  pellor::ProviderOpenResult result;
  result.cursor = id;
  result.fieldDefs = FieldDefs(stored.layout);
  if (packetRecords == 0) {
    result.packet.rows = Variant::Array(-1);
  } else {
    result.packet = Fetch(stored, packetRecords);
  }
  return result;
}

std::vector<std::string> TColorProvider::Colour(const Layout& layout, Component& component,
                                                const std::vector<std::vector<Variant>>& rows) {
  const size_t keyCount = layout.key.size();
  std::vector<std::string> texts(rows.size());
  std::map<std::string, size_t> open;  // rows without a colour yet, by key
  for (size_t i = 0; i < rows.size(); ++i) open.emplace(KeyOf(rows[i], keyCount), i);

  std::string columns;
  for (const db::ColumnDef* key : layout.key) columns += (columns.empty() ? "" : ", ") + key->name;
  for (Condition& condition : component.conditions) {
    if (open.empty()) break;
    if (condition.broken) continue;
    // Only the rows still without a colour, by their key values.
    std::string among;
    std::vector<Variant> params;
    for (const auto& [key, index] : open) {
      std::string match;
      for (size_t k = 0; k < keyCount; ++k) {
        match += (k ? " AND " : "") + layout.key[k]->name + " = ?";
        params.push_back(rows[index][k]);
      }
      among += (among.empty() ? "(" : " OR (") + match + ")";
    }
    std::string sql = "SELECT " + columns + " FROM " + layout.table->name + " WHERE (" + condition.where +
                      ") AND (" + among + ")";
    std::vector<std::vector<Variant>> met;
    try {
      auto cursor = session_->gateway->QueryComposed(sql, params, session_->company);
      while (cursor->Next()) {
        std::vector<Variant> row;
        for (size_t k = 0; k < keyCount; ++k) row.push_back(cursor->Value(static_cast<int>(k)));
        met.push_back(std::move(row));
      }
    } catch (const pellor::Exception&) {
      condition.broken = true;  // the database cannot run it: leave it out
      continue;
    }
    for (const auto& row : met) {
      auto it = open.find(KeyOf(row, keyCount));
      if (it == open.end()) continue;
      texts[it->second] = condition.colourText;
      open.erase(it);
    }
  }
  return texts;
}

pellor::ProviderPacket TColorProvider::Fetch(OpenCursor& cursor, int count) {
  const size_t keyCount = cursor.layout.key.size();
  std::vector<Variant> rows;
  int64_t wanted = count < 0 ? INT64_MAX : count;
  while (wanted > 0 && !cursor.keyset->AtEnd()) {
    int pageRows = static_cast<int>(std::min<int64_t>(wanted, kAllPageRows));
    db::Page page = cursor.keyset->NextPage(pageRows);
    if (page.rows.empty()) break;
    for (const auto& row : page.rows) {
      if (row.size() != keyCount) throw pellor::EDatabaseError("The colour query answered an unexpected column list");
    }
    std::vector<std::vector<std::string>> colours;
    for (Component& component : cursor.layout.components) {
      colours.push_back(Colour(cursor.layout, component, page.rows));
    }
    for (size_t i = 0; i < page.rows.size(); ++i) {
      std::vector<Variant> out = std::move(page.rows[i]);
      for (const auto& texts : colours) out.emplace_back(texts[i]);
      rows.push_back(ClientRow(std::move(out), session_->clientCodePage));
    }
    wanted -= static_cast<int64_t>(page.rows.size());
  }
  pellor::ProviderPacket packet;
  packet.rows = Variant::ArrayOf(std::move(rows));
  packet.allFetched = cursor.keyset->AtEnd();
  return packet;
}

pellor::ProviderPacket TColorProvider::GetRecords(int64_t cursor, int count) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  return Fetch(cursors_.Get(cursor), count);
}

int64_t TColorProvider::GetRecordCount(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  if (cursor == 0) cursor = cursors_.Last();
  return cursors_.Get(cursor).keyset->Count();
}

pellor::ApplyResult TColorProvider::ApplyUpdates(const pellor::Delta&, int) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  session_->RequireConnected();
  throw pellor::EDatabaseError("pvdColor is read-only: the colours follow from the records and the colour conditions");
}

void TColorProvider::CloseCursor(int64_t cursor) {
  std::lock_guard<std::mutex> lock(session_->mutex);
  cursors_.Close(cursor);
}

void TColorProvider::Reset() {
  cursors_.Clear();
  pending_ = false;
  pendingCondition_.clear();
  pendingOrder_.clear();
}

}  // namespace suite
