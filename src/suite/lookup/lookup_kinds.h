// What the look-up window shows for a table and a query kind.
//
// A program asks for a look-up by table and query kind ("COPMA", "61"); the
// kind says which rows and columns the window shows and how the key values
// the program already holds are matched. The kinds of the code masters come
// in pairs, because a company's system parameter chooses how its users type
// codes (the value "2" makes programs ask for the kind one higher):
//   N     the typed value is the code;
//   N + 1 the typed value is the code or the short name.
//
//   table   kind    window                 columns (the first is the code)
//   COPMA   61, 62  customers              MA001 MA002 MA003 MA004
//   PURMA   61, 62  suppliers              MA001 MA002 MA003 MA004
//   ACTMA   66, 67  departments            MA001 MA002 MA003
//   INVMB   63, 64  items                  MB001 MB002 MB003 MB004
//   INVMH   01      bar codes → item code  MH002 MH001 (the key is MH001)
//   HRSMF   01      evaluation factors     MF001 MF002 MF004 MF005
//                                          (keys MF001, MF004)
//
// Tables and kinds not listed have no look-up: the service answers them
// with an empty result.
#ifndef PELLOR_SUITE_LOOKUP_LOOKUP_KINDS_H_
#define PELLOR_SUITE_LOOKUP_LOOKUP_KINDS_H_

#include <string>
#include <string_view>
#include <vector>

namespace suite::lookup {

struct LookupColumn {
  std::string name;   // as the schema declares it
  std::string title;  // grid title, UTF-8
};

struct LookupKind {
  std::string table;
  std::string kind;
  std::string caption;  // window caption, UTF-8
  std::vector<LookupColumn> columns;
  // Per key position, the columns any of which may equal the value the
  // program holds for that position.
  std::vector<std::vector<std::string>> keys;
  std::string order;  // ORDER BY list
};

// The look-up of `table` (any letter case) and `kind` (blanks around it
// ignored); nullptr when there is none.
const LookupKind* FindLookupKind(std::string_view table, std::string_view kind);

// Every look-up, for listing and for checking the list against the schema.
const std::vector<LookupKind>& LookupKinds();

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_LOOKUP_KINDS_H_
