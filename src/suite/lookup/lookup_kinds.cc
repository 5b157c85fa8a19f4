#include "suite/lookup/lookup_kinds.h"

#include "platform/rtl/strutils.h"

namespace suite::lookup {
namespace {

std::vector<LookupColumn> Partners(const char* what) {
  return {{"MA001", std::string(what) + "编号"},
          {"MA002", std::string(what) + "简称"},
          {"MA003", std::string(what) + "全称"},
          {"MA004", "联系人"}};
}

std::vector<LookupKind> Build() {
  std::vector<LookupKind> kinds;
  // A pair N (by code) and N + 1 (by code or by `nameColumn`).
  auto pair = [&](const char* table, int kind, const char* caption, std::vector<LookupColumn> columns,
                  const char* code, const char* nameColumn) {
    kinds.push_back({table, std::to_string(kind), caption, columns, {{code}}, code});
    kinds.push_back({table, std::to_string(kind + 1), caption, columns, {{code, nameColumn}}, code});
  };
  pair("COPMA", 61, "客户查询", Partners("客户"), "MA001", "MA002");
  pair("PURMA", 61, "供应商查询", Partners("供应商"), "MA001", "MA002");
  pair("ACTMA", 66, "部门查询", {{"MA001", "部门编号"}, {"MA002", "部门名称"}, {"MA003", "类别"}}, "MA001",
       "MA002");
  pair("INVMB", 63, "品号查询", {{"MB001", "品号"}, {"MB002", "品名"}, {"MB003", "规格"}, {"MB004", "单位"}},
       "MB001", "MB002");
  kinds.push_back({"INVMH", "01", "条码查询", {{"MH002", "品号"}, {"MH001", "条码"}}, {{"MH001"}}, "MH001"});
  kinds.push_back({"HRSMF",
                   "01",
                   "评价因素查询",
                   {{"MF001", "评价因素编号"}, {"MF002", "评价因素名称"}, {"MF004", "类别"}, {"MF005", "合格分数"}},
                   {{"MF001"}, {"MF004"}},
                   "MF001, MF004"});
  return kinds;
}

}  // namespace

const std::vector<LookupKind>& LookupKinds() {
  static const std::vector<LookupKind> kinds = Build();
  return kinds;
}

const LookupKind* FindLookupKind(std::string_view table, std::string_view kind) {
  const std::string wantedKind = pellor::Trim(std::string(kind));
  const std::string wantedTable = pellor::Trim(std::string(table));
  for (const LookupKind& k : LookupKinds()) {
    if (k.kind == wantedKind && pellor::SameText(k.table, wantedTable)) return &k;
  }
  return nullptr;
}

}  // namespace suite::lookup
