#include "regional/Guid.h"

#include "regional/Regional.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

// The text form is written and read by hand rather than through QUuid: the set
// file holds two GUIDs a line, and QUuid's text and case conversions took a
// quarter of a save.

namespace {

template <class TChar> void PutGUID(const TGUID& GUID, TChar* Out) {
  static const char Digits[] = "0123456789ABCDEF";
  const auto Put = [&](uint64_t Value, int Count) {
    for (int I = Count - 1; I >= 0; --I)
      *Out++ = TChar(char16_t(Digits[(Value >> (4 * I)) & 15]));
  };
  *Out++ = TChar(u'{');
  Put(GUID.D1, 8);
  *Out++ = TChar(u'-');
  Put(GUID.D2, 4);
  *Out++ = TChar(u'-');
  Put(GUID.D3, 4);
  *Out++ = TChar(u'-');
  Put(uint64_t(GUID.D4[0]) << 8 | GUID.D4[1], 4);
  *Out++ = TChar(u'-');
  for (size_t I = 2; I < 8; ++I)
    Put(GUID.D4[I], 2);
  *Out = TChar(u'}');
}

} // namespace

void GUIDToBytes(const TGUID& GUID, char* Out) {
  PutGUID(GUID, Out);
}

QString GUIDToString(const TGUID& GUID) {
  QString Text(38, Qt::Uninitialized);
  PutGUID(GUID, Text.data());
  return Text;
}

namespace {

constexpr uint64_t Ones = 0x0101010101010101;
constexpr uint64_t Highs = 0x8080808080808080;

// Eight bytes, the first in the lowest byte whatever the machine's order.
uint64_t Load8(const char* Bytes) {
  uint64_t W;
  std::memcpy(&W, Bytes, 8);
  if constexpr (std::endian::native == std::endian::big)
    W = __builtin_bswap64(W);
  return W;
}

// The high bit of each byte of W (seven-bit bytes) set where the byte is at
// least Low; no sum carries into the next byte.
uint64_t AtLeast(uint64_t W, uint8_t Low) {
  return (W + (0x80 - Low) * Ones) & Highs;
}
uint64_t AtMost(uint64_t W, uint8_t High) {
  return ~(W + (0x7F - High) * Ones) & Highs;
}

// Eight hexadecimal digits in W, a byte each, the first lowest: their value,
// or false when one of them is no digit. A word at a time instead of a lookup
// each.
inline __attribute__((always_inline)) bool HexWord(uint64_t W, uint32_t& Value) {
  const uint64_t Lower = W | 0x20 * Ones;
  const uint64_t Digit = AtLeast(W, '0') & AtMost(W, '9');
  const uint64_t Letter = AtLeast(Lower, 'a') & AtMost(Lower, 'f');
  if ((W & Highs) != 0 || (Digit | Letter) != Highs)
    return false;
  // '0'..'9' have bit 6 clear; the letters have it set and 1..6 below.
  const uint64_t Nibbles = (W & 0x0F * Ones) + 9 * ((W >> 6) & Ones);
  // Pairs of nibbles into bytes, pairs of bytes into halves, the first digit
  // highest.
  const uint64_t Bytes =
      (Nibbles & 0x000F000F000F000F) << 4 | ((Nibbles >> 8) & 0x000F000F000F000F);
  const uint64_t Halves = (Bytes | (Bytes >> 8)) & 0x0000FFFF0000FFFF;
  Value = __builtin_bswap32(uint32_t(Halves | (Halves >> 16)));
  return true;
}

// Two runs of four digits as one word.
uint64_t Load4And4(const char* First, const char* Second) {
  uint32_t A, B;
  std::memcpy(&A, First, 4);
  std::memcpy(&B, Second, 4);
  if constexpr (std::endian::native == std::endian::big)
    return uint64_t(__builtin_bswap32(A)) | uint64_t(__builtin_bswap32(B)) << 32;
  return uint64_t(A) | uint64_t(B) << 32;
}

} // namespace

bool ParseGUID(std::string_view Text, TGUID& GUID) {
  if (Text.size() != 38 || Text[0] != '{' || Text[37] != '}' || Text[9] != '-' || Text[14] != '-' ||
      Text[19] != '-' || Text[24] != '-')
    return false;
  // The 32 digits as four words of eight, each read from the text itself.
  const char* T = Text.data();
  uint32_t D1, D23, D4High, D4Low;
  if (!HexWord(Load8(T + 1), D1) || !HexWord(Load4And4(T + 10, T + 15), D23) ||
      !HexWord(Load4And4(T + 20, T + 25), D4High) || !HexWord(Load8(T + 29), D4Low))
    return false;
  GUID.D1 = D1;
  GUID.D2 = uint16_t(D23 >> 16);
  GUID.D3 = uint16_t(D23);
  for (size_t I = 0; I < 4; ++I) {
    GUID.D4[I] = uint8_t(D4High >> (24 - 8 * I));
    GUID.D4[4 + I] = uint8_t(D4Low >> (24 - 8 * I));
  }
  return true;
}

TResult<TGUID> StringToGUID(const QString& Text) {
  TGUID GUID;
  if (Text.size() == 38) {
    char Latin[39] = {};
    bool Ascii = true;
    for (int I = 0; I < 38; ++I) {
      Ascii = Ascii && Text[I].unicode() < 0x80;
      Latin[I] = char(Text[I].unicode());
    }
    if (Ascii && ParseGUID(std::string_view(Latin, 38), GUID))
      return GUID;
  }
  return TFailure::Converting(Conversion::NotAGuid, Text);
}

TGUID GUIDFromUuid(const QUuid& Uuid) {
  TGUID GUID;
  GUID.D1 = Uuid.data1;
  GUID.D2 = Uuid.data2;
  GUID.D3 = Uuid.data3;
  std::copy(std::begin(Uuid.data4), std::end(Uuid.data4), GUID.D4.begin());
  return GUID;
}
