// The counter service of the work-center manager ("Com_Counter").
//
// Despite its name, this is the object through which a program module sends
// every SQL statement it composes and keeps its per-user options. It answers
// two methods:
//
//   GETCOUNTER (operation name, argument array, context) → tagged value
//     The context is the array (company ID, database name). Its company must
//     be the service's own (ServiceContext::company): a program can never
//     read or write another company's rows by naming it. The database name is
//     not used; the service has one database, and "db..TABLE" in client SQL
//     names it whatever the text before ".." says.
//   GetSysInfo (company ID) → the company's system parameters (ADMMP) as a
//     two-dimensional array: the second index runs over the parameters in
//     order of name, element (0, i) is the name and (1, i) the value.
//     Unassigned when the company has none.
//
// Operation names compare without regard to case. Their argument arrays, as
// the module sends them:
//
//   "SimpleSql" / "SimpleSQL" (SQL text, field list [, database name, "N"])
//     One SELECT in the suite's dialect, run through the SQL gateway:
//     read-only and confined to the company. Answer: an array of rows, each
//     an array of the values of the listed fields in list order; unassigned
//     when there is no row. A listed field is found among the result's
//     columns by name (a "TABLE." prefix ignored); a name the result lacks is
//     taken by position when the list names exactly as many fields as the
//     result has columns (the list then simply names the select list), and
//     is an error otherwise. An empty list answers every column in order.
//   "TransactionSQL" (statements [, anything])
//     One DELETE or UPDATE ... SET column = literal text, or an array of
//     them, carried out by the gateway's confined write (see
//     suite/db/sql_gateway.h) in one transaction: all or nothing. The
//     callers send an empty second element; it is ignored. Answer: the
//     number of rows changed.
//   "QueryUDFData" (value query name [, ignored, database name, "N", values])
//     Runs the named value query of a user-defined field (table ADMTQ: a
//     SELECT whose "?" take the values in order, TQ004 of them) through the
//     gateway, the values bound. Answer as for SimpleSql with every column of
//     the result; unassigned when there is no row or the name is empty.
//   "GetUserDefine" (company ID, user ID, program code, key)
//     The user's options under a key ("InputSettings001",
//     "NumberFieldsSetting"): an XML text whose root element is named after
//     the key, or an empty text when nothing is kept. Options kept for all
//     programs (program code "********************") apply to every program;
//     the program's own options are laid over them.
//   "SetUserDefine" (company ID, user ID, program code, key path, value)
//     Keeps one option: the key path "KEY/NAME[/NAME...]" sets the text of
//     that element of the KEY document, creating what is missing; the key
//     path "." takes the value as an XML fragment whose root element names
//     the key, and lays it over what is kept. Other options of the document
//     stay. Answer: true.
//
// Texts cross in the client's code page (ServiceContext::clientCodePage),
// narrow or wide; answers are narrow texts in that code page, integers and
// floats as the database holds them, and null for SQL NULL.
//
// Errors. Whatever a caller can get wrong raises EDispatchError naming the
// operation and the fault: an unknown operation, an argument array of the
// wrong length or a text where an array belongs, another company, another
// user (when the service knows its user), an unknown value query, a key path
// or fragment that is no XML. SQL the gateway refuses raises its
// ESqlRefused, and database failures their EDatabaseError. The module's
// broker turns every error into an empty result, so an error never reaches
// the user as a half answer.
#ifndef PELLOR_SUITE_WORKCENTER_COUNTER_SERVICE_H_
#define PELLOR_SUITE_WORKCENTER_COUNTER_SERVICE_H_

#include <string>
#include <string_view>

namespace suite {

// The class name the counter service reports.
inline constexpr char kCounterClassName[] = "TamloWorkCenter.Counter";

// The program code under which options kept for all programs live.
inline constexpr char kAllPrograms[] = "********************";

// Lays `value` over the option document `storedXml` (UTF-8; empty or not
// well-formed: a new document) at `keyPath` as SetUserDefine describes, and
// returns the new document as UTF-8 markup. `key` is the first step of the
// path (or, for ".", the root of the fragment) and names the root element.
// Raises EDispatchError for a path or fragment XML cannot hold.
std::string MergeUserDefine(std::string_view storedXml, std::string_view keyPath, std::string_view value);

// The key (first step) of a SetUserDefine key path; for "." the root element
// name of `value`. Raises EDispatchError as MergeUserDefine does.
std::string UserDefineKey(std::string_view keyPath, std::string_view value);

}  // namespace suite

#endif  // PELLOR_SUITE_WORKCENTER_COUNTER_SERVICE_H_
