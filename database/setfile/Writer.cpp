// The set file writer: it builds the document's UTF-8 bytes itself, every
// text escaped and encoded in one pass, and hands them to the device in large
// blocks.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "regional/Regional.h"

#include <QIODevice>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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
char* PutText(char* Out, const QString& Text) {
  const char16_t* U = reinterpret_cast<const char16_t*>(Text.constData());
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

char* Put(char* Out, std::string_view Text) {
  std::memcpy(Out, Text.data(), Text.size());
  return Out + Text.size();
}

// A separator as it stands in a value, escaped like any text.
std::string EscapedChar(QChar C) {
  char Buffer[MaxBytesPerUnit];
  return std::string(Buffer, PutText(Buffer, QString(C)));
}

// Fills a buffer and hands it to the device in blocks; every write is checked.
class TBlockWriter {
public:
  explicit TBlockWriter(QIODevice& Device) : FDevice(Device), FBuffer(2 * BlockSize) {}

  // Where the next N bytes go; End() takes the end of what was put there.
  char* Room(size_t N) {
    if (FUsed + N > FBuffer.size()) {
      Flush();
      if (N > FBuffer.size())
        FBuffer.resize(N);
    }
    return FBuffer.data() + FUsed;
  }
  void End(const char* Last) { FUsed = size_t(Last - FBuffer.data()); }
  void FlushIfFull() {
    if (FUsed >= BlockSize)
      Flush();
  }
  void Flush() {
    for (size_t Done = 0; Done < FUsed;) {
      const qint64 Written = FDevice.write(FBuffer.data() + Done, qint64(FUsed - Done));
      if (Written <= 0)
        throw TError(FDevice.errorString());
      Done += size_t(Written);
    }
    FUsed = 0;
  }

private:
  QIODevice& FDevice;
  std::vector<char> FBuffer;
  size_t FUsed = 0;
};

// A date as DecodeDate gives it, packed to keep it from the check to the write.
uint32_t PackDate(int Y, int M, int D) {
  return uint32_t(Y) << 9 | uint32_t(M) << 5 | uint32_t(D);
}

// The value checks, all before the first byte, so that a refused save writes
// nothing; returns the date of every grouped item in group order.
std::vector<uint32_t> CheckedDates(const TPropDB& DB, const TPropsBySet& Groups,
                                   const TRegional& Settings) {
  std::vector<uint32_t> Dates;
  Dates.reserve(Groups.All().size());
  for (int T = 0; T < DB.TypeCount(); ++T)
    for (const PPropRecord Prop : Groups.Items(T)) {
      if (!std::isfinite(Prop->Cost))
        throw TError(QStringLiteral("The cost of item \"%1\" in set \"%2\" is %3, which a set "
                                    "file cannot hold")
                         .arg(Prop->Name, DB.Types(T)->Name, CostToStr(Prop->Cost, u'.')));
      int Y = 0, M = 0, D = 0;
      if (!DecodeDate(Prop->Date, Y, M, D))
        DateToFileStr(Prop->Date, Settings); // raises the date's own message
      Dates.push_back(PackDate(Y, M, D));
    }
  return Dates;
}

// Element and attribute names with what stands between them.
constexpr std::string_view Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr std::string_view TypeStart = "\r\n  <type GUID=\"";
constexpr std::string_view PropStart = "\r\n    <prop GUID=\"";
constexpr std::string_view TypeEnd = "\r\n  </type>";
constexpr size_t GUIDSize = 38;
// Everything of an item but its texts, with room to spare.
constexpr size_t PropFixedSize = 128 + GUIDSize + 16 + DateCharsMax + CostCharsMax;
constexpr size_t TypeFixedSize = 128 + GUIDSize;

} // namespace

void WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  const TPropsBySet Groups(DB);
  const std::vector<uint32_t> Dates = CheckedDates(DB, Groups, Settings);
  const std::string DateSeparator = EscapedChar(Settings.DateSeparator);
  const std::string Decimal = EscapedChar(Settings.DecimalSeparator);

  TBlockWriter Writer(Device);
  char* O = Writer.Room(64);
  O = Put(O, Declaration);
  O = Put(O, DB.TypeCount() == 0 ? "<propdb/>" : "<propdb>");
  Writer.End(O);
  size_t DateIndex = 0;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const PTypeRecord Type = DB.Types(T);
    const std::span<const PPropRecord> Items = Groups.Items(T);
    O = Writer.Room(TypeFixedSize +
                    MaxBytesPerUnit *
                        size_t(Type->Name.size() + Type->Language.size() + Type->Country.size()));
    O = Put(O, TypeStart);
    GUIDToBytes(Type->GUID, O);
    O = Put(O + GUIDSize, "\" name=\"");
    O = PutText(O, Type->Name);
    O = Put(O, "\" language=\"");
    O = PutText(O, Type->Language);
    O = Put(O, "\" country=\"");
    O = PutText(O, Type->Country);
    O = Put(O, Items.empty() ? "\"/>" : "\">");
    Writer.End(O);
    for (const PPropRecord Prop : Items) {
      O = Writer.Room(PropFixedSize +
                      MaxBytesPerUnit * size_t(Prop->Name.size() + Prop->Curr.size()));
      O = Put(O, PropStart);
      GUIDToBytes(Prop->GUID, O);
      O = Put(O + GUIDSize, "\" name=\"");
      O = PutText(O, Prop->Name);
      O = Put(O, "\" detail=\"");
      O = std::to_chars(O, O + 16, Prop->Detail).ptr;
      O = Put(O, Prop->Default ? "\" default=\"1\" date=\"" : "\" default=\"0\" date=\"");
      const uint32_t Date = Dates[DateIndex++];
      O = DateToFileChars(int(Date >> 9), int((Date >> 5) & 15), int(Date & 31), Settings,
                          DateSeparator, O);
      O = Put(O, "\" cost=\"");
      O = CostToChars(Prop->Cost, Decimal, O);
      O = Put(O, "\" curr=\"");
      O = PutText(O, Prop->Curr);
      O = Put(O, "\"/>");
      Writer.End(O);
    }
    if (!Items.empty()) {
      Writer.End(Put(Writer.Room(TypeEnd.size()), TypeEnd));
    }
    Writer.FlushIfFull();
  }
  O = Writer.Room(32);
  if (DB.TypeCount() > 0)
    O = Put(O, "\r\n</propdb>");
  // The file ends with a line break.
  Writer.End(Put(O, "\r\n"));
  Writer.Flush();
}
