#include "platform/db/row_store.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/errors.h"

namespace pellor {

namespace {

void PutVarint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

uint64_t GetVarint(const uint8_t*& p) {
  uint64_t value = 0;
  int shift = 0;
  while (true) {
    uint8_t byte = *p++;
    value |= static_cast<uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
    shift += 7;
  }
}

void SkipVarint(const uint8_t*& p) {
  while ((*p++ & 0x80) != 0) {
  }
}

uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

void PutDouble(std::string& out, double value) {
  char bytes[8];
  std::memcpy(bytes, &value, 8);
  out.append(bytes, 8);
}

double GetDouble(const uint8_t*& p) {
  double value;
  std::memcpy(&value, p, 8);
  p += 8;
  return value;
}

// An integral double that survives the round trip through int64.
bool IsSmallIntegral(double value) {
  return std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15 &&
         !(value == 0.0 && std::signbit(value));
}

void PutNumber(std::string& out, double value) {
  if (IsSmallIntegral(value)) {
    out.push_back('\0');
    PutVarint(out, ZigZag(static_cast<int64_t>(value)));
  } else {
    out.push_back('\1');
    PutDouble(out, value);
  }
}

double GetNumber(const uint8_t*& p) {
  uint8_t tag = *p++;
  if (tag == 0) return static_cast<double>(UnZigZag(GetVarint(p)));
  return GetDouble(p);
}

void SkipNumber(const uint8_t*& p) {
  uint8_t tag = *p++;
  if (tag == 0) {
    SkipVarint(p);
  } else {
    p += 8;
  }
}

// ---- Variant serialization for variant columns ----------------------------

enum : uint8_t { kVEmpty, kVNull, kVInt, kVFloat, kVBool, kVString, kVWide, kVDate, kVArray };

void PutVariant(std::string& out, const Variant& v) {
  switch (v.Type()) {
    case VarType::kEmpty: out.push_back(kVEmpty); return;
    case VarType::kNull: out.push_back(kVNull); return;
    case VarType::kInteger:
      out.push_back(kVInt);
      PutVarint(out, ZigZag(v.AsInt64()));
      return;
    case VarType::kFloat:
      out.push_back(kVFloat);
      PutDouble(out, v.AsFloat());
      return;
    case VarType::kBoolean:
      out.push_back(kVBool);
      out.push_back(v.AsBoolean() ? 1 : 0);
      return;
    case VarType::kString: {
      out.push_back(kVString);
      const std::string& s = v.RawString();
      PutVarint(out, s.size());
      out.append(s);
      return;
    }
    case VarType::kWideString: {
      out.push_back(kVWide);
      const std::u16string& w = v.RawWideString();
      PutVarint(out, w.size());
      for (char16_t c : w) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
      }
      return;
    }
    case VarType::kDate:
      out.push_back(kVDate);
      PutDouble(out, v.AsDate());
      return;
    case VarType::kArray: {
      out.push_back(kVArray);
      int dims = v.Dims();
      out.push_back(static_cast<char>(dims));
      int high1 = v.HighBound(1);
      int high2 = dims == 2 ? v.HighBound(2) : -1;
      PutVarint(out, static_cast<uint64_t>(high1 + 1));
      if (dims == 2) PutVarint(out, static_cast<uint64_t>(high2 + 1));
      if (dims == 1) {
        for (int i = 0; i <= high1; ++i) PutVariant(out, v[i]);
      } else {
        for (int i = 0; i <= high1; ++i)
          for (int j = 0; j <= high2; ++j) PutVariant(out, v.At(i, j));
      }
      return;
    }
    case VarType::kDispatch: break;
  }
  throw EDatabaseError("A dispatch object cannot be stored in a dataset field");
}

Variant GetVariant(const uint8_t*& p) {
  uint8_t tag = *p++;
  switch (tag) {
    case kVEmpty: return Variant();
    case kVNull: return Variant::Null();
    case kVInt: return Variant(UnZigZag(GetVarint(p)));
    case kVFloat: return Variant(GetDouble(p));
    case kVBool: return Variant(*p++ != 0);
    case kVString: {
      size_t n = GetVarint(p);
      std::string s(reinterpret_cast<const char*>(p), n);
      p += n;
      return Variant(std::move(s));
    }
    case kVWide: {
      size_t n = GetVarint(p);
      std::u16string w(n, u'\0');
      for (size_t i = 0; i < n; ++i) w[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
      p += 2 * n;
      return Variant(std::move(w));
    }
    case kVDate: return Variant::Date(GetDouble(p));
    case kVArray: {
      int dims = *p++;
      int high1 = static_cast<int>(GetVarint(p)) - 1;
      if (dims == 2) {
        int high2 = static_cast<int>(GetVarint(p)) - 1;
        Variant a = Variant::Array2(high1, high2);
        for (int i = 0; i <= high1; ++i)
          for (int j = 0; j <= high2; ++j) a.At(i, j) = GetVariant(p);
        return a;
      }
      Variant a = Variant::Array(high1);
      for (int i = 0; i <= high1; ++i) a[i] = GetVariant(p);
      return a;
    }
  }
  return Variant();
}

void SkipVariant(const uint8_t*& p) { GetVariant(p); }

// ---- sort keys --------------------------------------------------------------

void AppendBigEndian(std::string& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void AppendOrderedDouble(std::string& out, double d) {
  if (d == 0.0) d = 0.0;  // -0 and +0 sort alike
  uint64_t bits = std::bit_cast<uint64_t>(d);
  bits = (bits & 0x8000000000000000ull) != 0 ? ~bits : bits | 0x8000000000000000ull;
  AppendBigEndian(out, bits);
}

void AppendOrderedBytes(std::string& out, std::string_view bytes, bool caseInsensitive) {
  bool trail = false;
  for (unsigned char c : bytes) {
    unsigned char k = c;
    if (trail) {
      trail = false;
    } else if (c >= 0x81 && c <= 0xFE) {
      trail = true;
    } else if (caseInsensitive && c >= 'a' && c <= 'z') {
      k = static_cast<unsigned char>(c - 'a' + 'A');
    }
    out.push_back(static_cast<char>(k));
    if (k == 0) out.push_back('\xFF');
  }
  out.push_back('\0');
  out.push_back('\0');
}

}  // namespace

// ---- RowCodec -----------------------------------------------------------------

void RowCodec::Encode(const std::vector<Variant>& values, std::string& out) const {
  size_t n = columns_.size();
  size_t mapAt = out.size();
  out.append((n + 7) / 8, '\0');
  for (size_t c = 0; c < n; ++c) {
    const Variant& v = c < values.size() ? values[c] : Variant();
    if (v.IsBlank() && columns_[c] != ColumnKind::kVariant) {
      out[mapAt + c / 8] = static_cast<char>(out[mapAt + c / 8] | (1 << (c % 8)));
      continue;
    }
    if (v.IsNull()) {  // a variant column keeps null and empty apart in its payload
      out[mapAt + c / 8] = static_cast<char>(out[mapAt + c / 8] | (1 << (c % 8)));
      continue;
    }
    switch (columns_[c]) {
      case ColumnKind::kText:
      case ColumnKind::kBytes: {
        std::string s = v.Type() == VarType::kString ? v.RawString() : v.AsString();
        PutVarint(out, s.size());
        out.append(s);
        break;
      }
      case ColumnKind::kWide: {
        std::u16string w = v.Type() == VarType::kWideString ? v.RawWideString() : v.AsWideString();
        PutVarint(out, w.size());
        for (char16_t ch : w) {
          out.push_back(static_cast<char>(ch & 0xFF));
          out.push_back(static_cast<char>(ch >> 8));
        }
        break;
      }
      case ColumnKind::kInteger: PutVarint(out, ZigZag(v.AsInt64())); break;
      case ColumnKind::kBoolean: out.push_back(v.AsBoolean() ? 1 : 0); break;
      case ColumnKind::kFloat:
      case ColumnKind::kDate: PutNumber(out, v.Type() == VarType::kDate ? v.AsDate() : v.AsFloat()); break;
      case ColumnKind::kVariant: PutVariant(out, v); break;
    }
  }
}

const uint8_t* RowCodec::Skip(const uint8_t* p, ColumnKind kind) const {
  switch (kind) {
    case ColumnKind::kText:
    case ColumnKind::kBytes: {
      size_t len = GetVarint(p);
      return p + len;
    }
    case ColumnKind::kWide: {
      size_t len = GetVarint(p);
      return p + 2 * len;
    }
    case ColumnKind::kInteger: SkipVarint(p); return p;
    case ColumnKind::kBoolean: return p + 1;
    case ColumnKind::kFloat:
    case ColumnKind::kDate: SkipNumber(p); return p;
    case ColumnKind::kVariant: SkipVariant(p); return p;
  }
  return p;
}

namespace {

Variant ReadValue(const uint8_t*& p, ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kText:
    case ColumnKind::kBytes: {
      size_t len = GetVarint(p);
      std::string s(reinterpret_cast<const char*>(p), len);
      p += len;
      return Variant(std::move(s));
    }
    case ColumnKind::kWide: {
      size_t len = GetVarint(p);
      std::u16string w(len, u'\0');
      for (size_t i = 0; i < len; ++i) w[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
      p += 2 * len;
      return Variant(std::move(w));
    }
    case ColumnKind::kInteger: return Variant(UnZigZag(GetVarint(p)));
    case ColumnKind::kBoolean: return Variant(*p++ != 0);
    case ColumnKind::kFloat: return Variant(GetNumber(p));
    case ColumnKind::kDate: return Variant::Date(GetNumber(p));
    case ColumnKind::kVariant: return GetVariant(p);
  }
  return Variant();
}

}  // namespace

void RowCodec::Decode(const uint8_t* row, std::vector<Variant>& values) const {
  size_t n = columns_.size();
  values.resize(n);
  const uint8_t* map = row;
  const uint8_t* p = row + (n + 7) / 8;
  for (size_t c = 0; c < n; ++c) {
    if ((map[c / 8] >> (c % 8)) & 1) {
      values[c] = Variant::Null();
    } else {
      values[c] = ReadValue(p, columns_[c]);
    }
  }
}

bool RowCodec::IsNull(const uint8_t* row, int column) const { return (row[column / 8] >> (column % 8)) & 1; }

Variant RowCodec::DecodeColumn(const uint8_t* row, int column) const {
  size_t n = columns_.size();
  if (IsNull(row, column)) return Variant::Null();
  const uint8_t* p = row + (n + 7) / 8;
  for (int c = 0; c < column; ++c) {
    if (!IsNull(row, c)) p = Skip(p, columns_[c]);
  }
  return ReadValue(p, columns_[column]);
}

void RowCodec::AppendSortKey(std::string& out, const Variant& value, ColumnKind kind, bool descending,
                             bool caseInsensitive) {
  size_t start = out.size();
  if (value.IsBlank()) {
    out.push_back('\0');
  } else {
    out.push_back('\1');
    switch (kind) {
      case ColumnKind::kInteger:
        AppendBigEndian(out, static_cast<uint64_t>(value.AsInt64()) ^ 0x8000000000000000ull);
        break;
      case ColumnKind::kBoolean: out.push_back(value.AsBoolean() ? '\1' : '\0'); break;
      case ColumnKind::kFloat: AppendOrderedDouble(out, value.AsFloat()); break;
      case ColumnKind::kDate: AppendOrderedDouble(out, value.AsDate()); break;
      case ColumnKind::kWide: {
        std::string bytes;
        for (char16_t c : value.AsWideString()) {
          char16_t k = caseInsensitive && c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
          bytes.push_back(static_cast<char>(k >> 8));
          bytes.push_back(static_cast<char>(k & 0xFF));
        }
        AppendOrderedBytes(out, bytes, false);
        break;
      }
      case ColumnKind::kVariant:
        if (value.IsNumeric() || value.Type() == VarType::kDate || value.Type() == VarType::kBoolean) {
          out.push_back('\1');
          AppendOrderedDouble(out, value.AsFloat());
        } else if (value.IsText()) {
          out.push_back('\2');
          AppendOrderedBytes(out, value.AsString(), caseInsensitive);
        } else {
          out.push_back('\3');
        }
        break;
      case ColumnKind::kText:
      case ColumnKind::kBytes:
        AppendOrderedBytes(out, value.Type() == VarType::kString ? value.RawString() : value.AsString(),
                           caseInsensitive);
        break;
    }
  }
  if (descending) {
    for (size_t i = start; i < out.size(); ++i) out[i] = static_cast<char>(~out[i]);
  }
}

// ---- RowStore -----------------------------------------------------------------

namespace {

size_t VarintSize(uint64_t v) {
  size_t n = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++n;
  }
  return n;
}

}  // namespace

size_t RowStore::StoredSize(const uint8_t* row) {
  const uint8_t* p = row;
  uint64_t len = GetVarint(p);
  return static_cast<size_t>(p - row) + len;
}

uint8_t* RowStore::Allocate(size_t size) {
  if (chunks_.empty() || chunkUsed_ + size > chunkSizes_.back()) {
    size_t chunkSize = size > kChunkSize ? size : kChunkSize;
    chunks_.push_back(std::make_unique<uint8_t[]>(chunkSize));
    chunkSizes_.push_back(chunkSize);
    // The unused tail of the previous chunk is lost for good: count it so
    // compaction sees it.
    chunkUsed_ = 0;
  }
  uint8_t* p = chunks_.back().get() + chunkUsed_;
  chunkUsed_ += size;
  return p;
}

namespace {

void WriteRow(uint8_t* p, std::string_view encoded) {
  std::string prefix;
  PutVarint(prefix, encoded.size());
  std::memcpy(p, prefix.data(), prefix.size());
  std::memcpy(p + prefix.size(), encoded.data(), encoded.size());
}

}  // namespace

uint32_t RowStore::Add(std::string_view encoded) {
  size_t size = VarintSize(encoded.size()) + encoded.size();
  uint8_t* p = Allocate(size);
  WriteRow(p, encoded);
  liveBytes_ += size;
  uint32_t id;
  if (!freeIds_.empty()) {
    id = freeIds_.back();
    freeIds_.pop_back();
    rows_[id] = p;
  } else {
    if (rows_.size() >= kNone) throw EDatabaseError("Too many rows in one dataset");
    id = static_cast<uint32_t>(rows_.size());
    rows_.push_back(p);
  }
  return id;
}

void RowStore::Replace(uint32_t id, std::string_view encoded) {
  size_t old = StoredSize(rows_[id]);
  size_t size = VarintSize(encoded.size()) + encoded.size();
  if (size <= old) {
    // Fits in place; the tail becomes garbage.
    WriteRow(rows_[id], encoded);
    garbageBytes_ += old - size;
    liveBytes_ -= old - size;
  } else {
    uint8_t* p = Allocate(size);
    WriteRow(p, encoded);
    rows_[id] = p;
    garbageBytes_ += old;
    liveBytes_ += size - old;
  }
  MaybeCompact();
}

void RowStore::Free(uint32_t id) {
  size_t old = StoredSize(rows_[id]);
  garbageBytes_ += old;
  liveBytes_ -= old;
  rows_[id] = nullptr;
  freeIds_.push_back(id);
  if (freeIds_.size() == rows_.size()) {
    Clear();
    return;
  }
  MaybeCompact();
}

const uint8_t* RowStore::Get(uint32_t id) const {
  const uint8_t* p = rows_[id];
  SkipVarint(p);
  return p;
}

void RowStore::Clear() {
  chunks_.clear();
  chunkSizes_.clear();
  chunkUsed_ = 0;
  rows_.clear();
  freeIds_.clear();
  liveBytes_ = 0;
  garbageBytes_ = 0;
}

size_t RowStore::MemoryUsage() const {
  size_t total = rows_.capacity() * sizeof(uint8_t*) + freeIds_.capacity() * sizeof(uint32_t);
  for (size_t s : chunkSizes_) total += s;
  return total;
}

void RowStore::MaybeCompact() {
  if (garbageBytes_ < 1024 * 1024 || garbageBytes_ < liveBytes_) return;
  std::vector<std::unique_ptr<uint8_t[]>> oldChunks = std::move(chunks_);
  chunks_.clear();
  chunkSizes_.clear();
  chunkUsed_ = 0;
  for (uint8_t*& row : rows_) {
    if (row == nullptr) continue;
    size_t size = StoredSize(row);
    uint8_t* p = Allocate(size);
    std::memcpy(p, row, size);
    row = p;
  }
  garbageBytes_ = 0;
}

}  // namespace pellor
