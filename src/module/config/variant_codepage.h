// Code-page conversion of texts and of texts held in tagged values.
//
// Outside objects exchange texts with the module either as narrow texts in
// some code page or as wide (UTF-16) texts; these routines turn one into the
// other for a given code page (936, 950, 437 ...).
#ifndef PEVF_CONFIG_VARIANT_CODEPAGE_H_
#define PEVF_CONFIG_VARIANT_CODEPAGE_H_

#include <string>
#include <string_view>

#include "platform/rtl/variant.h"

namespace pevf {

// Wide → narrow in `codePage`. A character the code page lacks becomes "?"
// and an undecodable byte U+FFFD, as the system conversion does; a code page
// the system does not know falls back to the machine code page.
std::string WideToAnsiCP(std::u16string_view text, int codePage);
std::u16string AnsiToWideCP(std::string_view text, int codePage);

// Converts the wide texts of a tagged value to narrow texts in `codePage`:
//  - a scalar wide text becomes a narrow text;
//  - in a one-dimensional array, nested arrays are converted recursively and
//    wide-text elements converted;
//  - in a two-dimensional array, wide-text elements are converted (nested
//    arrays are not);
//  - everything else, narrow texts included, comes back unchanged: a narrow
//    text is already in some code page, and re-reading it through the
//    machine's could only garble it.
// An error is written to the "libstrs" alert log and the value comes back
// with what had been converted up to then.
pellor::Variant VarWideToAnsi(const pellor::Variant& value, int codePage);
// The mirror image: narrow texts, read in `codePage`, become wide texts; wide
// texts stay as they are.
pellor::Variant VarAnsiToWide(const pellor::Variant& value, int codePage);

}  // namespace pevf

#endif  // PEVF_CONFIG_VARIANT_CODEPAGE_H_
