#include "platform/rtl/strutils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/decimal_digits.h"
#include "platform/rtl/errors.h"

namespace pellor {

namespace internal {

DecimalDigits ToDecimalDigits(double value) {
  DecimalDigits number;
  // Scientific with 17 decimals is 18 significant digits, correctly rounded
  // from the exact binary value: "d.ddddddddddddddddde±x".
  char buf[48];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                              kMaxSignificantDigits - 1);
  const char* p = buf;
  const char* end = result.ptr;
  if (p < end && *p == '-') {
    ++p;
  }
  int count = 0;
  for (; p < end && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') number.digits[count++] = *p;
  }
  int exp10 = 0;
  if (p < end) {
    ++p;  // 'e'
    bool negativeExp = false;
    if (p < end && (*p == '+' || *p == '-')) negativeExp = *p++ == '-';
    for (; p < end; ++p) exp10 = exp10 * 10 + (*p - '0');
    if (negativeExp) exp10 = -exp10;
  }
  while (count > 0 && number.digits[count - 1] == '0') --count;
  number.count = count;
  number.exponent = count > 0 ? exp10 + 1 : 0;
  number.negative = value < 0;
  return number;
}

void RoundDecimalDigits(DecimalDigits& number, int keep) {
  if (number.count == 0 || keep >= number.count) return;
  if (keep < 0) {
    number.count = 0;
    number.exponent = 0;
    return;
  }
  const bool up = number.digits[keep] >= '5';
  number.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && number.digits[i] == '9') --i;
    if (i < 0) {
      number.digits[0] = '1';
      number.count = 1;
      number.exponent += 1;
    } else {
      number.digits[i] += 1;
      number.count = i + 1;
    }
  } else {
    while (number.count > 0 && number.digits[number.count - 1] == '0') --number.count;
  }
  if (number.count == 0) number.exponent = 0;
}

void AppendGeneral(std::string& out, DecimalDigits number, int precision) {
  RoundDecimalDigits(number, precision);
  if (number.count == 0) {
    out += '0';
    return;
  }
  if (number.negative) out += '-';
  const int exponent = number.exponent;
  if (exponent > precision || exponent < -3) {
    out += number.digits[0];
    if (number.count > 1) {
      out += '.';
      out.append(number.digits + 1, number.count - 1);
    }
    out += 'E';
    char buf[8];
    auto r = std::to_chars(buf, buf + sizeof buf, exponent - 1);
    out.append(buf, r.ptr);
  } else if (exponent <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent), '0');
    out.append(number.digits, number.count);
  } else if (number.count <= exponent) {
    out.append(number.digits, number.count);
    out.append(static_cast<size_t>(exponent - number.count), '0');
  } else {
    out.append(number.digits, exponent);
    out += '.';
    out.append(number.digits + exponent, number.count - exponent);
  }
}

}  // namespace internal

namespace {

inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string_view TrimView(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an optionally signed decimal or hexadecimal integer. Hexadecimal
// texts hold bit patterns (colours such as "$8000000F" among them), so up to
// `hexBits` bits are accepted and read as two's complement; decimal texts
// must lie within [minValue, maxValue].
std::optional<int64_t> ParseInteger(std::string_view text, int hexBits, int64_t minValue,
                                    int64_t maxValue) {
  text = TrimView(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  if (hex) {
    uint64_t bits = 0;
    int significant = 0;  // hex digits after leading zeros
    for (; i < text.size(); ++i) {
      int v = HexValue(text[i]);
      if (v < 0) return std::nullopt;
      if (significant > 0 || v != 0) ++significant;
      if (significant * 4 > hexBits) return std::nullopt;
      bits = (bits << 4) | static_cast<uint64_t>(v);
    }
    int64_t value;
    if (hexBits == 64) {
      value = static_cast<int64_t>(bits);
    } else {
      // Sign-extend from hexBits.
      const uint64_t signBit = uint64_t{1} << (hexBits - 1);
      value = (bits & signBit) ? static_cast<int64_t>(bits) - static_cast<int64_t>(signBit << 1)
                               : static_cast<int64_t>(bits);
    }
    if (negative) {
      if (value == INT64_MIN) return std::nullopt;
      value = -value;
    }
    if (value < minValue || value > maxValue) return std::nullopt;
    return value;
  }
  // Accumulate negatively so that the most negative value fits.
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    int digit = c - '0';
    if (value < (INT64_MIN + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == INT64_MIN) return std::nullopt;
    value = -value;
  }
  if (value < minValue || value > maxValue) return std::nullopt;
  return value;
}

}  // namespace

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

namespace {

// Lead bytes of code pages 936 and 950. The byte after one belongs to the
// same character and may look like an ASCII letter (0x81 0x61 is one GBK
// character), so it is neither case-folded nor compared case-insensitively.
inline bool IsLeadByte(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

template <char (*Fold)(char)>
std::string FoldCase(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size(); ++i) {
    if (IsLeadByte(result[i])) {
      ++i;
    } else {
      result[i] = Fold(result[i]);
    }
  }
  return result;
}

// Compares up to the shorter length; both texts agree up to the first
// difference, so one lead-byte state serves both.
int CompareFolded(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  bool trail = false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(trail ? a[i] : AsciiUpper(a[i]));
    unsigned char y = static_cast<unsigned char>(trail ? b[i] : AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && IsLeadByte(a[i]);
  }
  return 0;
}

}  // namespace

std::string UpperCase(std::string_view text) { return FoldCase<AsciiUpper>(text); }

std::string LowerCase(std::string_view text) { return FoldCase<AsciiLower>(text); }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareFolded(a, b) == 0;
}

int CompareText(std::string_view a, std::string_view b) {
  int result = CompareFolded(a, b);
  if (result != 0 || a.size() == b.size()) return result;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsText(std::string_view prefix, std::string_view text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

std::string IntToStr(int64_t value) {
  char buf[24];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

std::optional<int64_t> TryStrToInt64(std::string_view text) {
  return ParseInteger(text, 64, INT64_MIN, INT64_MAX);
}

std::optional<int> TryStrToInt(std::string_view text) {
  auto value = ParseInteger(text, 32, INT_MIN, INT_MAX);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

int StrToIntDef(std::string_view text, int fallback) {
  auto value = TryStrToInt(text);
  return value ? *value : fallback;
}

int StrToInt(std::string_view text) {
  auto value = TryStrToInt(text);
  if (!value) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return *value;
}

std::optional<double> TryStrToFloat(std::string_view text) {
  text = TrimView(text);
  // Check the grammar ourselves: from_chars alone would take "inf", "nan"
  // and would refuse a leading "+".
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t mantissaStart = i;
  int intDigits = 0, fracDigits = 0;
  int significantIntDigits = 0;  // integer digits after leading zeros
  int fracLeadingZeros = 0;
  bool fracNonZeroSeen = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (significantIntDigits > 0 || text[i] != '0') ++significantIntDigits;
    ++intDigits;
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (!fracNonZeroSeen) {
        if (text[i] == '0') {
          ++fracLeadingZeros;
        } else {
          fracNonZeroSeen = true;
        }
      }
      ++fracDigits;
      ++i;
    }
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExp = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExp = text[i++] == '-';
    if (i >= text.size()) return std::nullopt;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negativeExp) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  const char* first = text.data() + mantissaStart;
  const char* last = text.data() + text.size();
  auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Decimal magnitude of the leading digit decides: tiny values become 0,
    // huge ones are refused as the original refused them.
    int64_t magnitude = significantIntDigits > 0 ? significantIntDigits + exponent
                                                 : exponent - fracLeadingZeros;
    if (magnitude > 0) return std::nullopt;
    value = 0;
  } else if (result.ec != std::errc() || result.ptr != last) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

double StrToFloat(std::string_view text) {
  auto value = TryStrToFloat(text);
  if (!value) throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return *value;
}

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  std::string result;
  internal::AppendGeneral(result, internal::ToDecimalDigits(value), 15);
  return result;
}

std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    result.append(text.substr(pos, hit - pos));
    result.append(to);
    pos = hit + from.size();
  }
  result.append(text.substr(pos));
  return result;
}

std::vector<std::string> SplitString(std::string_view text, std::string_view separator) {
  std::vector<std::string> fields;
  if (separator.empty()) {
    fields.emplace_back(text);
    return fields;
  }
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) break;
    fields.emplace_back(text.substr(pos, hit - pos));
    pos = hit + separator.size();
  }
  fields.emplace_back(text.substr(pos));
  return fields;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

namespace {

[[noreturn]] void ThrowWriteError(const std::string& path, int code) {
  throw EInOutError("Cannot write file '" + path + "': " + std::strerror(code), code);
}

}  // namespace

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  // Replace the file a symbolic link points at, not the link itself.
  std::string target = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  const bool exists = ::stat(target.c_str(), &st) == 0;

  static std::atomic<unsigned> counter{0};
  std::string temp = target + ".tmp" + std::to_string(::getpid()) + "_" +
                     std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) ThrowWriteError(path, errno);
  // A rewritten file keeps the permissions it had.
  if (exists) (void)::fchmod(fd, st.st_mode & 07777);

  const char* p = bytes.data();
  size_t left = bytes.size();
  int error = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // Flushed before the rename, so that a crash leaves the old or the new
  // file and never an empty one.
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    ThrowWriteError(path, error);
  }
}

}  // namespace pellor
