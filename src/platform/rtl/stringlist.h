// TStringList: an ordered list of text lines, most often "name=value" lines.
//
// System parameters, server settings, number maps, kept values and INI
// sections are all held this way. Look-up by name compares without regard to
// ASCII case; a missing name reads as the empty text.
#ifndef PELLOR_RTL_STRINGLIST_H_
#define PELLOR_RTL_STRINGLIST_H_

#include <string>
#include <string_view>
#include <vector>

namespace pellor {

class TStringList {
 public:
  TStringList() = default;
  explicit TStringList(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  // Line i; raises EConvertError("List index out of bounds (i)") when out of range.
  const std::string& operator[](int index) const;
  void Set(int index, std::string line);
  const std::vector<std::string>& Lines() const { return lines_; }

  int Add(std::string line);  // returns the new line's index
  void Insert(int index, std::string line);
  void Delete(int index);
  void Clear() { lines_.clear(); }

  // Index of the first line equal to `line` (without regard to case), or -1.
  int IndexOf(std::string_view line) const;
  // Index of the first line whose name equals `name` (without regard to
  // case), or -1. A line without "=" has no name.
  int IndexOfName(std::string_view name) const;

  // Part of line i before the first "=" (empty when it has none), and after it.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;

  // Value of the first line named `name`; empty when there is none.
  std::string Values(std::string_view name) const;
  // Replaces the value of the first line named `name`, or appends a line.
  // An empty value deletes the line, as the original list did.
  void SetValue(std::string_view name, std::string_view value);

  // All lines joined, each followed by CR LF.
  std::string Text() const;
  // Replaces the lines by the text split at CR LF, CR or LF; a final line
  // break does not make an empty last line.
  void SetText(std::string_view text);

  // Lines joined by ",", a line holding a blank, comma or quote is quoted with
  // doubled inner quotes; SetCommaText reads that form back.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  bool operator==(const TStringList& other) const { return lines_ == other.lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace pellor

#endif  // PELLOR_RTL_STRINGLIST_H_
