// Keys: the virtual-key numbering of the control model, and what a control
// tells the form about the keys it handles itself.
//
// Key events carry the original platform's virtual-key codes because the
// programs compare against them (F2 opens a look-up, Esc cancels an edit) and
// menu shortcuts store them. A front end translates its own key codes into
// these before it hands a key to a form (TCustomForm::SendKeyDown).
#ifndef PELLOR_UI_KEYS_H_
#define PELLOR_UI_KEYS_H_

#include <cstdint>

#include "platform/ui/control.h"

namespace pellor {

inline constexpr uint16_t VK_LBUTTON = 0x01;
inline constexpr uint16_t VK_RBUTTON = 0x02;
inline constexpr uint16_t VK_CANCEL = 0x03;
inline constexpr uint16_t VK_MBUTTON = 0x04;
inline constexpr uint16_t VK_BACK = 0x08;
inline constexpr uint16_t VK_TAB = 0x09;
inline constexpr uint16_t VK_CLEAR = 0x0C;
inline constexpr uint16_t VK_RETURN = 0x0D;
inline constexpr uint16_t VK_SHIFT = 0x10;
inline constexpr uint16_t VK_CONTROL = 0x11;
inline constexpr uint16_t VK_MENU = 0x12;  // Alt
inline constexpr uint16_t VK_PAUSE = 0x13;
inline constexpr uint16_t VK_CAPITAL = 0x14;
inline constexpr uint16_t VK_ESCAPE = 0x1B;
inline constexpr uint16_t VK_SPACE = 0x20;
inline constexpr uint16_t VK_PRIOR = 0x21;  // Page Up
inline constexpr uint16_t VK_NEXT = 0x22;   // Page Down
inline constexpr uint16_t VK_END = 0x23;
inline constexpr uint16_t VK_HOME = 0x24;
inline constexpr uint16_t VK_LEFT = 0x25;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_RIGHT = 0x27;
inline constexpr uint16_t VK_DOWN = 0x28;
inline constexpr uint16_t VK_SELECT = 0x29;
inline constexpr uint16_t VK_PRINT = 0x2A;
inline constexpr uint16_t VK_EXECUTE = 0x2B;
inline constexpr uint16_t VK_SNAPSHOT = 0x2C;
inline constexpr uint16_t VK_INSERT = 0x2D;
inline constexpr uint16_t VK_DELETE = 0x2E;
inline constexpr uint16_t VK_HELP = 0x2F;
// Digits and letters are their upper-case ASCII codes: '0'..'9', 'A'..'Z'.
inline constexpr uint16_t VK_0 = '0';
inline constexpr uint16_t VK_9 = '9';
inline constexpr uint16_t VK_A = 'A';
inline constexpr uint16_t VK_Z = 'Z';
inline constexpr uint16_t VK_LWIN = 0x5B;
inline constexpr uint16_t VK_RWIN = 0x5C;
inline constexpr uint16_t VK_APPS = 0x5D;
inline constexpr uint16_t VK_NUMPAD0 = 0x60;
inline constexpr uint16_t VK_NUMPAD1 = 0x61;
inline constexpr uint16_t VK_NUMPAD2 = 0x62;
inline constexpr uint16_t VK_NUMPAD3 = 0x63;
inline constexpr uint16_t VK_NUMPAD4 = 0x64;
inline constexpr uint16_t VK_NUMPAD5 = 0x65;
inline constexpr uint16_t VK_NUMPAD6 = 0x66;
inline constexpr uint16_t VK_NUMPAD7 = 0x67;
inline constexpr uint16_t VK_NUMPAD8 = 0x68;
inline constexpr uint16_t VK_NUMPAD9 = 0x69;
inline constexpr uint16_t VK_MULTIPLY = 0x6A;
inline constexpr uint16_t VK_ADD = 0x6B;
inline constexpr uint16_t VK_SEPARATOR = 0x6C;
inline constexpr uint16_t VK_SUBTRACT = 0x6D;
inline constexpr uint16_t VK_DECIMAL = 0x6E;
inline constexpr uint16_t VK_DIVIDE = 0x6F;
inline constexpr uint16_t VK_F1 = 0x70;
inline constexpr uint16_t VK_F2 = 0x71;
inline constexpr uint16_t VK_F3 = 0x72;
inline constexpr uint16_t VK_F4 = 0x73;
inline constexpr uint16_t VK_F5 = 0x74;
inline constexpr uint16_t VK_F6 = 0x75;
inline constexpr uint16_t VK_F7 = 0x76;
inline constexpr uint16_t VK_F8 = 0x77;
inline constexpr uint16_t VK_F9 = 0x78;
inline constexpr uint16_t VK_F10 = 0x79;
inline constexpr uint16_t VK_F11 = 0x7A;
inline constexpr uint16_t VK_F12 = 0x7B;
inline constexpr uint16_t VK_F24 = 0x87;
inline constexpr uint16_t VK_NUMLOCK = 0x90;
inline constexpr uint16_t VK_SCROLL = 0x91;

// The character a key gives when it is typed with `shift`, as the keyboard
// of the original platform gives it (US layout): letters (upper case with
// Shift), digits, blank, Enter '\r', Esc '\x1b', Backspace '\b', Tab '\t',
// the number pad's digits and operators, and Ctrl+letter as the control
// characters 1..26. 0 for a key that types nothing (function keys, arrows,
// anything with Alt).
char KeyToChar(uint16_t key, TShiftState shift);

// The keys a control handles itself, so that the form does not take them as
// focus moves (Tab), default- or cancel-button presses (Enter, Esc).
enum TDialogCode : uint8_t { dcWantTab, dcWantArrows, dcWantAllKeys, dcWantChars };
using TDialogCodes = TSet<TDialogCode>;

// What a control does with keys after its own OnKeyDown / OnKeyPress /
// OnKeyUp handlers left the key alone: an edit inserts a typed character, a
// grid moves its cursor, a memo takes Enter. A control class that has such
// behaviour implements this interface next to TWinControl; the form's key
// dispatch finds it with dynamic_cast. Setting the key to 0 tells the form
// the key was used.
class IKeyHandling {
 public:
  virtual ~IKeyHandling() = default;
  virtual void HandleKeyDown(uint16_t& key, TShiftState shift) {}
  virtual void HandleKeyPress(char& key) {}
  virtual void HandleKeyUp(uint16_t& key, TShiftState shift) {}
  virtual TDialogCodes WantedKeys() const { return {}; }
};

}  // namespace pellor

#endif  // PELLOR_UI_KEYS_H_
