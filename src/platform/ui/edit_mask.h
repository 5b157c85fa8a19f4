// Input masks of masked editors, in the mask syntax the system's field kinds
// and forms are written in ("9999/99/99;1; ", "99:99;1; ", "###.##%;1; ").
//
// A mask has up to three fields separated by ";":
//   1. the positions. Each character is one position of the edit text:
//        0  digit, required          9  digit, optional
//        #  digit or sign, optional
//        L  letter, required         l  letter, optional
//        A  letter or digit, required a  letter or digit, optional
//        C  any character, required  c  any character, optional
//        _  a literal blank
//        \  the next character is a literal
//      and the directives, which take no position:
//        !  unfilled optional positions lead the value instead of trailing it
//        >  letters that follow are upper-cased (until "<")
//        <  letters that follow are lower-cased (until ">"); "<>" ends both
//      Any other character is a literal that the edit shows and the user
//      types over ("/" and ":" included: a mask built with its own
//      separators shows exactly those). A double-byte character is two
//      literal positions.
//   2. "0" keeps the literals out of the value; anything else (the default)
//      keeps them in, so that "99:99;1; " gives values such as "12:30".
//   3. the placeholder that shows an unfilled position (default "_").
//
// Texts are byte strings; letters and digits are ASCII.
#ifndef PELLOR_UI_EDIT_MASK_H_
#define PELLOR_UI_EDIT_MASK_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"

namespace pellor {

// The edit text does not fill the mask. `Position` is the first position at
// fault, where the editor puts the cursor.
class EDBEditError : public Exception {
 public:
  EDBEditError(const std::string& message, size_t position)
      : Exception(message), position_(position) {}
  const char* ClassName() const override { return "EDBEditError"; }
  size_t Position() const { return position_; }

 private:
  size_t position_;
};

// The message of EDBEditError.
extern const char* const kEditMaskInvalidInput;

class EditMask {
 public:
  enum class Kind {
    kLiteral,
    kDigit,         // 0
    kDigitOptional, // 9
    kDigitOrSign,   // #
    kLetter,        // L
    kLetterOptional,// l
    kAlnum,         // A
    kAlnumOptional, // a
    kAny,           // C
    kAnyOptional,   // c
  };
  enum class Case { kKeep, kUpper, kLower };

  struct Position {
    Kind kind = Kind::kLiteral;
    char literal = 0;  // the character shown, for literal positions
    Case letterCase = Case::kKeep;

    bool IsLiteral() const { return kind == Kind::kLiteral; }
    bool IsRequired() const {
      return kind == Kind::kDigit || kind == Kind::kLetter || kind == Kind::kAlnum ||
             kind == Kind::kAny;
    }
  };

  // An empty mask: no positions; every text passes unchanged.
  EditMask() = default;
  // Parses a mask; never fails (every character means something). Bytes that
  // lead a double-byte character of `codePage` take the next byte with them
  // as a literal.
  explicit EditMask(std::string_view mask, int codePage = kCodePageGB);

  bool IsEmpty() const { return positions_.empty(); }
  const std::string& MaskText() const { return mask_; }
  size_t Length() const { return positions_.size(); }
  const Position& At(size_t index) const { return positions_[index]; }
  bool SaveLiterals() const { return saveLiterals_; }
  char Blank() const { return blank_; }
  bool LeadingBlanks() const { return leadingBlanks_; }
  size_t EditableCount() const;

  // What an empty editor shows: the literals, and the placeholder elsewhere
  // ("    /  /  " for "9999/99/99;1; ").
  std::string EmptyText() const;

  // The edit text for a value. With the literals kept, the value is read
  // position by position ("2008/05/01"), except that a value exactly as long
  // as the editable positions whose characters at the literal positions are
  // not those literals is taken as the bare characters, so that stored
  // "20080501" and "1230" show as "2008/05/01" and "12:30". Without the
  // literals the characters fill the editable positions, from the left, or
  // from the right with "!". A character the position does not accept shows
  // as the placeholder; letters take the position's case.
  std::string FormatValue(std::string_view value) const;

  // The character as it would be stored at `position` (case applied), or
  // nullopt when it may not go there: a literal position, past the end, or a
  // character of the wrong class. An optional position also takes a blank or
  // the placeholder, which leave it unfilled.
  std::optional<char> AcceptChar(char c, size_t position) const;
  bool IsValidChar(char c, size_t position) const { return AcceptChar(c, position).has_value(); }

  // The first editable position at or after `from` (Length() when none), and
  // the last at or before `from` (npos when none).
  size_t NextEditable(size_t from) const;
  size_t PreviousEditable(size_t from) const;

  // Typing one character at `cursor` into an edit text, as a masked editor
  // does: a character that fits the first editable position at or after the
  // cursor goes there and the cursor moves just past it; a character that
  // does not fit but equals a literal at or after the cursor moves the cursor
  // past that literal ("15.5" into "###.##%;1; " gives "15 .5 %", "2008/5/1"
  // into "9999/99/99;1; " gives "2008/5 /1 "). False, with nothing changed,
  // when the character is refused.
  bool TypeChar(std::string& editText, size_t& cursor, char c) const;

  // True when every required position holds an accepted character and every
  // filled optional position too.
  bool IsComplete(std::string_view editText) const;
  // Raises EDBEditError at the first position at fault when !IsComplete.
  void Validate(std::string_view editText) const;
  // True when no editable position is filled.
  bool IsBlank(std::string_view editText) const;

  // The value of an edit text: placeholders become blanks; without the
  // literals kept, literals are removed and the blanks of unfilled positions
  // trimmed at the end (at the start with "!"). With the literals kept the
  // value keeps the layout, so that an empty "99:99;1; " editor gives
  // "  :  ", which the field kinds read as "no time".
  std::string ExtractValue(std::string_view editText) const;

 private:
  bool IsUnfilled(char c) const { return c == blank_ || c == ' '; }
  char CharAt(std::string_view editText, size_t index) const;

  std::string mask_;
  std::vector<Position> positions_;
  bool saveLiterals_ = true;
  char blank_ = '_';
  bool leadingBlanks_ = false;
};

}  // namespace pellor

#endif  // PELLOR_UI_EDIT_MASK_H_
