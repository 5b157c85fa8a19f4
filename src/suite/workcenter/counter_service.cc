#include "suite/workcenter/counter_service.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dispatch/dispatch.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"
#include "platform/xml/xml.h"
#include "suite/workcenter/service_context.h"

namespace suite {

using pellor::EDispatchError;
using pellor::VarArgs;
using pellor::Variant;
using pellor::XmlDocument;
using pellor::XmlNode;

namespace {

[[noreturn]] void Fail(std::string_view operation, const std::string& fault) {
  throw EDispatchError(std::string(operation) + ": " + fault);
}

// An XML name as the option documents use them: ASCII letters, digits, "_",
// "-" and ".", not starting with a digit, "-" or ".". Stricter than XML, so
// that a key path can never smuggle markup or an XPath into a document.
bool IsOptionName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return false;
  }
  return true;
}

std::vector<std::string> KeyPathSteps(std::string_view keyPath) {
  std::vector<std::string> steps = pellor::SplitString(keyPath, "/");
  for (const std::string& step : steps) {
    if (!IsOptionName(step)) {
      Fail("SetUserDefine", "the key path \"" + std::string(keyPath) + "\" has the step \"" + step +
                                "\", which is no element name");
    }
  }
  return steps;
}

XmlDocument ParseFragment(std::string_view value) {
  try {
    XmlDocument fragment = XmlDocument::FromText(value);
    if (!fragment.DocumentElement()) Fail("SetUserDefine", "the value for \".\" holds no element");
    return fragment;
  } catch (const pellor::EXmlError& e) {
    Fail("SetUserDefine", "the value for \".\" is no XML: " + e.Message());
  }
}

// Lays `source` over `target`: attributes are set, child elements address
// the target's first child of the same name (created when missing), and an
// element without child elements replaces the target's content with its
// text. So an option document is a tree of named settings, and writing one
// setting leaves the others alone.
void Overlay(XmlNode target, const XmlNode& source) {
  for (const XmlNode& attribute : source.Attributes()) target.SetAttribute(attribute.Name(), attribute.Text());
  pellor::XmlNodeList children = source.ChildElements();
  if (children.empty()) {
    target.SetText(source.Text());
    return;
  }
  for (const XmlNode& child : children) {
    XmlNode match = target.ChildElement(child.Name());
    if (!match) match = target.AppendElement(child.Name());
    Overlay(match, child);
  }
}

// The stored document when it is one rooted at `key`; otherwise a new one.
XmlDocument StoredOrNew(std::string_view storedXml, const std::string& key) {
  XmlDocument document;
  try {
    if (!pellor::Trim(storedXml).empty()) document.LoadText(storedXml);
  } catch (const pellor::EXmlError&) {
    // A document nobody can read is replaced rather than kept failing.
    document.Clear();
  }
  if (!document.DocumentElement() || document.DocumentElement().Name() != key) {
    document.Clear();
    document.Root().AppendElement(key);
  }
  return document;
}

// Rows of a cursor as the module reads them: each row an array of the
// columns `columns` picks, texts in the client's code page; unassigned when
// there is no row.
Variant RowsOf(db::Cursor& cursor, const std::vector<int>& columns, const ServiceContext& context) {
  std::vector<Variant> rows;
  while (cursor.Next()) {
    std::vector<Variant> row;
    row.reserve(columns.size());
    for (int column : columns) row.push_back(context.ToClient(cursor.Value(column)));
    rows.push_back(Variant::ArrayOf(row));
  }
  if (rows.empty()) return Variant();
  return Variant::ArrayOf(rows);
}

std::vector<int> AllColumns(const db::Cursor& cursor) {
  std::vector<int> columns;
  for (int i = 0; i < cursor.ColumnCount(); ++i) columns.push_back(i);
  return columns;
}

// See the header: by name, else by position when the list names the whole
// select list.
std::vector<int> ListedColumns(const db::Cursor& cursor, const std::string& fieldList) {
  std::vector<std::string> fields;
  for (const std::string& part : pellor::SplitString(fieldList, ",")) {
    std::string field = pellor::Trim(part);
    if (!field.empty()) fields.push_back(std::move(field));
  }
  if (fields.empty()) return AllColumns(cursor);
  const bool byPosition = static_cast<int>(fields.size()) == cursor.ColumnCount();
  std::vector<int> columns;
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string_view name = fields[i];
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    int found = -1;
    for (int c = 0; c < cursor.ColumnCount() && found < 0; ++c) {
      if (pellor::SameText(cursor.ColumnName(c), name)) found = c;
    }
    if (found < 0 && byPosition) found = static_cast<int>(i);
    if (found < 0) Fail("SimpleSql", "the result has no column " + fields[i]);
    columns.push_back(found);
  }
  return columns;
}

class TCounterService : public pellor::TDispatchObject {
 public:
  explicit TCounterService(std::shared_ptr<ServiceContext> context)
      : TDispatchObject(kCounterClassName), context_(std::move(context)) {
    AddMethod("GETCOUNTER", 3, 3, [this](VarArgs& args) { return GetCounter(args[0], args[1], args[2]); });
    AddMethod("GetSysInfo", 1, 1, [this](VarArgs& args) { return GetSysInfo(args[0]); });
  }

 private:
  // A text argument as UTF-8; blank reads as empty when `optional`.
  std::string Text(std::string_view operation, const char* what, const Variant& value,
                   bool optional = false) const {
    if (value.IsText() || (optional && value.IsBlank())) return context_->ToUtf8(value);
    Fail(operation, std::string(what) + " must be a text, not " + pellor::VarTypeName(value.Type()));
  }

  std::vector<Variant> Arguments(std::string_view operation, const Variant& arguments, size_t least,
                                 size_t most) const {
    if (!arguments.IsArray() || arguments.Dims() != 1) {
      Fail(operation, "the arguments must be a one-dimensional array");
    }
    std::vector<Variant> items = arguments.Elements();
    if (items.size() < least || items.size() > most) {
      Fail(operation, "takes " + (least == most ? std::to_string(least)
                                                : std::to_string(least) + " to " + std::to_string(most)) +
                          " arguments, not " + std::to_string(items.size()));
    }
    return items;
  }

  // The company a call names must be the one the service works for.
  void CheckCompany(std::string_view operation, const Variant& company) const {
    const std::string named = Text(operation, "the company ID", company);
    if (context_->company.empty()) Fail(operation, "the service has no company to work for");
    if (named != context_->company) {
      Fail(operation, "the company " + named + " is not the company " + context_->company + " of this session");
    }
  }

  void CheckUser(std::string_view operation, const std::string& user) const {
    if (!context_->userId.empty() && user != context_->userId) {
      Fail(operation, "the user " + user + " is not the user " + context_->userId + " of this session");
    }
  }

  Variant GetCounter(const Variant& operationValue, const Variant& arguments, const Variant& callContext) {
    const std::string operation = Text("GETCOUNTER", "the operation name", operationValue);
    if (!callContext.IsArray() || callContext.Dims() != 1 || callContext.Count() < 1) {
      Fail("GETCOUNTER", "the context must be the array (company ID, database name)");
    }
    std::lock_guard<std::mutex> lock(context_->mutex);
    CheckCompany(operation, callContext[0]);
    if (pellor::SameText(operation, "SimpleSql")) return SimpleSql(arguments);
    if (pellor::SameText(operation, "TransactionSQL")) return TransactionSql(arguments);
    if (pellor::SameText(operation, "QueryUDFData")) return QueryUdfData(arguments);
    if (pellor::SameText(operation, "GetUserDefine")) return GetUserDefine(arguments);
    if (pellor::SameText(operation, "SetUserDefine")) return SetUserDefine(arguments);
    Fail("GETCOUNTER", "unknown operation \"" + operation + "\"");
  }

  Variant SimpleSql(const Variant& arguments) {
    std::vector<Variant> a = Arguments("SimpleSql", arguments, 2, 4);
    const std::string sql = Text("SimpleSql", "the SQL text", a[0]);
    const std::string fields = Text("SimpleSql", "the field list", a[1], true);
    std::unique_ptr<db::Cursor> cursor = context_->gateway->Query(sql, context_->company);
    return RowsOf(*cursor, ListedColumns(*cursor, fields), *context_);
  }

  Variant TransactionSql(const Variant& arguments) {
    std::vector<Variant> a = Arguments("TransactionSQL", arguments, 1, 2);
    std::vector<std::string> statements;
    if (a[0].IsArray()) {
      if (a[0].Dims() != 1) Fail("TransactionSQL", "the statements must be a one-dimensional array");
      for (const Variant& statement : a[0].Elements()) {
        statements.push_back(Text("TransactionSQL", "a statement", statement));
      }
    } else {
      statements.push_back(Text("TransactionSQL", "the statement", a[0]));
    }
    db::Connection& writer = *context_->writer;
    db::WriteTransaction transaction(writer);
    int64_t changed = 0;
    for (const std::string& statement : statements) {
      changed += context_->gateway->ExecuteWrite(writer, statement, context_->company);
    }
    transaction.Commit();
    return Variant(changed);
  }

  Variant QueryUdfData(const Variant& arguments) {
    std::vector<Variant> a = Arguments("QueryUDFData", arguments, 1, 5);
    const std::string name = pellor::Trim(Text("QueryUDFData", "the value query name", a[0], true));
    std::vector<Variant> values;
    if (a.size() > 4 && !a[4].IsBlank()) {
      if (!a[4].IsArray() || a[4].Dims() != 1) Fail("QueryUDFData", "the values must be an array");
      for (const Variant& value : a[4].Elements()) {
        if (value.IsArray() || value.IsDispatch()) Fail("QueryUDFData", "a value must be a single value");
        values.emplace_back(context_->ToUtf8(value));
      }
    }
    if (name.empty()) return Variant();
    std::unique_ptr<db::Cursor> query = context_->writer->Query(
        "SELECT TQ003, TQ004 FROM ADMTQ WHERE COMPANY = ? AND TQ001 = ?",
        {Variant(context_->company), Variant(name)});
    if (!query->Next()) Fail("QueryUDFData", "there is no value query named " + name);
    const std::string sql = query->Value(0).AsString();
    const int64_t takes = query->Value(1).IsNull() ? 0 : query->Value(1).AsInt64();
    if (takes != static_cast<int64_t>(values.size())) {
      Fail("QueryUDFData", "the value query " + name + " takes " + std::to_string(takes) + " values, not " +
                               std::to_string(values.size()));
    }
    std::unique_ptr<db::Cursor> cursor = context_->gateway->Query(sql, context_->company, values);
    return RowsOf(*cursor, AllColumns(*cursor), *context_);
  }

  struct OptionOwner {
    std::string user;
    std::string program;
  };

  OptionOwner Owner(std::string_view operation, const std::vector<Variant>& a) {
    CheckCompany(operation, a[0]);
    OptionOwner owner{Text(operation, "the user ID", a[1]), Text(operation, "the program code", a[2])};
    CheckUser(operation, owner.user);
    if (owner.user.empty() || Utf8CharacterCount(owner.user) > 10) {
      Fail(operation, "the user ID \"" + owner.user + "\" is not 1 to 10 characters long");
    }
    if (owner.program.empty() || Utf8CharacterCount(owner.program) > 20) {
      Fail(operation, "the program code \"" + owner.program + "\" is not 1 to 20 characters long");
    }
    return owner;
  }

  // With `forUpdate` the row stays locked to the running transaction on
  // PostgreSQL (SQLite's write transaction holds the whole file already).
  std::optional<std::string> StoredOption(const OptionOwner& owner, const std::string& program,
                                          const std::string& key, bool forUpdate = false) {
    const bool lockRow = forUpdate && context_->writer->GetBackend() == db::Backend::kPostgres;
    std::unique_ptr<db::Cursor> cursor = context_->writer->Query(
        std::string("SELECT MU004 FROM ADMMU WHERE COMPANY = ? AND MU001 = ? AND MU002 = ? AND MU003 = ?") +
            (lockRow ? " FOR UPDATE" : ""),
        {Variant(context_->company), Variant(owner.user), Variant(program), Variant(key)});
    if (!cursor->Next()) return std::nullopt;
    return pellor::VarToStr(cursor->Value(0));
  }

  Variant GetUserDefine(const Variant& arguments) {
    std::vector<Variant> a = Arguments("GetUserDefine", arguments, 4, 4);
    OptionOwner owner = Owner("GetUserDefine", a);
    const std::string key = Text("GetUserDefine", "the key", a[3]);
    std::optional<std::string> own = StoredOption(owner, owner.program, key);
    std::optional<std::string> shared;
    if (owner.program != kAllPrograms) shared = StoredOption(owner, kAllPrograms, key);
    std::string answer;
    if (own && shared) {
      answer = *own;
      try {
        XmlDocument merged = XmlDocument::FromText(*shared);
        XmlDocument overlay = XmlDocument::FromText(*own);
        if (merged.DocumentElement() && overlay.DocumentElement() &&
            merged.DocumentElement().Name() == overlay.DocumentElement().Name()) {
          Overlay(merged.DocumentElement(), overlay.DocumentElement());
          answer = merged.DocumentElement().Xml();
        }
      } catch (const pellor::EXmlError&) {
        // The program's own text is answered as it is; its reader decides.
      }
    } else if (own) {
      answer = *own;
    } else if (shared) {
      answer = *shared;
    }
    return context_->ToClient(Variant(answer));
  }

  Variant SetUserDefine(const Variant& arguments) {
    std::vector<Variant> a = Arguments("SetUserDefine", arguments, 5, 5);
    OptionOwner owner = Owner("SetUserDefine", a);
    const std::string keyPath = Text("SetUserDefine", "the key path", a[3]);
    if (a[4].IsArray() || a[4].IsDispatch()) Fail("SetUserDefine", "the value must be a single value");
    const std::string value = context_->ToUtf8(a[4]);
    const std::string key = UserDefineKey(keyPath, value);
    if (Utf8CharacterCount(key) > 60) Fail("SetUserDefine", "the key " + key + " is longer than 60 characters");

    db::Connection& writer = *context_->writer;
    db::WriteTransaction transaction(writer);
    const std::string today = pellor::DateToStr8(pellor::Today());
    // Make sure the row exists before reading it for the merge: two users'
    // first writes of one key would otherwise both insert, and the second
    // would fail on the key; now the second waits on the row lock and merges
    // into what the first wrote.
    writer.Execute(
        "INSERT INTO ADMMU (MU001, MU002, MU003, MU004, COMPANY, CREATOR, CREATE_DATE, FLAG) "
        "VALUES (?, ?, ?, '', ?, ?, ?, 0) ON CONFLICT DO NOTHING",
        {Variant(owner.user), Variant(owner.program), Variant(key), Variant(context_->company), Variant(owner.user),
         Variant(today)});
    std::optional<std::string> stored = StoredOption(owner, owner.program, key, /*forUpdate=*/true);
    const std::string document = MergeUserDefine(stored.value_or(std::string()), keyPath, value);
    writer.Execute(
        "UPDATE ADMMU SET MU004 = ?, MODIFIER = ?, MODI_DATE = ?, FLAG = FLAG + 1 "
        "WHERE COMPANY = ? AND MU001 = ? AND MU002 = ? AND MU003 = ?",
        {Variant(document), Variant(owner.user), Variant(today), Variant(context_->company), Variant(owner.user),
         Variant(owner.program), Variant(key)});
    transaction.Commit();
    return Variant(true);
  }

  Variant GetSysInfo(const Variant& company) {
    std::lock_guard<std::mutex> lock(context_->mutex);
    CheckCompany("GetSysInfo", company);
    std::unique_ptr<db::Cursor> cursor = context_->writer->Query(
        "SELECT MP001, MP002 FROM ADMMP WHERE COMPANY = ? ORDER BY MP001", {Variant(context_->company)});
    std::vector<std::pair<Variant, Variant>> rows;
    while (cursor->Next()) {
      rows.emplace_back(context_->ToClient(cursor->Value(0)), context_->ToClient(cursor->Value(1)));
    }
    if (rows.empty()) return Variant();
    Variant table = Variant::Array2(1, static_cast<int>(rows.size()) - 1);
    for (size_t i = 0; i < rows.size(); ++i) {
      table.At(0, static_cast<int>(i)) = rows[i].first;
      table.At(1, static_cast<int>(i)) = rows[i].second;
    }
    return table;
  }

  std::shared_ptr<ServiceContext> context_;
};

}  // namespace

std::string UserDefineKey(std::string_view keyPath, std::string_view value) {
  if (keyPath == ".") {
    XmlDocument fragment = ParseFragment(value);
    std::string key = fragment.DocumentElement().Name();
    if (!IsOptionName(key)) Fail("SetUserDefine", "the root element " + key + " of the value names no key");
    return key;
  }
  return KeyPathSteps(keyPath).front();
}

std::string MergeUserDefine(std::string_view storedXml, std::string_view keyPath, std::string_view value) {
  const std::string key = UserDefineKey(keyPath, value);
  XmlDocument document = StoredOrNew(storedXml, key);
  XmlNode root = document.DocumentElement();
  if (keyPath == ".") {
    XmlDocument fragment = ParseFragment(value);
    Overlay(root, fragment.DocumentElement());
  } else {
    std::vector<std::string> steps = KeyPathSteps(keyPath);
    XmlNode node = root;
    for (size_t i = 1; i < steps.size(); ++i) {
      XmlNode next = node.ChildElement(steps[i]);
      node = next ? next : node.AppendElement(steps[i]);
    }
    node.SetText(value);
  }
  return root.Xml();
}

pellor::DispatchPtr CreateCounterService(std::shared_ptr<ServiceContext> context) {
  if (!context || !context->writer || !context->gateway) {
    throw EDispatchError("The counter service needs a context with its database connections");
  }
  return std::make_shared<TCounterService>(std::move(context));
}

}  // namespace suite
