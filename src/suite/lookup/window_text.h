// Texts of the look-up windows.
//
// The windows show texts in the code page of the program that opened them
// (936 or 950). Their own captions are written here in UTF-8 and converted
// on the way in; a character the code page lacks shows as "?".
#ifndef PELLOR_SUITE_LOOKUP_WINDOW_TEXT_H_
#define PELLOR_SUITE_LOOKUP_WINDOW_TEXT_H_

#include <string>
#include <string_view>

#include "platform/rtl/codepage.h"
#include "platform/ui/control.h"
#include "platform/ui/graphics.h"

namespace suite::lookup {

inline std::string WindowText(std::string_view utf8, int codePage) {
  return pellor::WideToAnsi(pellor::Utf8ToWide(utf8), codePage);
}

// The font character set that shows `codePage`; the controls of a window
// follow its font.
inline void SetWindowCodePage(pellor::TControl& window, int codePage) {
  window.Font()->SetCharset(codePage == pellor::kCodePageBig5  ? pellor::CHINESEBIG5_CHARSET
                            : codePage == pellor::kCodePageGB ? pellor::GB2312_CHARSET
                                                              : pellor::DEFAULT_CHARSET);
}

}  // namespace suite::lookup

#endif  // PELLOR_SUITE_LOOKUP_WINDOW_TEXT_H_
