// Compact storage of table rows, shared by the client dataset and the
// in-memory provider.
//
// A dataset may hold hundreds of thousands of rows; a row held as a vector of
// Variants costs about eighty bytes per value before the value itself. Rows
// are therefore kept encoded, one contiguous byte run per row inside large
// arena chunks:
//
//   row     := varint(length of the rest) nullmap value*
//   nullmap := one bit per column, set for a null column (LSB first)
//   value   := per column kind, only for non-null columns:
//     kText, kBytes  varint(byte count) bytes
//     kWide          varint(code units) UTF-16LE code units
//     kInteger       zig-zag varint
//     kBoolean       one byte 0/1
//     kFloat, kDate  tag byte: 0 = an integral value as zig-zag varint follows,
//                    1 = eight bytes of IEEE double follow. Scores, flags and
//                    the many zero-valued number columns take two bytes.
//     kVariant       a self-describing serialization (type byte + payload,
//                    arrays recursively); dispatch objects cannot be stored.
//
// A RowStore hands out small integer ids; a replaced or freed row leaves
// garbage in its chunk, and the store compacts itself when garbage exceeds
// the live bytes, so that editing never grows memory without bound.
#ifndef PELLOR_DB_ROW_STORE_H_
#define PELLOR_DB_ROW_STORE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/variant.h"

namespace pellor {

enum class ColumnKind : uint8_t { kText, kWide, kBytes, kInteger, kBoolean, kFloat, kDate, kVariant };

// Encodes and decodes rows of a fixed column layout. Values handed to Encode
// must already have the column's Variant type (or be null/empty); the field
// layer coerces them first.
class RowCodec {
 public:
  RowCodec() = default;
  explicit RowCodec(std::vector<ColumnKind> columns) : columns_(std::move(columns)) {}

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  ColumnKind Kind(int column) const { return columns_[column]; }

  // Appends the encoding of `values` (one per column) to `out`.
  void Encode(const std::vector<Variant>& values, std::string& out) const;
  // Decodes a whole row / one column of an encoded row.
  void Decode(const uint8_t* row, std::vector<Variant>& values) const;
  Variant DecodeColumn(const uint8_t* row, int column) const;
  bool IsNull(const uint8_t* row, int column) const;

  // Appends a byte string that orders like the value under memcmp: null first,
  // numbers by value, texts by bytes (ASCII letters upper-cased when
  // `caseInsensitive`), the whole segment inverted when `descending`. Keys of
  // several columns are concatenated; each segment is prefix-free.
  static void AppendSortKey(std::string& out, const Variant& value, ColumnKind kind,
                            bool descending, bool caseInsensitive);

 private:
  const uint8_t* Skip(const uint8_t* p, ColumnKind kind) const;

  std::vector<ColumnKind> columns_;
};

// Arena of encoded rows addressed by id.
class RowStore {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  RowStore() = default;
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  // Stores an encoded row and returns its id.
  uint32_t Add(std::string_view encoded);
  // Replaces the bytes of row `id` (the id stays).
  void Replace(uint32_t id, std::string_view encoded);
  void Free(uint32_t id);
  // The encoded row (past the stored length), valid until the next change
  // of the store.
  const uint8_t* Get(uint32_t id) const;
  void Clear();

  size_t LiveRows() const { return rows_.size() - freeIds_.size(); }
  // Bytes held by the chunks and the id table, for memory figures.
  size_t MemoryUsage() const;

 private:
  static constexpr size_t kChunkSize = 256 * 1024;

  uint8_t* Allocate(size_t size);
  static size_t StoredSize(const uint8_t* row);
  void MaybeCompact();

  std::vector<std::unique_ptr<uint8_t[]>> chunks_;
  std::vector<size_t> chunkSizes_;
  size_t chunkUsed_ = 0;  // bytes used in the last chunk
  std::vector<uint8_t*> rows_;  // by id; nullptr for a free id
  std::vector<uint32_t> freeIds_;
  size_t liveBytes_ = 0;
  size_t garbageBytes_ = 0;
};

}  // namespace pellor

#endif  // PELLOR_DB_ROW_STORE_H_
