#include "suite/lookup/f2window_service.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "suite/db/base_data_limit.h"
#include "suite/lookup/calculator_window.h"
#include "suite/lookup/characters_window.h"
#include "suite/lookup/lookup_kinds.h"
#include "suite/lookup/phrase_window.h"
#include "suite/lookup/pick_window.h"
#include "suite/lookup/window_text.h"

namespace suite {
namespace {

using lookup::LookupKind;
using pellor::VarArgs;
using pellor::Variant;
using pellor::VarType;

constexpr int kRequestSize = 19;

bool IsTextOrBlank(const Variant& v) { return v.IsBlank() || v.IsText(); }

// A flag of a request: blank is false; booleans and integers count.
std::optional<bool> ReadFlag(const Variant& v) {
  if (v.IsBlank()) return false;
  if (v.Type() == VarType::kBoolean || v.Type() == VarType::kInteger) return v.AsBoolean();
  return std::nullopt;
}

// Column names separated by "," or ";", each a column of `table`, in its
// declared spelling; nullopt when one is not.
std::optional<std::vector<std::string>> ColumnList(const std::string& text, const db::TableDef& table) {
  std::string list = text;
  std::replace(list.begin(), list.end(), ';', ',');
  std::vector<std::string> columns;
  for (const std::string& part : pellor::SplitString(list, ",")) {
    const std::string name = pellor::Trim(part);
    if (name.empty()) continue;
    const db::ColumnDef* column = table.FindColumn(name);
    if (column == nullptr) return std::nullopt;
    columns.push_back(column->name);
  }
  return columns;
}

int IndexOf(std::vector<std::string>& columns, const std::string& name) {
  auto at = std::find(columns.begin(), columns.end(), name);
  if (at != columns.end()) return static_cast<int>(at - columns.begin());
  columns.push_back(name);
  return static_cast<int>(columns.size()) - 1;
}

std::string CellText(const Variant& value) { return value.IsBlank() ? std::string() : value.AsString(); }

class TF2WindowService : public pellor::TDispatchObject {
 public:
  explicit TF2WindowService(std::shared_ptr<ServiceContext> context)
      : TDispatchObject(kF2WindowServiceClass), context_(std::move(context)) {
    AddMethod("F2GetData", 1, 1, [this](VarArgs& args) { return F2GetData(args[0]); });
    AddMethod("GetPhrase2", 4, 4, [this](VarArgs& args) { return GetPhrase2(args); });
    AddMethod("ShowCharaters", 5, 5, [this](VarArgs& args) { return ShowCharaters(args); });
    AddMethod("GetCalcValue", 1, 2, [this](VarArgs& args) { return GetCalcValue(args); });
  }

 private:
  // A look-up request read and checked; see F2GetData.
  struct Request {
    const LookupKind* kind = nullptr;
    const db::TableDef* table = nullptr;
    std::vector<std::string> keys;  // UTF-8, trimmed
    bool multiSelect = false;
    bool answerSingleMatch = false;
    std::string condition;  // rewritten for the backend
    std::vector<std::string> answerColumns;
    std::vector<std::vector<std::string>> keyColumns;
    // The user's base data are limited: only the rows his limit on the
    // table permits are shown and answered.
    bool baseLimited = false;
    std::string user;  // UTF-8
  };

  int CodePage() const { return context_->clientCodePage; }
  std::string ToWindow(const Variant& clientText) const {
    return lookup::WindowText(context_->ToUtf8(clientText), CodePage());
  }
  // A text for an in/out argument, wide when the caller sent a wide one.
  Variant FromWindow(const std::string& text, const Variant& original) const {
    if (original.Type() == VarType::kWideString) return Variant(pellor::AnsiToWide(text, CodePage()));
    return Variant(text);
  }
  bool IsOwnCompany(const Variant& company) const {
    return !context_->company.empty() && IsTextOrBlank(company) && context_->ToUtf8(company) == context_->company;
  }

  std::optional<Request> ReadRequest(const Variant& value) const {
    if (!value.IsArray() || value.Dims() != 1 || value.Count() != kRequestSize) return std::nullopt;
    std::vector<Variant> v = value.Elements();
    const bool kindShaped = v[1].IsText() || v[1].Type() == VarType::kInteger;
    if (!v[0].IsText() || !kindShaped || !(v[2].IsBlank() || (v[2].IsArray() && v[2].Dims() == 1)) ||
        !IsTextOrBlank(v[4]) || !IsTextOrBlank(v[11]) || !IsTextOrBlank(v[12]) || !IsOwnCompany(v[5])) {
      return std::nullopt;
    }
    std::optional<bool> multi = ReadFlag(v[3]);
    std::optional<bool> single = ReadFlag(v[9]);
    if (!multi || !single || !ReadFlag(v[15]) || !ReadFlag(v[16])) return std::nullopt;
    if (!IsTextOrBlank(v[14]) || !IsTextOrBlank(v[18])) return std::nullopt;

    Request request;
    request.kind = lookup::FindLookupKind(context_->ToUtf8(v[0]), context_->ToUtf8(v[1]));
    if (request.kind == nullptr) return std::nullopt;
    request.table = context_->gateway->GetCatalogue().FindTable(request.kind->table);
    if (request.table == nullptr) return std::nullopt;
    request.multiSelect = *multi;
    request.answerSingleMatch = *single;
    // The limit is the session's user's; a request naming another user is
    // refused rather than answered with that user's limit.
    request.user = pellor::Trim(context_->ToUtf8(v[18]));
    if (!context_->userId.empty()) {
      if (!request.user.empty() && request.user != context_->userId) return std::nullopt;
      request.user = context_->userId;
    }
    request.baseLimited = db::IsBaseLimited(v[14], CodePage());
    // Whose limit applies is unknown: nothing is shown rather than all.
    if (request.baseLimited && request.user.empty()) return std::nullopt;
    if (v[2].IsArray()) {
      for (const Variant& key : v[2].Elements()) {
        if (key.IsArray() || key.Type() == VarType::kDispatch) return std::nullopt;
        request.keys.push_back(pellor::Trim(context_->ToUtf8(key)));
      }
    }

    std::optional<std::vector<std::string>> answer = ColumnList(context_->ToUtf8(v[11]), *request.table);
    std::optional<std::vector<std::string>> keyColumns = ColumnList(context_->ToUtf8(v[12]), *request.table);
    if (!answer || !keyColumns) return std::nullopt;
    if (answer->empty()) {
      for (const lookup::LookupColumn& column : request.kind->columns) answer->push_back(column.name);
    }
    request.answerColumns = *answer;
    if (keyColumns->empty()) {
      request.keyColumns = request.kind->keys;
    } else {
      for (const std::string& column : *keyColumns) request.keyColumns.push_back({column});
    }
    const std::string condition = pellor::Trim(context_->ToUtf8(v[4]));
    if (!condition.empty()) {
      try {
        request.condition = context_->gateway->RewriteCondition(condition);
      } catch (const pellor::EDatabaseError&) {
        return std::nullopt;
      }
    }
    return request;
  }

  Variant F2GetData(const Variant& value) {
    std::optional<Request> request = ReadRequest(value);
    if (!request) return Variant();
    const LookupKind& kind = *request->kind;

    // One query for what the window shows, what it answers and what the keys
    // are matched against.
    std::vector<std::string> columns;
    for (const lookup::LookupColumn& column : kind.columns) columns.push_back(column.name);
    std::vector<int> answerAt;
    for (const std::string& column : request->answerColumns) answerAt.push_back(IndexOf(columns, column));
    std::vector<std::vector<int>> keyAt;
    for (const std::vector<std::string>& alternatives : request->keyColumns) {
      keyAt.emplace_back();
      for (const std::string& column : alternatives) keyAt.back().push_back(IndexOf(columns, column));
    }
    std::vector<std::vector<Variant>> rows;
    try {
      std::lock_guard<std::mutex> lock(context_->mutex);
      std::vector<std::string> conditions;
      if (!request->condition.empty()) conditions.push_back(request->condition);
      if (request->baseLimited) {
        // A limit that cannot be read or is no usable condition fails the
        // look-up (caught below) instead of showing every row.
        const std::string limit =
            db::BaseDataLimit(*context_->writer, context_->company, request->user, kind.table);
        if (!limit.empty()) conditions.push_back(context_->gateway->RewriteCondition(limit));
      }
      std::string sql = "SELECT ";
      for (size_t i = 0; i < columns.size(); ++i) sql += (i > 0 ? ", " : "") + columns[i];
      sql += " FROM " + kind.table;
      for (size_t i = 0; i < conditions.size(); ++i) sql += (i == 0 ? " WHERE (" : " AND (") + conditions[i] + ")";
      sql += " ORDER BY " + kind.order;
      std::unique_ptr<db::Cursor> cursor = context_->gateway->QueryComposed(sql, {}, context_->company);
      while (cursor->Next()) {
        std::vector<Variant>& row = rows.emplace_back();
        for (int i = 0; i < cursor->ColumnCount(); ++i) row.push_back(cursor->Value(i));
      }
    } catch (const pellor::EDatabaseError&) {
      // A condition the backend refuses at run time, a base-data limit that
      // is no usable condition, or no database: the program sees the empty
      // answer of a look-up that found nothing.
      return Variant();
    }

    auto answerRow = [&](const std::vector<Variant>& row) {
      std::vector<Variant> values;
      for (int at : answerAt) values.push_back(context_->ToClient(row[at].IsBlank() ? Variant("") : row[at]));
      return Variant::ArrayOf(values);
    };

    const bool anyKey = std::any_of(request->keys.begin(), request->keys.end(),
                                    [](const std::string& k) { return !k.empty(); });
    if (request->answerSingleMatch && anyKey) {
      const std::vector<Variant>* match = nullptr;
      int matches = 0;
      for (const std::vector<Variant>& row : rows) {
        if (KeysMatch(*request, keyAt, row)) {
          match = &row;
          ++matches;
        }
      }
      if (matches == 1) return Variant::ArrayOf({answerRow(*match)});
    }

    auto form = pellor::TCustomForm::CreateUnowned<lookup::TfrmF2Pick>();
    form->SetCodePage(CodePage());
    form->SetCaption(lookup::WindowText(kind.caption, CodePage()));
    std::vector<std::string> titles;
    for (const lookup::LookupColumn& column : kind.columns) titles.push_back(lookup::WindowText(column.title, CodePage()));
    form->SetTitles(titles);
    std::vector<std::vector<std::string>> shown;
    for (const std::vector<Variant>& row : rows) {
      std::vector<std::string>& cells = shown.emplace_back();
      for (size_t i = 0; i < kind.columns.size(); ++i) cells.push_back(CellText(context_->ToClient(row[i])));
    }
    form->SetRows(std::move(shown));
    form->SetMultiSelect(request->multiSelect);
    for (const std::string& key : request->keys) {
      if (key.empty()) continue;
      form->edFind->SetText(lookup::WindowText(key, CodePage()));
      break;
    }
    if (form->ShowModal() != pellor::kModalOk) return Variant();
    std::vector<Variant> chosen;
    for (int index : form->ChosenRows()) chosen.push_back(answerRow(rows[index]));
    if (chosen.empty()) return Variant();
    return Variant::ArrayOf(chosen);
  }

  static bool KeysMatch(const Request& request, const std::vector<std::vector<int>>& keyAt,
                        const std::vector<Variant>& row) {
    for (size_t i = 0; i < request.keys.size() && i < keyAt.size(); ++i) {
      if (request.keys[i].empty()) continue;
      const bool any = std::any_of(keyAt[i].begin(), keyAt[i].end(), [&](int at) {
        return pellor::TrimRight(CellText(row[at])) == request.keys[i];
      });
      if (!any) return false;
    }
    return true;
  }

  Variant GetPhrase2(VarArgs& args) {
    if (!IsTextOrBlank(args[0]) || !IsOwnCompany(args[1]) || !IsTextOrBlank(args[3])) return Variant(-1);
    std::string user = pellor::Trim(context_->ToUtf8(args[0]));
    if (user.empty()) user = context_->userId;
    std::vector<std::string> phrases;
    try {
      std::lock_guard<std::mutex> lock(context_->mutex);
      std::unique_ptr<db::Cursor> cursor = context_->gateway->QueryComposed(
          "SELECT PH003 FROM ADMPH WHERE PH001 = '' OR PH001 = ? "
          "ORDER BY CASE WHEN PH001 = '' THEN 1 ELSE 0 END, PH002",
          {Variant(user)}, context_->company);
      while (cursor->Next()) phrases.push_back(CellText(context_->ToClient(cursor->Value(0))));
    } catch (const pellor::EDatabaseError&) {
      return Variant(-1);
    }

    auto form = pellor::TCustomForm::CreateUnowned<lookup::TfrmPhrase>();
    form->SetCodePage(CodePage());
    form->SetPhrases(phrases);
    form->edPhrase->SetText(ToWindow(args[3]));
    if (form->ShowModal() != pellor::kModalOk) return Variant(-1);
    args[3] = FromWindow(form->edPhrase->Text(), args[3]);
    return Variant(0);
  }

  Variant ShowCharaters(VarArgs& args) {
    int group = 1;
    if (args[2].IsNumeric()) {
      group = static_cast<int>(std::clamp<int64_t>(args[2].AsInt64(), 0, lookup::kCharacterGroupCount + 1));
    } else if (args[2].IsText()) {
      group = pellor::StrToIntDef(pellor::Trim(context_->ToUtf8(args[2])), 1);
    }
    std::optional<bool> collect = ReadFlag(args[3]);
    if (!collect) collect = false;

    auto form = pellor::TCustomForm::CreateUnowned<lookup::TfrmCharacters>();
    form->SetCodePage(CodePage());
    form->SetGroup(group);
    form->SetCollect(*collect);
    if (form->ShowModal() != pellor::kModalOk) return Variant();
    args[2] = Variant(form->Group());
    return Variant::ArrayOf({Variant(form->Answer())});
  }

  Variant GetCalcValue(VarArgs& args) {
    if (args[0].IsArray() || args[0].Type() == VarType::kDispatch) return Variant(std::string());
    auto form = pellor::TCustomForm::CreateUnowned<lookup::TfrmCalculator>();
    form->SetCodePage(CodePage());
    form->edExpr->SetText(ToWindow(args[0]));
    if (form->ShowModal() != pellor::kModalOk) return Variant(std::string());
    // OK keeps the window open while the expression is in error.
    const std::string value = form->Value().value_or(std::string());
    args[0] = FromWindow(value, args[0]);
    return Variant(value);
  }

  std::shared_ptr<ServiceContext> context_;
};

}  // namespace

pellor::DispatchPtr CreateF2WindowService(std::shared_ptr<ServiceContext> context) {
  if (context == nullptr || context->gateway == nullptr) {
    throw pellor::EDispatchError("The look-up window service needs an open service context");
  }
  return std::make_shared<TF2WindowService>(std::move(context));
}

}  // namespace suite
