#include "host/script_parser.h"

#include <charconv>

#include "platform/rtl/strutils.h"
#include "platform/ui/menus.h"
#include "platform/ui/platform.h"

namespace tamlo {
namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; }

// A cell coordinate: a decimal number from 0, nothing else.
bool ParseIndex(const std::string& word, int& value) {
  if (word.empty()) return false;
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  return ec == std::errc() && ptr == end && value >= 0;
}

class LineParser {
 public:
  LineParser(const std::string& fileName, int line) : fileName_(fileName), line_(line) {}

  [[noreturn]] void Fail(const std::string& message) const {
    throw ScriptError(fileName_ + ":" + std::to_string(line_) + ": " + message);
  }

  void CountIs(const std::vector<std::string>& words, size_t low, size_t high,
               const char* usage) const {
    if (words.size() < low || words.size() > high) Fail(std::string("usage: ") + usage);
  }

  int Index(const std::string& word, const char* what) const {
    int value = 0;
    if (!ParseIndex(word, value)) Fail(std::string(what) + " '" + word + "' is no number from 0");
    return value;
  }

  ScriptStep Parse(std::vector<std::string> words) const {
    ScriptStep step;
    step.line = line_;
    std::string command = pellor::LowerCase(words.front());
    words.erase(words.begin());
    if (command == "key") {
      CountIs(words, 1, SIZE_MAX, "key KEY...");
      step.kind = StepKind::kKey;
      for (const std::string& name : words) {
        std::optional<pellor::TShortCut> shortCut = pellor::TryTextToShortCut(name);
        if (!shortCut.has_value() || *shortCut == pellor::scNone) Fail("unknown key '" + name + "'");
        KeyStroke stroke;
        stroke.key = static_cast<uint16_t>(*shortCut & 0x1FFF);
        stroke.shift = (*shortCut & pellor::scShift) != 0;
        stroke.ctrl = (*shortCut & pellor::scCtrl) != 0;
        stroke.alt = (*shortCut & pellor::scAlt) != 0;
        step.keys.push_back(stroke);
      }
    } else if (command == "type") {
      CountIs(words, 1, 2, "type [CONTROL] TEXT");
      step.kind = StepKind::kType;
      if (words.size() == 1) words.insert(words.begin(), "");
    } else if (command == "click" || command == "focus") {
      CountIs(words, 1, 1, command == "click" ? "click NAME" : "focus CONTROL");
      step.kind = command == "click" ? StepKind::kClick : StepKind::kFocus;
    } else if (command == "dblclick" || command == "rightclick" || command == "check" ||
               command == "uncheck") {
      CountIs(words, 1, 1, (command + " CONTROL").c_str());
      step.kind = command == "dblclick"     ? StepKind::kDblClick
                  : command == "rightclick" ? StepKind::kRightClick
                  : command == "check"      ? StepKind::kCheck
                                            : StepKind::kUncheck;
    } else if (command == "choose") {
      CountIs(words, 2, 2, "choose CONTROL ITEM");
      step.kind = StepKind::kChoose;
    } else if (command == "page") {
      CountIs(words, 2, 2, "page PAGECONTROL PAGE");
      step.kind = StepKind::kPage;
    } else if (command == "cell") {
      CountIs(words, 3, 3, "cell GRID COL ROW");
      step.kind = StepKind::kCell;
      step.col = Index(words[1], "column");
      step.row = Index(words[2], "row");
    } else if (command == "row") {
      CountIs(words, 2, 2, "row GRID ROW");
      step.kind = StepKind::kRow;
      step.row = Index(words[1], "row");
    } else if (command == "answer") {
      CountIs(words, 1, 1, "answer BUTTON");
      step.kind = StepKind::kAnswer;
      if (pellor::ModalResultOfButton(words[0]) < 0) {
        Fail("'" + words[0] + "' is no dialog button (Yes, No, OK, Cancel, Abort, Retry, Ignore, "
             "All, NoToAll, YesToAll, Help)");
      }
    } else if (command == "popup") {
      CountIs(words, 1, 1, "popup ITEM");
      step.kind = StepKind::kPopup;
    } else if (command == "close" || command == "snapshot") {
      CountIs(words, 0, 1, command == "close" ? "close [WINDOW]" : "snapshot [FILE]");
      step.kind = command == "close" ? StepKind::kClose : StepKind::kSnapshot;
      if (words.empty()) words.emplace_back();
    } else if (command == "expect") {
      ParseExpect(words, step);
    } else {
      Fail("unknown step '" + command + "'");
    }
    step.words = std::move(words);
    return step;
  }

 private:
  void ParseExpect(std::vector<std::string>& words, ScriptStep& step) const {
    static constexpr char kUsage[] =
        "expect NAME PROPERTY VALUE | expect cell GRID COL ROW VALUE | expect dialog TEXT | "
        "expect no dialog | expect window NAME";
    std::string first = words.empty() ? "" : pellor::LowerCase(words[0]);
    if (words.size() == 5 && first == "cell") {
      step.kind = StepKind::kExpectCell;
      step.col = Index(words[2], "column");
      step.row = Index(words[3], "row");
      words.erase(words.begin());
    } else if (words.size() == 2 && first == "dialog") {
      step.kind = StepKind::kExpectDialog;
      words.erase(words.begin());
    } else if (words.size() == 2 && first == "no" && pellor::LowerCase(words[1]) == "dialog") {
      step.kind = StepKind::kExpectNoDialog;
      words.clear();
    } else if (words.size() == 2 && first == "window") {
      step.kind = StepKind::kExpectWindow;
      words.erase(words.begin());
    } else if (words.size() == 3) {
      step.kind = StepKind::kExpectProperty;
    } else {
      Fail(std::string("usage: ") + kUsage);
    }
  }

  const std::string& fileName_;
  int line_;
};

}  // namespace

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && !IsBlank(line[i])) word += line[i++];
      words.push_back(std::move(word));
      continue;
    }
    ++i;
    bool closed = false;
    while (i < line.size()) {
      char ch = line[i++];
      if (ch == '"') {
        closed = true;
        break;
      }
      if (ch != '\\') {
        word += ch;
        continue;
      }
      if (i >= line.size()) break;
      char escaped = line[i++];
      switch (escaped) {
        case '"': word += '"'; break;
        case '\\': word += '\\'; break;
        case 'n': word += '\n'; break;
        case 'r': word += '\r'; break;
        case 't': word += '\t'; break;
        default:
          throw ScriptError(std::string("unknown escape \\") + escaped + " in quoted text");
      }
    }
    if (!closed) throw ScriptError("quoted text without its closing \"");
    if (i < line.size() && !IsBlank(line[i])) {
      throw ScriptError("quoted text must be followed by a blank");
    }
    words.push_back(std::move(word));
  }
  return words;
}

Script ParseScript(std::string_view text, const std::string& fileName) {
  Script script;
  script.fileName = fileName;
  int lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    // A byte-order mark is what some editors put before UTF-8 text.
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == '#') continue;
    LineParser parser(fileName, lineNumber);
    std::vector<std::string> words;
    try {
      words = SplitWords(line);
    } catch (const ScriptError& error) {
      parser.Fail(error.what());
    }
    script.steps.push_back(parser.Parse(std::move(words)));
  }
  return script;
}

}  // namespace tamlo
