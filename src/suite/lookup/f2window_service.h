// The look-up window service of the work-center manager (Com_F2Window).
//
// Programs open their pick lists, the common phrases, the symbol
// characters and the calculator through it. Each call shows a modal window
// of the platform (ShowModal, so a user answers it in the front end and a
// script through THeadlessPlatform::QueueModalAction with the window's
// name); the windows and their controls are listed in pick_window.h,
// phrase_window.h, characters_window.h and calculator_window.h. Texts go
// both ways in the program's code page (ServiceContext::clientCodePage), or
// as wide texts. Rows come from the database through the SQL gateway,
// read-only and confined to the context's company. The window handles the
// programs pass are not read: the windows open centred on the screen, above
// the program's window as every modal window is.
//
// F2GetData(request) → result. `request` is one array of 19 values:
//   0 table, 1 query kind (text or number; lookup_kinds.h lists them),
//   2 key values (array, or empty): the values the program holds for the
//     look-up's key columns in order, an empty text for one it lacks,
//   3 several rows may be chosen (boolean),
//   4 a further condition on the table in the suite's SQL dialect (text),
//   5 company ID: must be the context's company,
//   6 database name, 7 the program's window handle, 8 the integer 1,
//   9 answer without a window when the key values pick exactly one row
//     (boolean),
//   10 reserved,
//   11 the columns to answer, separated by "," or ";" (default: the
//      kind's columns), 12 the key columns of element 2 (default: the
//      kind's keys), 13 the program's field that takes the answer,
//   14 the program's "BaseLimited" server setting (text): "Y" when the
//      user's base data are limited (suite/db/base_data_limit.h); the window then
//      shows, and the answer takes, only the rows the user's limit on the
//      table permits, and a limit that cannot be used answers nothing,
//   15, 16 whether the user may see the second and the first protected
//      field group (flags; none of the look-ups shows a column of such a
//      group, so they change nothing yet),
//   17 the work-center manager,
//   18 user ID: the session's user, or blank; the limit read is always the
//      session's user's (ServiceContext::userId, this element only when the
//      context has none).
// Elements 6, 7, 8, 10, 13 and 17 are the program's business and are not
// read. The window opens with the first known key value in its find box.
// The result is an array of the chosen rows, each an array of the answered
// columns' values (texts converted, NULL as an empty text); element 0 is
// the row of the chosen record. Empty (unassigned) when the user cancels,
// and for a request of another shape (elements of the wrong type
// included), another company or user, an unknown table, kind or column, or
// a condition the gateway refuses.
//
// GetPhrase2(user ID, company ID, window handle, in/out text) → integer.
// Shows the common phrases (table ADMPH: the user's own first, then those
// for everyone) with the text to edit. 0 and the chosen text in the fourth
// argument on OK; -1, text untouched, on cancel or for another company.
//
// ShowCharaters(user ID, company ID, in/out group, collect flag, window
// value) → array. Shows the symbol characters, opening on the given group
// (1 … 7; others open group 1). The answer is a one-element array holding
// the chosen character (or, with the collect flag, the collected
// characters); the group the user ended on goes back into the third
// argument. Empty on cancel.
//
// GetCalcValue(in/out expression [, window handle]) → text. Shows the
// calculator with the expression; on OK its value (calc_expression.h) is
// the result and goes back into the first argument. On cancel an empty text,
// the expression untouched.
#ifndef PELLOR_SUITE_LOOKUP_F2WINDOW_SERVICE_H_
#define PELLOR_SUITE_LOOKUP_F2WINDOW_SERVICE_H_

#include "suite/workcenter/service_context.h"

namespace suite {

// The service's class name, as DispatchClassName answers it.
inline constexpr const char kF2WindowServiceClass[] = "TamloWorkCenter.F2Window";

}  // namespace suite

#endif  // PELLOR_SUITE_LOOKUP_F2WINDOW_SERVICE_H_
