#include "module/config/sql_password.h"

#include <cstdint>

#include "module/config/alert_log.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/format.h"

namespace pevf {

namespace {

const char kEmptyMarker[] = "KV_Say_NoPassWord_ThePassWordIsEmpty";

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

std::string EncodeSQLSa(std::string_view plain) {
  std::string_view source = plain.empty() ? std::string_view(kEmptyMarker) : plain;
  std::string hex;
  hex.reserve(source.size() * 2);
  for (size_t i = 0; i < source.size(); ++i) {
    uint8_t byte = RotateRight(static_cast<uint8_t>(source[i]), static_cast<unsigned>((i + 1) % 8));
    hex += pellor::Format("%.2x", {static_cast<int>(byte)});
  }
  return hex.empty() ? std::string("KV_Say_Never_Has_Password") : hex;
}

std::string DecodeSQLSa(std::string_view encoded) {
  std::string plain;
  plain.reserve(encoded.size() / 2);
  for (size_t k = 1; 2 * k <= encoded.size(); ++k) {
    char high = encoded[2 * k - 2];
    char low = encoded[2 * k - 1];
    if (HexDigit(high) < 0 || HexDigit(low) < 0) {
      pellor::EConvertError error("'$" + std::string{high, low} + "' is not a valid integer value");
      LogException(&error, "DecodeSQLSa", pellor::Cp936("解析 Sa 时发生错误!"));
      return kSqlPasswordError;
    }
    uint8_t byte = static_cast<uint8_t>(HexDigit(high) * 16 + HexDigit(low));
    plain += static_cast<char>(RotateLeft(byte, static_cast<unsigned>(k % 8)));
  }
  return plain == kEmptyMarker ? std::string() : plain;
}

}  // namespace pevf
