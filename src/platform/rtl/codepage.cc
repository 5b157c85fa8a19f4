#include "platform/rtl/codepage.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <sys/stat.h>

#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// Stands for the process's UTF-16 in descriptor keys.
constexpr int kWideSide = -1;

constexpr char16_t kReplacementChar = 0xFFFD;

const char* WideIconvName() {
  return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

// The iconv name of a code page number. Numbers we do not name ourselves are
// tried as "CPn", which covers the Windows single-byte pages glibc carries.
std::string IconvName(int codePage) {
  switch (codePage) {
    case kWideSide:
      return WideIconvName();
    case kCodePageGB:
      return "CP936";
    case kCodePageBig5:
      return "CP950";
    case kCodePageEnglish:
      return "CP437";
    case kCodePageUtf8:
      return "UTF-8";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 54936:
      return "GB18030";
    default:
      return "CP" + std::to_string(codePage);
  }
}

// Code pages whose bytes below 0x80 are ASCII and never part of a multi-byte
// character, so that pure ASCII text needs no iconv call.
bool IsAsciiCompatible(int codePage) {
  return codePage == kCodePageGB || codePage == kCodePageBig5 ||
         codePage == kCodePageEnglish || codePage == kCodePageUtf8;
}

// iconv_t carries shift state and is not safe to share between threads, and
// opening one costs far more than converting a grid cell. Each thread keeps
// its own descriptors, one per direction, for as long as it lives.
class DescriptorCache {
 public:
  DescriptorCache() = default;
  DescriptorCache(const DescriptorCache&) = delete;
  DescriptorCache& operator=(const DescriptorCache&) = delete;
  ~DescriptorCache() {
    for (const Entry& entry : entries_) {
      if (entry.cd != kInvalid) iconv_close(entry.cd);
    }
  }

  // The descriptor from `from` to `to`, reset to its initial state, or
  // kInvalid when iconv does not know one of the two code pages.
  iconv_t Get(int from, int to) {
    for (const Entry& entry : entries_) {
      if (entry.from == from && entry.to == to) {
        if (entry.cd != kInvalid) iconv(entry.cd, nullptr, nullptr, nullptr, nullptr);
        return entry.cd;
      }
    }
    // A failed open is remembered too: an unknown code page stays unknown.
    iconv_t cd = iconv_open(IconvName(to).c_str(), IconvName(from).c_str());
    entries_.push_back({from, to, cd});
    return cd;
  }

  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

 private:
  struct Entry {
    int from;
    int to;
    iconv_t cd;
  };
  std::vector<Entry> entries_;
};

iconv_t Descriptor(int from, int to) {
  thread_local DescriptorCache cache;
  return cache.Get(from, to);
}

// Code page 0 stands for the machine's code page, as the original platform's
// CP_ACP did.
int ResolveCodePage(int codePage) {
  return codePage == 0 ? SystemCodePage() : codePage;
}

bool AllAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool AllAscii(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Narrow to UTF-16. Lossy: an undecodable byte (a truncated character at the
// end included) becomes U+FFFD and decoding resumes at the next byte.
std::optional<std::u16string> Decode(std::string_view text, int codePage, bool lossy) {
  codePage = ResolveCodePage(codePage);
  if (text.empty()) return std::u16string();
  if (IsAsciiCompatible(codePage) && AllAscii(text)) {
    return std::u16string(text.begin(), text.end());
  }
  iconv_t cd = Descriptor(codePage, kWideSide);
  if (cd == DescriptorCache::kInvalid) {
    if (!lossy) return std::nullopt;
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(c < 0x80 ? c : kReplacementChar);
    return out;
  }

  // One unit per input byte is enough for every code page we name (a UTF-8 or
  // GB18030 surrogate pair takes four bytes); E2BIG grows it anyway.
  std::u16string out(text.size() + 4, u'\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  size_t used = 0;  // units written
  while (true) {
    char* outPtr = reinterpret_cast<char*>(out.data() + used);
    size_t outLeft = (out.size() - used) * sizeof(char16_t);
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    int error = errno;
    used = (reinterpret_cast<char16_t*>(outPtr) - out.data());
    if (rc != static_cast<size_t>(-1)) break;
    if (error == E2BIG) {
      out.resize(out.size() * 2 + 8);
      continue;
    }
    if (error != EILSEQ && error != EINVAL) return std::nullopt;
    if (!lossy) return std::nullopt;
    if (used == out.size()) out.resize(out.size() * 2 + 8);
    out[used++] = kReplacementChar;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (inLeft == 0) break;
  }
  out.resize(used);
  return out;
}

// UTF-16 to narrow. Lossy: a character the code page lacks (or a broken
// surrogate) becomes `replacement` and encoding resumes after it.
std::optional<std::string> Encode(std::u16string_view text, int codePage, bool lossy) {
  codePage = ResolveCodePage(codePage);
  if (text.empty()) return std::string();
  if (IsAsciiCompatible(codePage) && AllAscii(text)) {
    return std::string(text.begin(), text.end());
  }
  // Windows writes U+FFFD for what UTF-8 cannot hold (a lone surrogate);
  // every other code page gets the familiar "?".
  const std::string_view replacement =
      codePage == kCodePageUtf8 ? std::string_view("\xEF\xBF\xBD") : std::string_view("?");
  iconv_t cd = Descriptor(kWideSide, codePage);
  if (cd == DescriptorCache::kInvalid) {
    if (!lossy) return std::nullopt;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        continue;
      }
      // One replacement per character, not per surrogate half.
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        ++i;
      }
      out.append(replacement);
    }
    return out;
  }

  std::string out(text.size() * 3 + 8, '\0');
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  size_t inLeft = text.size() * sizeof(char16_t);
  size_t used = 0;
  auto flush = [&]() -> bool {
    // Stateful encodings (none of ours, but cheap to honour) end in their
    // initial shift state.
    while (true) {
      char* outPtr = out.data() + used;
      size_t outLeft = out.size() - used;
      size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
      int error = errno;
      used = outPtr - out.data();
      if (rc != static_cast<size_t>(-1)) return true;
      if (error != E2BIG) return false;
      out.resize(out.size() * 2 + 8);
    }
  };
  while (true) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    int error = errno;
    used = outPtr - out.data();
    if (rc != static_cast<size_t>(-1)) break;
    if (error == E2BIG) {
      out.resize(out.size() * 2 + 8);
      continue;
    }
    if (error != EILSEQ && error != EINVAL) return std::nullopt;
    if (!lossy) return std::nullopt;
    // Skip the whole character: both halves of a valid surrogate pair.
    const char16_t* unit = reinterpret_cast<const char16_t*>(in);
    size_t units = inLeft / sizeof(char16_t);
    size_t skip = 1;
    if (units >= 2 && unit[0] >= 0xD800 && unit[0] <= 0xDBFF && unit[1] >= 0xDC00 &&
        unit[1] <= 0xDFFF) {
      skip = 2;
    }
    if (!flush()) return std::nullopt;
    if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + 8);
    out.replace(used, replacement.size(), replacement);
    used += replacement.size();
    in += skip * sizeof(char16_t);
    inLeft -= skip * sizeof(char16_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (inLeft == 0) break;
  }
  if (!flush()) return std::nullopt;
  out.resize(used);
  return out;
}

// The codeset part of a locale name: "zh_CN.GBK@x" → "GBK"; normalised to
// upper case without "-" and "_" so that "big5-hkscs" and "BIG5HKSCS" meet.
std::string NormalizedCodeset(std::string_view locale) {
  size_t dot = locale.find('.');
  if (dot == std::string_view::npos) return "";
  std::string_view codeset = locale.substr(dot + 1);
  codeset = codeset.substr(0, codeset.find('@'));
  std::string result;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    result.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return result;
}

// The code page of the locale the environment selects, read the way
// setlocale(LC_CTYPE, "") would pick the variable, but without changing the
// process's locale.
int LocaleCodePage() {
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  std::string codeset = NormalizedCodeset(locale);
  if (codeset.empty()) {
    // Without a codeset glibc's Chinese locales use their traditional ones:
    // zh_CN and zh_SG GB2312, zh_TW BIG5, zh_HK BIG5-HKSCS.
    std::string_view lang = locale.substr(0, locale.find('@'));
    if (lang == "zh_CN" || lang == "zh_SG") return kCodePageGB;
    if (lang == "zh_TW" || lang == "zh_HK") return kCodePageBig5;
    return kCodePageEnglish;
  }
  if (codeset == "GBK" || codeset == "GB2312" || codeset == "GB18030" || codeset == "EUCCN" ||
      codeset == "CP936") {
    return kCodePageGB;
  }
  if (codeset == "BIG5" || codeset == "BIG5HKSCS" || codeset == "CP950" || codeset == "EUCTW") {
    return kCodePageBig5;
  }
  return kCodePageEnglish;
}

}  // namespace

std::optional<std::u16string> TryAnsiToWide(std::string_view text, int codePage) {
  return Decode(text, codePage, /*lossy=*/false);
}

std::optional<std::string> TryWideToAnsi(std::u16string_view text, int codePage) {
  return Encode(text, codePage, /*lossy=*/false);
}

std::u16string AnsiToWide(std::string_view text, int codePage) {
  std::optional<std::u16string> wide = Decode(text, codePage, /*lossy=*/true);
  return wide ? std::move(*wide) : std::u16string();
}

std::string WideToAnsi(std::u16string_view text, int codePage) {
  std::optional<std::string> narrow = Encode(text, codePage, /*lossy=*/true);
  return narrow ? std::move(*narrow) : std::string();
}

std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage) {
  fromCodePage = ResolveCodePage(fromCodePage);
  toCodePage = ResolveCodePage(toCodePage);
  if (fromCodePage == toCodePage) return std::string(text);
  return WideToAnsi(AnsiToWide(text, fromCodePage), toCodePage);
}

std::u16string Utf8ToWide(std::string_view text) { return AnsiToWide(text, kCodePageUtf8); }

std::string WideToUtf8(std::u16string_view text) { return WideToAnsi(text, kCodePageUtf8); }

std::string Cp936(std::string_view utf8Literal) {
  return WideToAnsi(Utf8ToWide(utf8Literal), kCodePageGB);
}

namespace {

int ComputeSystemCodePage() {
  // The store may pin the code page, for machines whose locale says nothing
  // useful (a service started with LANG=C, for one).
  std::optional<std::string> stored = ReadPellorRegistryValue("SystemCodePage");
  if (stored) {
    std::optional<int> number = TryStrToInt(*stored);
    if (number) {
      if (*number == kCodePageGB || *number == kCodePageBig5) return *number;
      return kCodePageEnglish;
    }
  }
  return LocaleCodePage();
}

// What the answer depends on: the store file as it is on disk and the locale
// variables. Narrowing a wide text asks for the code page on every call, so
// the answer is kept until one of these changes.
struct SystemCodePageInputs {
  std::string storePath;
  int64_t storeMtimeNs = -1;
  int64_t storeSize = -1;
  // Writers replace the file through a rename, so a new inode marks a change
  // even within one tick of the file-system clock.
  uint64_t storeInode = 0;
  std::string lcAll, lcCtype, lang;

  static SystemCodePageInputs Current() {
    SystemCodePageInputs in;
    in.storePath = RegistryFileName();
    struct stat st;
    if (::stat(in.storePath.c_str(), &st) == 0) {
      in.storeMtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      in.storeSize = static_cast<int64_t>(st.st_size);
      in.storeInode = static_cast<uint64_t>(st.st_ino);
    }
    auto env = [](const char* name) {
      const char* value = std::getenv(name);
      return std::string(value ? value : "");
    };
    in.lcAll = env("LC_ALL");
    in.lcCtype = env("LC_CTYPE");
    in.lang = env("LANG");
    return in;
  }
  bool operator==(const SystemCodePageInputs&) const = default;
};

}  // namespace

int SystemCodePage() {
  static std::mutex mutex;
  static std::optional<SystemCodePageInputs> cachedInputs;
  static int cachedCodePage = kCodePageEnglish;
  SystemCodePageInputs inputs = SystemCodePageInputs::Current();
  std::lock_guard<std::mutex> lock(mutex);
  if (!cachedInputs || !(*cachedInputs == inputs)) {
    cachedCodePage = ComputeSystemCodePage();
    cachedInputs = std::move(inputs);
  }
  return cachedCodePage;
}

bool IsLeadByte(unsigned char byte, int codePage) {
  if (codePage == kCodePageGB || codePage == kCodePageBig5) {
    return byte >= 0x81 && byte <= 0xFE;
  }
  return false;
}

}  // namespace pellor
