#include "suite/db/keyset.h"

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/sql_lexer.h"

namespace suite::db {

namespace {

// The column an expression names when it is a plain column reference of
// `table` (COLUMN or TABLE.COLUMN); nullptr otherwise.
const ColumnDef* PlainColumn(const TableDef& table, std::string_view expression) {
  std::vector<Token> tokens;
  for (const Token& token : LexSql(expression)) {
    if (!IsTrivia(token)) tokens.push_back(token);
  }
  if (tokens.size() == 1 && tokens[0].kind == TokenKind::kWord) {
    return table.FindColumn(tokens[0].text);
  }
  if (tokens.size() == 3 && tokens[0].kind == TokenKind::kWord &&
      pellor::SameText(tokens[0].text, table.name) && tokens[1].kind == TokenKind::kPunct &&
      tokens[1].text == "." && tokens[2].kind == TokenKind::kWord) {
    return table.FindColumn(tokens[2].text);
  }
  return nullptr;
}

std::string Alias(size_t i) { return "pellor_k" + std::to_string(i); }

}  // namespace

KeysetCursor::KeysetCursor(SqlGateway& gateway, KeysetSpec spec, std::string company)
    : gateway_(gateway), spec_(std::move(spec)), company_(std::move(company)) {
  const TableDef* table = gateway_.GetCatalogue().FindTable(spec_.table);
  if (!table) throw pellor::EDatabaseError("keyset query over the unknown table " + spec_.table);
  if (spec_.key.empty()) throw pellor::EDatabaseError("keyset query over " + table->name + " without a key");
  for (const std::string& key : spec_.key) {
    if (!PlainColumn(*table, key)) {
      throw pellor::EDatabaseError("key " + key + " is no column of " + table->name);
    }
  }
  if (spec_.from.empty()) spec_.from = table->name;
  condition_ = gateway_.RewriteCondition(spec_.condition);

  for (const OrderItem& order : gateway_.RewriteOrder(spec_.order)) {
    items_.push_back(Item{order.expression, order.descending, true});
  }
  for (const std::string& key : spec_.key) {
    const ColumnDef* keyColumn = PlainColumn(*table, key);
    bool present = false;
    for (const Item& item : items_) {
      if (PlainColumn(*table, item.expression) == keyColumn) present = true;
    }
    if (!present) items_.push_back(Item{key, false, true});
  }
  rowValues_ = true;
  for (Item& item : items_) {
    const ColumnDef* column = PlainColumn(*table, item.expression);
    item.nullable = !(column && column->notNull);
    if (item.nullable || item.descending != items_[0].descending) rowValues_ = false;
  }
}

std::string KeysetCursor::Compose(std::vector<pellor::Variant>* params) const {
  std::string sql = "SELECT " + spec_.selectList;
  for (size_t i = 0; i < items_.size(); ++i) sql += ", " + items_[i].expression + " AS " + Alias(i);
  sql += " FROM " + spec_.from;

  std::vector<std::string> where;
  if (!condition_.empty()) where.push_back("(" + condition_ + ")");
  if (started_) {
    if (rowValues_) {
      // Every item is a NOT NULL column in one direction: one row-value
      // comparison, which the backends turn into an index range.
      std::string left;
      std::string right;
      for (size_t i = 0; i < items_.size(); ++i) {
        left += (i ? ", " : "") + items_[i].expression;
        right += i ? ", ?" : "?";
        params->push_back(last_[i]);
      }
      const char* op = items_[0].descending ? " < " : " > ";
      where.push_back(items_.size() == 1 ? left + op + right : "(" + left + ")" + op + "(" + right + ")");
    } else {
      // Rows after the last one: equal on the first i items and after it on
      // item i, for some i. NULL is the smallest value.
      std::vector<std::string> alternatives;
      std::vector<pellor::Variant> alternativeParams;
      for (size_t i = 0; i < items_.size(); ++i) {
        std::vector<std::string> terms;
        std::vector<pellor::Variant> termParams;
        for (size_t j = 0; j < i; ++j) {
          if (last_[j].IsNull()) {
            terms.push_back(items_[j].expression + " IS NULL");
          } else {
            terms.push_back(items_[j].expression + " = ?");
            termParams.push_back(last_[j]);
          }
        }
        const Item& item = items_[i];
        if (last_[i].IsNull()) {
          // After NULL ascending: every value; descending: nothing.
          if (item.descending) continue;
          terms.push_back(item.expression + " IS NOT NULL");
        } else if (!item.descending) {
          terms.push_back(item.expression + " > ?");
          termParams.push_back(last_[i]);
        } else if (item.nullable) {
          terms.push_back("(" + item.expression + " < ? OR " + item.expression + " IS NULL)");
          termParams.push_back(last_[i]);
        } else {
          terms.push_back(item.expression + " < ?");
          termParams.push_back(last_[i]);
        }
        std::string alternative;
        for (const std::string& term : terms) alternative += (alternative.empty() ? "" : " AND ") + term;
        alternatives.push_back("(" + alternative + ")");
        alternativeParams.insert(alternativeParams.end(), termParams.begin(), termParams.end());
      }
      if (alternatives.empty()) {
        where.push_back("1 = 0");
      } else {
        std::string any;
        for (const std::string& alternative : alternatives) any += (any.empty() ? "" : " OR ") + alternative;
        where.push_back("(" + any + ")");
        params->insert(params->end(), alternativeParams.begin(), alternativeParams.end());
      }
    }
  }
  for (size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];

  sql += " ORDER BY ";
  for (size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    sql += (i ? ", " : "") + item.expression + (item.descending ? " DESC" : "");
    // Only where NULL can occur: an explicit NULLS clause keeps PostgreSQL
    // from using a plain index for the order.
    if (item.nullable) sql += item.descending ? " NULLS LAST" : " NULLS FIRST";
  }
  sql += " LIMIT ?";
  return sql;
}

std::string KeysetCursor::NextPageSql() const {
  std::vector<pellor::Variant> params;
  return Compose(&params);
}

Page KeysetCursor::NextPage(int rows) {
  if (rows < 1) throw pellor::EDatabaseError("a page needs at least one row");
  Page page;
  if (atEnd_) return page;
  std::vector<pellor::Variant> params;
  std::string sql = Compose(&params);
  // One row more than asked tells whether the page is the last one.
  params.emplace_back(static_cast<int64_t>(rows) + 1);
  std::unique_ptr<Cursor> cursor = gateway_.QueryComposed(sql, params, company_);
  const int visible = cursor->ColumnCount() - static_cast<int>(items_.size());
  for (int i = 0; i < visible; ++i) page.columns.push_back(cursor->ColumnName(i));
  std::vector<pellor::Variant> last;
  int count = 0;
  while (cursor->Next()) {
    if (++count > rows) break;
    std::vector<pellor::Variant> row;
    row.reserve(visible);
    for (int i = 0; i < visible; ++i) row.push_back(cursor->Value(i));
    page.rows.push_back(std::move(row));
    last.clear();
    for (size_t i = 0; i < items_.size(); ++i) last.push_back(cursor->Value(visible + static_cast<int>(i)));
  }
  if (count <= rows) atEnd_ = true;
  if (!page.rows.empty()) {
    last_ = std::move(last);
    started_ = true;
  }
  return page;
}

int64_t KeysetCursor::Count() {
  std::string sql = "SELECT count(*) FROM " + spec_.from;
  if (!condition_.empty()) sql += " WHERE (" + condition_ + ")";
  std::unique_ptr<Cursor> cursor = gateway_.QueryComposed(sql, {}, company_);
  return cursor->Next() ? cursor->Value(0).AsInt64() : 0;
}

}  // namespace suite::db
