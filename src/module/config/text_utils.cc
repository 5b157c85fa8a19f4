#include "module/config/text_utils.h"

#include "platform/rtl/codepage.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"

namespace pevf {

std::string PadLeft(std::string_view text, int width, char fill) {
  std::string result;
  if (width > 0 && text.size() < static_cast<size_t>(width)) {
    result.assign(static_cast<size_t>(width) - text.size(), fill);
  }
  result.append(text);
  return result;
}

std::string PadRight(std::string_view text, int width, char fill) {
  std::string result(text);
  if (width > 0 && result.size() < static_cast<size_t>(width)) {
    result.append(static_cast<size_t>(width) - result.size(), fill);
  }
  return result;
}

std::string GetToken(std::string_view text, std::string_view separator, int n) {
  if (n < 1) return std::string();
  if (separator.empty()) return n == 1 ? std::string(text) : std::string();
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    size_t found = text.find(separator, start);
    if (found == std::string_view::npos) return std::string();
    start = found + separator.size();
  }
  size_t end = text.find(separator, start);
  if (end == std::string_view::npos) end = text.size();
  return std::string(text.substr(start, end - start));
}

int CountFields(std::string_view text, std::string_view separator) {
  if (text.empty()) return 0;
  if (separator.empty()) return 1;
  int count = 1;
  for (size_t found = text.find(separator); found != std::string_view::npos;
       found = text.find(separator, found + separator.size())) {
    ++count;
  }
  return count;
}

std::string SplitFirst(std::string& text, std::string_view separator) {
  size_t found = separator.empty() ? std::string::npos : text.find(separator);
  std::string head;
  if (found == std::string::npos) {
    head.swap(text);
    text.clear();
  } else {
    head = text.substr(0, found);
    text.erase(0, found + separator.size());
  }
  return head;
}

std::string IntToZeroStr(int width, int64_t value) {
  return pellor::Format("%.*d", {width, value});
}

std::string ReplaceAll(std::string_view text, std::string_view oldText,
                       std::string_view newText, bool trim) {
  std::string result(text);
  if (!oldText.empty() && !pellor::SameText(oldText, newText)) {
    if (newText.find(oldText) != std::string_view::npos) {
      result = pellor::StringReplaceAll(result, oldText, newText);
    } else {
      // Text before the last replacement held no occurrence, so a new one can
      // start at the earliest where it overlaps the inserted text.
      size_t from = 0;
      for (size_t found = result.find(oldText, from); found != std::string::npos;
           found = result.find(oldText, from)) {
        result.replace(found, oldText.size(), newText);
        from = found >= oldText.size() - 1 ? found - (oldText.size() - 1) : 0;
      }
    }
  }
  return trim ? pellor::Trim(result) : result;
}

bool IsLocalHost(std::string_view host) { return host == "127.0.0.1"; }

std::string ButtonCaption(std::string_view buttonName) {
  struct Caption {
    const char* name;
    const char* utf8;
  };
  static const Caption kCaptions[] = {
      {"Yes", "是(&Y)"},        {"No", "否(&N)"},         {"OK", "确定"},
      {"Cancel", "取消"},       {"Abort", "中断(&A)"},    {"Retry", "重试(&R)"},
      {"Ignore", "忽略(&I)"},   {"All", "全部(&A)"},      {"NoToAll", "全否(&o)"},
      {"YesToAll", "全是(&A)"}, {"Help", "帮助(&H)"},
  };
  for (const Caption& caption : kCaptions) {
    if (buttonName == caption.name) return pellor::Cp936(caption.utf8);
  }
  return std::string(buttonName);
}

}  // namespace pevf
