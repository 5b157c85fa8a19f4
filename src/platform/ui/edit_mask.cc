#include "platform/ui/edit_mask.h"

#include <algorithm>

namespace pellor {

const char* const kEditMaskInvalidInput = "Invalid input value. Use escape key to abandon changes";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char ApplyCase(char c, EditMask::Case letterCase) {
  if (letterCase == EditMask::Case::kUpper && c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
  if (letterCase == EditMask::Case::kLower && c >= 'A' && c <= 'Z') return static_cast<char>(c + 32);
  return c;
}

// Offsets of the ";" that end the first and second fields; a "\" escapes the
// character after it, ";" included.
std::vector<size_t> FieldSeparators(std::string_view mask) {
  std::vector<size_t> separators;
  for (size_t i = 0; i < mask.size() && separators.size() < 2; ++i) {
    if (mask[i] == '\\') {
      ++i;
    } else if (mask[i] == ';') {
      separators.push_back(i);
    }
  }
  return separators;
}

}  // namespace

EditMask::EditMask(std::string_view mask, int codePage) : mask_(mask) {
  std::vector<size_t> separators = FieldSeparators(mask);
  std::string_view body = mask.substr(0, separators.empty() ? mask.size() : separators[0]);
  if (!separators.empty()) {
    size_t flagStart = separators[0] + 1;
    size_t flagEnd = separators.size() > 1 ? separators[1] : mask.size();
    saveLiterals_ = mask.substr(flagStart, flagEnd - flagStart) != "0";
    if (separators.size() > 1 && separators[1] + 1 < mask.size()) blank_ = mask[separators[1] + 1];
  }

  Case letterCase = Case::kKeep;
  auto add = [&](Kind kind, char literal) {
    Position position;
    position.kind = kind;
    position.literal = literal;
    position.letterCase = letterCase;
    positions_.push_back(position);
  };
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    switch (c) {
      case '!':
        leadingBlanks_ = true;
        break;
      case '>':
        letterCase = Case::kUpper;
        break;
      case '<':
        if (i + 1 < body.size() && body[i + 1] == '>') {
          letterCase = Case::kKeep;
          ++i;
        } else {
          letterCase = Case::kLower;
        }
        break;
      case '\\':
        // A trailing "\" has nothing to escape and stands for itself.
        add(Kind::kLiteral, i + 1 < body.size() ? body[++i] : c);
        break;
      case '_':
        add(Kind::kLiteral, ' ');
        break;
      case '0':
        add(Kind::kDigit, 0);
        break;
      case '9':
        add(Kind::kDigitOptional, 0);
        break;
      case '#':
        add(Kind::kDigitOrSign, 0);
        break;
      case 'L':
        add(Kind::kLetter, 0);
        break;
      case 'l':
        add(Kind::kLetterOptional, 0);
        break;
      case 'A':
        add(Kind::kAlnum, 0);
        break;
      case 'a':
        add(Kind::kAlnumOptional, 0);
        break;
      case 'C':
        add(Kind::kAny, 0);
        break;
      case 'c':
        add(Kind::kAnyOptional, 0);
        break;
      default:
        add(Kind::kLiteral, c);
        // The second byte of a double-byte literal may look like a mask
        // character ("L" is a trail byte in both Chinese code pages).
        if (IsLeadByte(static_cast<unsigned char>(c), codePage) && i + 1 < body.size()) {
          add(Kind::kLiteral, body[++i]);
        }
        break;
    }
  }
}

size_t EditMask::EditableCount() const {
  size_t count = 0;
  for (const Position& position : positions_) count += position.IsLiteral() ? 0 : 1;
  return count;
}

std::string EditMask::EmptyText() const { return FormatValue(""); }

std::string EditMask::FormatValue(std::string_view value) const {
  if (IsEmpty()) return std::string(value);
  const size_t length = positions_.size();
  std::string text(length, blank_);
  for (size_t i = 0; i < length; ++i) {
    if (positions_[i].IsLiteral()) text[i] = positions_[i].literal;
  }
  auto place = [&](size_t index, char c) {
    if (std::optional<char> accepted = AcceptChar(c, index); accepted && !IsUnfilled(*accepted)) {
      text[index] = *accepted;
    }
  };

  bool laidOut = saveLiterals_;
  if (laidOut && value.size() == EditableCount() && value.size() != length) {
    bool literalsMatch = true;
    for (size_t i = 0; i < value.size(); ++i) {
      if (positions_[i].IsLiteral() && value[i] != positions_[i].literal) literalsMatch = false;
    }
    laidOut = literalsMatch;
  }

  if (laidOut) {
    // Position by position; with "!" a short value ends at the last position.
    size_t shift = leadingBlanks_ && value.size() < length ? length - value.size() : 0;
    for (size_t i = 0; i < value.size() && i + shift < length; ++i) {
      if (!positions_[i + shift].IsLiteral()) place(i + shift, value[i]);
    }
    return text;
  }

  std::vector<size_t> editable;
  for (size_t i = 0; i < length; ++i) {
    if (!positions_[i].IsLiteral()) editable.push_back(i);
  }
  if (leadingBlanks_) {
    // Right-aligned: the last characters fill the last positions.
    size_t count = std::min(value.size(), editable.size());
    for (size_t k = 0; k < count; ++k) {
      place(editable[editable.size() - count + k], value[value.size() - count + k]);
    }
  } else {
    for (size_t k = 0; k < value.size() && k < editable.size(); ++k) place(editable[k], value[k]);
  }
  return text;
}

std::optional<char> EditMask::AcceptChar(char c, size_t position) const {
  if (position >= positions_.size()) return std::nullopt;
  const Position& at = positions_[position];
  if (at.IsLiteral()) return std::nullopt;
  if (!at.IsRequired() && IsUnfilled(c)) return c;
  bool ok = false;
  switch (at.kind) {
    case Kind::kDigit:
    case Kind::kDigitOptional:
      ok = IsDigit(c);
      break;
    case Kind::kDigitOrSign:
      ok = IsDigit(c) || c == '+' || c == '-';
      break;
    case Kind::kLetter:
    case Kind::kLetterOptional:
      ok = IsLetter(c);
      break;
    case Kind::kAlnum:
    case Kind::kAlnumOptional:
      ok = IsLetter(c) || IsDigit(c);
      break;
    case Kind::kAny:
      ok = static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && !IsUnfilled(c);
      break;
    case Kind::kAnyOptional:
      ok = static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
      break;
    case Kind::kLiteral:
      break;
  }
  if (!ok) return std::nullopt;
  return ApplyCase(c, at.letterCase);
}

size_t EditMask::NextEditable(size_t from) const {
  for (size_t i = from; i < positions_.size(); ++i) {
    if (!positions_[i].IsLiteral()) return i;
  }
  return positions_.size();
}

size_t EditMask::PreviousEditable(size_t from) const {
  if (positions_.empty()) return std::string::npos;
  for (size_t i = std::min(from, positions_.size() - 1) + 1; i-- > 0;) {
    if (!positions_[i].IsLiteral()) return i;
  }
  return std::string::npos;
}

bool EditMask::TypeChar(std::string& editText, size_t& cursor, char c) const {
  if (IsEmpty()) {
    editText.insert(std::min(cursor, editText.size()), 1, c);
    ++cursor;
    return true;
  }
  if (editText.size() != positions_.size()) editText = FormatValue(ExtractValue(editText));
  size_t at = NextEditable(cursor);
  if (std::optional<char> accepted = AcceptChar(c, at)) {
    editText[at] = IsUnfilled(*accepted) ? blank_ : *accepted;
    cursor = at + 1;
    return true;
  }
  // A separator typed early skips the positions before it. The cursor stays
  // before a literal it reached by typing, so "2008/" meets the first "/".
  for (size_t i = cursor; i < positions_.size(); ++i) {
    if (positions_[i].IsLiteral() && positions_[i].literal == c) {
      cursor = NextEditable(i + 1);
      return true;
    }
  }
  return false;
}

char EditMask::CharAt(std::string_view editText, size_t index) const {
  return index < editText.size() ? editText[index] : blank_;
}

bool EditMask::IsComplete(std::string_view editText) const {
  for (size_t i = 0; i < positions_.size(); ++i) {
    if (!positions_[i].IsLiteral() && !AcceptChar(CharAt(editText, i), i)) return false;
  }
  return true;
}

void EditMask::Validate(std::string_view editText) const {
  for (size_t i = 0; i < positions_.size(); ++i) {
    if (!positions_[i].IsLiteral() && !AcceptChar(CharAt(editText, i), i)) {
      throw EDBEditError(kEditMaskInvalidInput, i);
    }
  }
}

bool EditMask::IsBlank(std::string_view editText) const {
  for (size_t i = 0; i < positions_.size(); ++i) {
    if (!positions_[i].IsLiteral() && !IsUnfilled(CharAt(editText, i))) return false;
  }
  return true;
}

std::string EditMask::ExtractValue(std::string_view editText) const {
  if (IsEmpty()) return std::string(editText);
  std::string value;
  value.reserve(positions_.size());
  for (size_t i = 0; i < positions_.size(); ++i) {
    const Position& at = positions_[i];
    if (at.IsLiteral()) {
      if (saveLiterals_) value.push_back(at.literal);
      continue;
    }
    char c = CharAt(editText, i);
    value.push_back(IsUnfilled(c) ? ' ' : c);
  }
  if (saveLiterals_) return value;
  if (leadingBlanks_) {
    size_t first = value.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first);
  }
  size_t last = value.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : value.substr(0, last + 1);
}

}  // namespace pellor
