#include "platform/rtl/inifile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Names compare without ASCII case, but the second byte of a double-byte
// character (code pages 936 and 950, lead bytes 0x81-0xFE) may be an ASCII
// letter and must match exactly: folding it would make two different Chinese
// names equal.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 0x81 && x <= 0xFE) {
      if (x != y) return false;
      if (i + 1 < a.size()) {
        ++i;
        if (a[i] != b[i]) return false;
      }
      continue;
    }
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

struct Line {
  enum class Kind { kBlank, kComment, kSection, kKey, kMalformed };
  Kind kind = Kind::kBlank;
  std::string text;   // as in the file, without the line end
  std::string name;   // section name or key name, trimmed
  std::string value;  // key value, trimmed
};

Line ParseLine(std::string text) {
  Line line;
  std::string trimmed = Trim(text);
  if (trimmed.empty()) {
    line.kind = Line::Kind::kBlank;
  } else if (trimmed[0] == ';' || trimmed[0] == '#') {
    line.kind = Line::Kind::kComment;
  } else if (trimmed[0] == '[') {
    // The last "]" closes the name: a Big5 name may hold 0x5D as the second
    // byte of a character (A6 5D is "因").
    size_t close = trimmed.rfind(']');
    if (close == std::string::npos || close == 0) {
      line.kind = Line::Kind::kMalformed;
    } else {
      line.kind = Line::Kind::kSection;
      line.name = Trim(std::string_view(trimmed).substr(1, close - 1));
    }
  } else {
    size_t equals = trimmed.find('=');
    std::string name =
        equals == std::string::npos ? "" : Trim(std::string_view(trimmed).substr(0, equals));
    if (name.empty()) {
      line.kind = Line::Kind::kMalformed;
    } else {
      line.kind = Line::Kind::kKey;
      line.name = std::move(name);
      line.value = Trim(std::string_view(trimmed).substr(equals + 1));
    }
  }
  line.text = std::move(text);
  return line;
}

Line KeyLine(std::string_view key, std::string_view value) {
  std::string text(key);
  text += '=';
  text += value;
  return ParseLine(std::move(text));
}

// The file as a list of lines. Lines are kept as they were written, so that
// a write changes only the lines it means to change.
struct Document {
  std::string bom;
  std::vector<Line> lines;

  static Document Parse(std::string_view bytes) {
    Document doc;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
      doc.bom = std::string(kUtf8Bom);
      bytes.remove_prefix(kUtf8Bom.size());
    }
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
      std::string_view text = bytes.substr(start, (end == std::string_view::npos ? bytes.size() : end) - start);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      doc.lines.push_back(ParseLine(std::string(text)));
      start = next;
    }
    return doc;
  }

  std::string Serialize() const {
    std::string bytes = bom;
    for (const Line& line : lines) {
      bytes += line.text;
      bytes += "\r\n";
    }
    return bytes;
  }

  // [begin, end) line ranges of every occurrence of the section, header
  // included; a section written twice reads as one.
  std::vector<std::pair<size_t, size_t>> Occurrences(std::string_view section) const {
    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind != Line::Kind::kSection || !SameName(lines[i].name, section)) continue;
      size_t end = i + 1;
      while (end < lines.size() && lines[end].kind != Line::Kind::kSection) ++end;
      ranges.emplace_back(i, end);
      i = end - 1;
    }
    return ranges;
  }

  // The key lines of the section in file order.
  std::vector<size_t> KeyLines(std::string_view section) const {
    std::vector<size_t> result;
    for (auto [begin, end] : Occurrences(section)) {
      for (size_t i = begin + 1; i < end; ++i) {
        if (lines[i].kind == Line::Kind::kKey) result.push_back(i);
      }
    }
    return result;
  }

  // The first line of the key (the one a reader sees), if any.
  const Line* Find(std::string_view section, std::string_view key) const {
    for (size_t i : KeyLines(section)) {
      if (SameName(lines[i].name, key)) return &lines[i];
    }
    return nullptr;
  }
};

Document Load(const std::string& fileName) {
  std::optional<std::string> bytes = ReadFileBytes(fileName);
  return bytes ? Document::Parse(*bytes) : Document();
}

std::string FolderOf(const std::string& fileName) {
  size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

// Holds an exclusive lock on the file's folder for one read-change-write
// cycle, so that writers in other threads or processes never work from a
// copy that is about to be replaced. The file itself cannot carry the lock:
// every write replaces it with a new file by a rename.
class FolderLock {
 public:
  explicit FolderLock(const std::string& fileName) {
    // A link is written through to its target (see WriteFileBytes), so the
    // target's folder is the one to lock.
    std::string path = fileName;
    if (char* resolved = realpath(fileName.c_str(), nullptr)) {
      path = resolved;
      free(resolved);
    }
    fd_ = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;  // the write below reports what is wrong
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// A name or value that would change the file's structure when written (a
// line break would start a new key or section) is refused rather than
// written: the file would afterwards say something else than was stored.
void CheckWritable(const std::string& fileName, std::string_view section, std::string_view key,
                   std::string_view value, bool hasKey) {
  auto fail = [&](const std::string& why) {
    throw EInOutError("Cannot write [" + std::string(section) + "] " + std::string(key) +
                          " to " + fileName + ": " + why,
                      EINVAL);
  };
  auto hasLineBreak = [](std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
  };
  if (section.empty()) fail("the section name is empty");
  if (hasLineBreak(section)) fail("the section name holds a line break");
  if (!hasKey) return;
  if (key.empty()) fail("the key name is empty");
  if (hasLineBreak(key) || key.find('=') != std::string_view::npos) {
    fail("the key name holds a line break or \"=\"");
  }
  if (key[0] == '[' || key[0] == ';' || key[0] == '#') {
    fail("the key name starts with \"[\", \";\" or \"#\"");
  }
  if (hasLineBreak(value)) fail("the value holds a line break");
}

// Runs `change` on the file's current content and writes the result back
// when `change` reports a change.
template <typename Change>
void Modify(const std::string& fileName, Change change) {
  FolderLock lock(fileName);
  Document doc;
  std::optional<std::string> bytes = ReadFileBytes(fileName);
  if (bytes) {
    doc = Document::Parse(*bytes);
  } else {
    // Writing over a file we cannot read would throw away everything in it.
    // Only a file that is not there at all starts out empty.
    struct stat st;
    int error = 0;
    if (stat(fileName.c_str(), &st) != 0) {
      error = errno == ENOENT ? 0 : errno;
    } else if (S_ISDIR(st.st_mode)) {
      error = EISDIR;
    } else {
      error = access(fileName.c_str(), R_OK) == 0 ? EIO : errno;
    }
    if (error != 0) {
      throw EInOutError("Cannot read file '" + fileName + "': " + std::strerror(error), error);
    }
  }
  if (change(doc)) WriteFileBytes(fileName, doc.Serialize());
}

bool IsDecimalInteger(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  Document doc = Load(fileName_);
  const Line* line = doc.Find(Trim(section), Trim(key));
  return line != nullptr ? line->value : std::string(fallback);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  Document doc = Load(fileName_);
  const Line* line = doc.Find(Trim(section), Trim(key));
  if (line == nullptr || !IsDecimalInteger(line->value)) return fallback;
  std::optional<int> value = TryStrToInt(line->value);
  return value ? *value : fallback;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return !Load(fileName_).Occurrences(Trim(section)).empty();
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Load(fileName_).Find(Trim(section), Trim(key)) != nullptr;
}

void TIniFile::ReadSection(std::string_view section, TStringList& keys) const {
  Document doc = Load(fileName_);
  keys.Clear();
  for (size_t i : doc.KeyLines(Trim(section))) keys.Add(doc.lines[i].name);
}

void TIniFile::ReadSectionValues(std::string_view section, TStringList& lines) const {
  Document doc = Load(fileName_);
  lines.Clear();
  for (size_t i : doc.KeyLines(Trim(section))) {
    lines.Add(doc.lines[i].name + "=" + doc.lines[i].value);
  }
}

void TIniFile::ReadSections(TStringList& sections) const {
  Document doc = Load(fileName_);
  sections.Clear();
  std::vector<std::string> seen;
  for (const Line& line : doc.lines) {
    if (line.kind != Line::Kind::kSection) continue;
    bool known = false;
    for (const std::string& name : seen) known = known || SameName(name, line.name);
    if (known) continue;
    seen.push_back(line.name);
    sections.Add(line.name);
  }
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string sectionName = Trim(section);
  std::string keyName = Trim(key);
  CheckWritable(fileName_, sectionName, keyName, value, /*hasKey=*/true);
  Modify(fileName_, [&](Document& doc) {
    auto ranges = doc.Occurrences(sectionName);
    // The first line of the key is the one readers see: change that one,
    // keeping the key's spelling.
    for (size_t i : doc.KeyLines(sectionName)) {
      Line& line = doc.lines[i];
      if (!SameName(line.name, keyName)) continue;
      if (line.value == value) return false;
      line = KeyLine(line.name, value);
      return true;
    }
    if (ranges.empty()) {
      // A new section goes at the end, set off by a blank line.
      if (!doc.lines.empty() && doc.lines.back().kind != Line::Kind::kBlank) {
        doc.lines.push_back(Line());
      }
      doc.lines.push_back(ParseLine("[" + sectionName + "]"));
      doc.lines.push_back(KeyLine(keyName, value));
      return true;
    }
    // A new key goes after the last key of the section's first occurrence,
    // so that blank lines and the comments leading into the next section stay
    // where they are.
    auto [begin, end] = ranges.front();
    size_t at = begin + 1;
    for (size_t i = begin + 1; i < end; ++i) {
      if (doc.lines[i].kind == Line::Kind::kKey || doc.lines[i].kind == Line::Kind::kMalformed) {
        at = i + 1;
      }
    }
    doc.lines.insert(doc.lines.begin() + at, KeyLine(keyName, value));
    return true;
  });
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::string sectionName = Trim(section);
  std::string keyName = Trim(key);
  Modify(fileName_, [&](Document& doc) {
    // Every line of the key goes: with only the first removed, a duplicate
    // further down would come back to life.
    std::vector<size_t> doomed;
    for (size_t i : doc.KeyLines(sectionName)) {
      if (SameName(doc.lines[i].name, keyName)) doomed.push_back(i);
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
      doc.lines.erase(doc.lines.begin() + *it);
    }
    return !doomed.empty();
  });
}

void TIniFile::EraseSection(std::string_view section) {
  std::string sectionName = Trim(section);
  Modify(fileName_, [&](Document& doc) {
    auto ranges = doc.Occurrences(sectionName);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
      auto [begin, end] = *it;
      // Comment lines right above the next header introduce that section.
      if (end < doc.lines.size()) {
        while (end > begin + 1 && doc.lines[end - 1].kind == Line::Kind::kComment) --end;
      }
      doc.lines.erase(doc.lines.begin() + begin, doc.lines.begin() + end);
    }
    return !ranges.empty();
  });
}

}  // namespace pellor
