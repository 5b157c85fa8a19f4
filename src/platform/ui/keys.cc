#include "platform/ui/keys.h"

namespace pellor {

char KeyToChar(uint16_t key, TShiftState shift) {
  if (shift.Contains(ssAlt)) return 0;
  const bool ctrl = shift.Contains(ssCtrl);
  const bool upper = shift.Contains(ssShift);
  if (key >= 'A' && key <= 'Z') {
    if (ctrl) return static_cast<char>(key - 'A' + 1);
    return static_cast<char>(upper ? key : key + ('a' - 'A'));
  }
  if (ctrl) return 0;
  if (key >= '0' && key <= '9') {
    static constexpr char kShifted[] = ")!@#$%^&*(";
    return upper ? kShifted[key - '0'] : static_cast<char>(key);
  }
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return static_cast<char>('0' + (key - VK_NUMPAD0));
  switch (key) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return '\x1b';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: return 0;
  }
}

}  // namespace pellor
