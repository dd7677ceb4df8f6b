#include "regional/Guid.h"

#include "regional/Regional.h"

namespace {

void AppendHex(QString& Out, uint64_t Value, int Digits) {
  static const char16_t HexDigits[] = u"0123456789ABCDEF";
  for (int Shift = (Digits - 1) * 4; Shift >= 0; Shift -= 4)
    Out += QChar(HexDigits[(Value >> Shift) & 0xF]);
}

int HexValue(QChar C) {
  const char16_t U = C.unicode();
  if (U >= u'0' && U <= u'9')
    return U - u'0';
  if (U >= u'a' && U <= u'f')
    return U - u'a' + 10;
  if (U >= u'A' && U <= u'F')
    return U - u'A' + 10;
  return -1;
}

} // namespace

QString GUIDToString(const TGUID& GUID) {
  QString Out;
  Out.reserve(38);
  Out += u'{';
  AppendHex(Out, GUID.D1, 8);
  Out += u'-';
  AppendHex(Out, GUID.D2, 4);
  Out += u'-';
  AppendHex(Out, GUID.D3, 4);
  Out += u'-';
  AppendHex(Out, GUID.D4[0], 2);
  AppendHex(Out, GUID.D4[1], 2);
  Out += u'-';
  for (size_t I = 2; I < 8; ++I)
    AppendHex(Out, GUID.D4[I], 2);
  Out += u'}';
  return Out;
}

TGUID StringToGUID(const QString& Text) {
  auto Fail = [&Text]() {
    return TError(QStringLiteral("'") + Text + QStringLiteral("' is not a valid GUID value"));
  };
  if (Text.size() != 38 || Text[0] != u'{' || Text[37] != u'}' || Text[9] != u'-' ||
      Text[14] != u'-' || Text[19] != u'-' || Text[24] != u'-')
    throw Fail();
  auto Hex = [&](qsizetype From, int Digits) {
    uint64_t Value = 0;
    for (int I = 0; I < Digits; ++I) {
      const int H = HexValue(Text[From + I]);
      if (H < 0)
        throw Fail();
      Value = Value << 4 | static_cast<uint64_t>(H);
    }
    return Value;
  };
  TGUID GUID;
  GUID.D1 = static_cast<uint32_t>(Hex(1, 8));
  GUID.D2 = static_cast<uint16_t>(Hex(10, 4));
  GUID.D3 = static_cast<uint16_t>(Hex(15, 4));
  GUID.D4[0] = static_cast<uint8_t>(Hex(20, 2));
  GUID.D4[1] = static_cast<uint8_t>(Hex(22, 2));
  for (size_t I = 0; I < 6; ++I)
    GUID.D4[2 + I] = static_cast<uint8_t>(Hex(25 + static_cast<qsizetype>(I) * 2, 2));
  return GUID;
}
