// Texts between a client and the database.
//
// Clients send and read narrow texts in their database code page (936 or
// 950, from the server profile's "DBCodePage") or wide texts; the database
// holds UTF-8. Every suite object converts at its own boundary with these
// two functions and nowhere else, so that a text is never converted twice.
#ifndef PELLOR_SUITE_DB_CLIENT_TEXT_H_
#define PELLOR_SUITE_DB_CLIENT_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/rtl/codepage.h"
#include "platform/rtl/variant.h"

namespace suite {

// A client's text value as UTF-8: narrow texts are read in `codePage`, wide
// ones converted, empty and null give "", other scalars their text form.
std::string ClientTextToUtf8(const pellor::Variant& value, int codePage = pellor::kCodePageGB);
// A value read from the database for the client: a (UTF-8) narrow text comes
// back in `codePage`; every other value is returned as it is.
pellor::Variant Utf8ToClient(const pellor::Variant& value, int codePage = pellor::kCodePageGB);

// Characters of a UTF-8 text, which is what the columns' VARCHAR sizes count.
size_t Utf8CharacterCount(std::string_view utf8);

}  // namespace suite

#endif  // PELLOR_SUITE_DB_CLIENT_TEXT_H_
