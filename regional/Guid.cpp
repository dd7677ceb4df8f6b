#include "regional/Guid.h"

#include "regional/Regional.h"

#include <algorithm>
#include <array>

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

// The value of each hexadecimal digit, 16 for any other byte: a lookup rather
// than branches, which mispredict on digits that mix letters and numbers.
constexpr std::array<uint8_t, 256> HexValues = [] {
  std::array<uint8_t, 256> Table{};
  Table.fill(16);
  for (int C = 0; C < 10; ++C)
    Table[size_t('0' + C)] = uint8_t(C);
  for (int C = 0; C < 6; ++C)
    Table[size_t('a' + C)] = Table[size_t('A' + C)] = uint8_t(10 + C);
  return Table;
}();

} // namespace

bool ParseGUID(std::string_view Text, TGUID& GUID) {
  if (Text.size() != 38 || Text[0] != '{' || Text[37] != '}' || Text[9] != '-' || Text[14] != '-' ||
      Text[19] != '-' || Text[24] != '-')
    return false;
  uint32_t Bad = 0;
  const auto Hex = [&](size_t From, size_t Digits) {
    uint32_t Value = 0;
    for (size_t I = From; I < From + Digits; ++I) {
      const uint32_t H = HexValues[static_cast<unsigned char>(Text[I])];
      Bad |= H;
      Value = Value << 4 | (H & 15);
    }
    return Value;
  };
  GUID.D1 = Hex(1, 8);
  GUID.D2 = uint16_t(Hex(10, 4));
  GUID.D3 = uint16_t(Hex(15, 4));
  GUID.D4[0] = uint8_t(Hex(20, 2));
  GUID.D4[1] = uint8_t(Hex(22, 2));
  for (size_t I = 0; I < 6; ++I)
    GUID.D4[2 + I] = uint8_t(Hex(25 + 2 * I, 2));
  return (Bad & 16) == 0;
}

TGUID StringToGUID(const QString& Text) {
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
  throw TError(QStringLiteral("'") + Text + QStringLiteral("' is not a valid GUID value"));
}

TGUID GUIDFromUuid(const QUuid& Uuid) {
  TGUID GUID;
  GUID.D1 = Uuid.data1;
  GUID.D2 = Uuid.data2;
  GUID.D3 = Uuid.data3;
  std::copy(std::begin(Uuid.data4), std::end(Uuid.data4), GUID.D4.begin());
  return GUID;
}
