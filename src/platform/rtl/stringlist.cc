#include "platform/rtl/stringlist.h"

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

[[noreturn]] void ThrowIndexError(int index) {
  throw EConvertError("List index out of bounds (" + std::to_string(index) + ")");
}

inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The name part of a line: before the first "=", or nothing without one.
inline bool NameOf(std::string_view line, std::string_view& name) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  return true;
}

}  // namespace

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  return lines_[static_cast<size_t>(index)];
}

void TStringList::Set(int index, std::string line) {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  lines_[static_cast<size_t>(index)] = std::move(line);
}

int TStringList::Add(std::string line) {
  lines_.push_back(std::move(line));
  return Count() - 1;
}

void TStringList::Insert(int index, std::string line) {
  if (index < 0 || index > Count()) ThrowIndexError(index);
  lines_.insert(lines_.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  lines_.erase(lines_.begin() + index);
}

int TStringList::IndexOf(std::string_view line) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (SameText(lines_[i], line)) return static_cast<int>(i);
  }
  return -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view lineName;
    if (NameOf(lines_[i], lineName) && SameText(lineName, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TStringList::Names(int index) const {
  std::string_view name;
  return NameOf((*this)[index], name) ? std::string(name) : std::string();
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& line = (*this)[index];
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string TStringList::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line;
  line.reserve(name.size() + 1 + value.size());
  line.append(name).append(1, '=').append(value);
  if (index < 0) {
    lines_.push_back(std::move(line));
  } else {
    lines_[static_cast<size_t>(index)] = std::move(line);
  }
}

std::string TStringList::Text() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) text.append(line).append("\r\n");
  return text;
}

void TStringList::SetText(std::string_view text) {
  lines_.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    lines_.emplace_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::string TStringList::CommaText() const {
  if (lines_.size() == 1 && lines_[0].empty()) return "\"\"";
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    if (i > 0) text += ',';
    bool quote = false;
    for (char c : line) {
      if (IsBlankOrControl(c) || c == '"' || c == ',') {
        quote = true;
        break;
      }
    }
    if (!quote) {
      text += line;
      continue;
    }
    text += '"';
    for (char c : line) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

void TStringList::SetCommaText(std::string_view text) {
  // Unquoted items end at a comma or a blank; quoted items may hold both,
  // with inner quotes doubled. A final comma stands for a last empty item.
  lines_.clear();
  size_t pos = 0;
  const size_t n = text.size();
  auto skipBlanks = [&] {
    while (pos < n && IsBlankOrControl(text[pos])) ++pos;
  };
  skipBlanks();
  while (pos < n) {
    std::string item;
    if (text[pos] == '"') {
      ++pos;
      while (pos < n) {
        if (text[pos] == '"') {
          if (pos + 1 < n && text[pos + 1] == '"') {
            item += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        item += text[pos++];
      }
    } else {
      size_t start = pos;
      while (pos < n && !IsBlankOrControl(text[pos]) && text[pos] != ',') ++pos;
      item.assign(text.substr(start, pos - start));
    }
    lines_.push_back(std::move(item));
    skipBlanks();
    if (pos < n && text[pos] == ',') {
      ++pos;
      if (pos == n) lines_.emplace_back();
      skipBlanks();
    }
  }
}

}  // namespace pellor
