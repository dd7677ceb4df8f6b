// The set file's bytes: escaping, encoding and formatting in place.

#include "database/setfile/ValueOut.h"

#include <QIODevice>
#include <algorithm>

#include <array>
#include <charconv>
#include <cstring>

namespace {

// The buffer goes to the device whenever it holds this much.
constexpr size_t BlockSize = size_t(1) << 20;
// An attribute value takes at most this many bytes per UTF-16 code unit
// ("&quot;").
constexpr size_t MaxBytesPerUnit = 6;

// An ASCII character as it stands in an attribute value: the escapes the
// reader turns back into it, U+FFFD for a control character that XML 1.0
// cannot carry, else the character itself. Tab, LF and CR are escaped so
// that attribute value normalisation leaves them as they were.
struct TAsciiOut {
  uint8_t Size = 0;
  char Bytes[6] = {};
};

constexpr std::array<TAsciiOut, 128> AsciiOut = [] {
  std::array<TAsciiOut, 128> Table{};
  const auto Set = [&Table](size_t C, std::string_view Text) {
    Table[C].Size = uint8_t(Text.size());
    for (size_t I = 0; I < Text.size(); ++I)
      Table[C].Bytes[I] = Text[I];
  };
  for (size_t C = 0; C < 128; ++C)
    Set(C, std::string_view(C < 0x20 ? "\xEF\xBF\xBD" : "", C < 0x20 ? 3 : 0));
  for (size_t C = 0x20; C < 128; ++C) {
    Table[C].Size = 1;
    Table[C].Bytes[0] = char(C);
  }
  Set('\t', "&#9;");
  Set('\n', "&#10;");
  Set('\r', "&#13;");
  Set('"', "&quot;");
  Set('&', "&amp;");
  Set('<', "&lt;");
  Set('>', "&gt;");
  return Table;
}();

char* PutReplacement(char* Out) {
  *Out++ = char(0xEF);
  *Out++ = char(0xBF);
  *Out++ = char(0xBD);
  return Out;
}

// Text escaped as an attribute value and encoded as UTF-8, in one pass;
// U+FFFE, U+FFFF and lone surrogates become U+FFFD. Out has room for
// MaxBytesPerUnit bytes per code unit.
char* PutText(char* Out, QStringView Text) {
  const char16_t* U = Text.utf16();
  const char16_t* const End = U + Text.size();
  while (U < End) {
    const char16_t C = *U++;
    if (C < 0x80) {
      const TAsciiOut& A = AsciiOut[C];
      std::memcpy(Out, A.Bytes, sizeof A.Bytes);
      Out += A.Size;
    } else if (C < 0x800) {
      *Out++ = char(0xC0 | (C >> 6));
      *Out++ = char(0x80 | (C & 0x3F));
    } else if (C >= 0xD800 && C < 0xE000) {
      if (C >= 0xDC00 || U == End || *U < 0xDC00 || *U >= 0xE000) {
        Out = PutReplacement(Out);
        continue;
      }
      const char32_t Code = 0x10000 + ((char32_t(C) - 0xD800) << 10) + (*U++ - 0xDC00);
      *Out++ = char(0xF0 | (Code >> 18));
      *Out++ = char(0x80 | ((Code >> 12) & 0x3F));
      *Out++ = char(0x80 | ((Code >> 6) & 0x3F));
      *Out++ = char(0x80 | (Code & 0x3F));
    } else if (C >= 0xFFFE) {
      Out = PutReplacement(Out);
    } else {
      *Out++ = char(0xE0 | (C >> 12));
      *Out++ = char(0x80 | ((C >> 6) & 0x3F));
      *Out++ = char(0x80 | (C & 0x3F));
    }
  }
  return Out;
}

// A separator as it stands in a value, escaped like any text.
std::string EscapedChar(QChar C) {
  char Buffer[MaxBytesPerUnit];
  return std::string(Buffer, PutText(Buffer, QString(C)));
}

} // namespace

TValueOut::TValueOut(QIODevice& Device, const TRegional& Settings)
    : FDevice(Device), FSettings(Settings), FDateSeparator(EscapedChar(Settings.DateSeparator)),
      FDecimal(EscapedChar(Settings.DecimalSeparator)), FBuffer(2 * BlockSize) {}

void TValueOut::Grow(size_t N) {
  Hand();
  if (N > FBuffer.size())
    FBuffer.resize(N);
}

void TValueOut::Text(QStringView Text) {
  End(PutText(Room(MaxBytesPerUnit * size_t(Text.size())), Text));
}

void TValueOut::GUID(const TGUID& GUID) {
  constexpr size_t GUIDSize = 38;
  char* O = Room(GUIDSize);
  GUIDToBytes(GUID, O);
  End(O + GUIDSize);
}

void TValueOut::Int(int32_t Value) {
  constexpr size_t IntCharsMax = 16;
  char* O = Room(IntCharsMax);
  End(std::to_chars(O, O + IntCharsMax, Value).ptr);
}

void TValueOut::Date(double Date) {
  int Y = 0, M = 0, D = 0;
  DecodeDate(Date, Y, M, D);
  End(DateToFileChars(Y, M, D, FSettings, FDateSeparator, Room(DateCharsMax)));
}

void TValueOut::Cost(double Cost) {
  End(CostToChars(Cost, FDecimal, Room(CostCharsMax)));
}

TDone TValueOut::FlushIfFull() {
  if (FUsed >= BlockSize)
    return Flush();
  return {};
}

TDone TValueOut::Flush() {
  Hand();
  if (FFailed)
    return *FFailed;
  return {};
}

void TValueOut::Hand() {
  for (size_t Done = 0; Done < FUsed && !FFailed;) {
    const qint64 Written = FDevice.write(FBuffer.data() + Done, qint64(FUsed - Done));
    if (Written <= 0)
      FFailed = TFailure::OfDevice(FDevice);
    Done += size_t(std::max<qint64>(Written, 0));
  }
  FUsed = 0;
}
