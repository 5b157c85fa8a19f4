#include "platform/rtl/sql_password.h"

#include <cstdint>

namespace pellor {

namespace {

constexpr char kEmptyMarker[] = "KV_Say_NoPassWord_ThePassWordIsEmpty";

// Rotations stay inside the byte: bytes from 0x80 up must survive the round
// trip like any other.
uint8_t RotateRight(uint8_t byte, unsigned bits) {
  bits %= 8;
  return bits == 0 ? byte : static_cast<uint8_t>((byte >> bits) | (byte << (8 - bits)));
}

uint8_t RotateLeft(uint8_t byte, unsigned bits) {
  bits %= 8;
  return bits == 0 ? byte : static_cast<uint8_t>((byte << bits) | (byte >> (8 - bits)));
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

std::string EncodeSqlPassword(std::string_view plain) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string_view source = plain.empty() ? std::string_view(kEmptyMarker) : plain;
  std::string hex;
  hex.reserve(source.size() * 2);
  for (size_t i = 0; i < source.size(); ++i) {
    uint8_t byte = RotateRight(static_cast<uint8_t>(source[i]), static_cast<unsigned>((i + 1) % 8));
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

bool DecodeSqlPassword(std::string_view encoded, std::string& plain, std::string* badPair) {
  std::string decoded;
  decoded.reserve(encoded.size() / 2);
  for (size_t k = 1; 2 * k <= encoded.size(); ++k) {
    int high = HexDigit(encoded[2 * k - 2]);
    int low = HexDigit(encoded[2 * k - 1]);
    if (high < 0 || low < 0) {
      if (badPair != nullptr) *badPair = std::string(encoded.substr(2 * k - 2, 2));
      return false;
    }
    decoded += static_cast<char>(RotateLeft(static_cast<uint8_t>(high * 16 + low), static_cast<unsigned>(k % 8)));
  }
  plain = decoded == kEmptyMarker ? std::string() : std::move(decoded);
  return true;
}

}  // namespace pellor
