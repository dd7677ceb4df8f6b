#include "database/setfile/Values.h"

#include <cmath>

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

bool IsContinuation(unsigned char B) {
  return (B & 0xC0) == 0x80;
}

// What the parser never gives (a broken sequence) goes through Qt's decoder,
// which words it its own way; a leading U+FEFF stays there as well.
QString DecodeSlowly(std::string_view Bytes) {
  QStringDecoder Decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return Decoder.decode(QByteArrayView(Bytes.data(), qsizetype(Bytes.size())));
}

// Decodes Size bytes of In into Out, which has room for Room units; the units
// written, or -1 for a broken sequence. Runs of ASCII go eight bytes at a
// time, runs of two-byte sequences (Cyrillic, Greek and the like) four
// characters at a time; a word that only starts such a run writes all of its
// units when there is room, and keeps those of the run. Each unit kept
// belongs to a byte that starts a character, or two to a four-byte one, so a
// counted string is never overrun.
qsizetype Decode(const unsigned char* In, size_t Size, char16_t* Out, size_t Room) {
  char16_t* const Start = Out;
  char16_t* const Limit = Out + Room;
  const auto Continues = [&](size_t I, size_t Length) {
    bool Ok = I + Length <= Size;
    for (size_t K = 1; Ok && K < Length; ++K)
      Ok = IsContinuation(In[I + K]);
    return Ok;
  };
  for (size_t I = 0; I < Size;) {
    if constexpr (std::endian::native == std::endian::little) {
      if (Size >= 8 && Limit - Out >= 8) {
        // The next eight bytes; near the end the last eight, shifted so that
        // zeros stand beyond it.
        uint64_t W;
        const size_t Have = std::min<size_t>(Size - I, 8);
        std::memcpy(&W, In + (Have == 8 ? I : Size - 8), 8);
        W >>= 8 * (8 - Have);
        // Leading ASCII bytes: their count is where the first high bit is.
        const uint64_t High = W & 0x8080808080808080;
        const size_t Ascii = std::min<size_t>(High ? size_t(std::countr_zero(High)) / 8 : 8, Have);
        if (Ascii > 0) {
          // Each half's four bytes spread into four 16-bit lanes.
          const auto Spread = [](uint64_t Half) {
            Half = (Half | Half << 16) & 0x0000FFFF0000FFFF;
            return (Half | Half << 8) & 0x00FF00FF00FF00FF;
          };
          const uint64_t Units[2] = {Spread(W & 0xFFFFFFFF), Spread(W >> 32)};
          std::memcpy(Out, Units, 16);
          Out += Ascii;
          I += Ascii;
          continue;
        }
        // Leading 16-bit lanes that hold a lead byte 110xxxxx and then
        // 10xxxxxx; the zeros beyond the end hold none.
        const uint64_t Wrong = (W & 0xC0E0C0E0C0E0C0E0) ^ 0x80C080C080C080C0;
        const size_t Pairs = Wrong ? size_t(std::countr_zero(Wrong)) / 16 : 4;
        if (Pairs > 0) {
          const uint64_t Units = (W & 0x001F001F001F001F) << 6 | ((W >> 8) & 0x003F003F003F003F);
          std::memcpy(Out, &Units, 8);
          Out += Pairs;
          I += 2 * Pairs;
          continue;
        }
      }
    }
    const unsigned char B = In[I];
    if (B < 0x80) {
      *Out++ = B;
      ++I;
    } else if (B >= 0xC0 && B < 0xE0 && Continues(I, 2)) {
      *Out++ = char16_t((B & 0x1F) << 6 | (In[I + 1] & 0x3F));
      I += 2;
    } else if (B >= 0xE0 && B < 0xF0 && Continues(I, 3)) {
      *Out++ = char16_t((B & 0x0F) << 12 | (In[I + 1] & 0x3F) << 6 | (In[I + 2] & 0x3F));
      I += 3;
    } else if (B >= 0xF0 && B <= 0xF4 && Continues(I, 4)) {
      const char32_t Code = char32_t(B & 0x07) << 18 | char32_t(In[I + 1] & 0x3F) << 12 |
                            char32_t(In[I + 2] & 0x3F) << 6 | (In[I + 3] & 0x3F);
      *Out++ = char16_t(0xD800 + ((Code - 0x10000) >> 10));
      *Out++ = char16_t(0xDC00 + ((Code - 0x10000) & 0x3FF));
      I += 4;
    } else {
      return -1;
    }
  }
  return Out - Start;
}

} // namespace

qsizetype Utf8ToUnits(std::string_view Bytes, char16_t* Out, size_t Room) {
  return Decode(reinterpret_cast<const unsigned char*>(Bytes.data()), Bytes.size(), Out, Room);
}

QString Utf8ToText(std::string_view Bytes) {
  const auto* In = reinterpret_cast<const unsigned char*>(Bytes.data());
  const size_t Size = Bytes.size();
  // A short value is decoded on the stack and copied once into a string of
  // its size; a long one is counted first and decoded in place.
  constexpr size_t Short = 256;
  if (Size <= Short) {
    char16_t Units[Short];
    const qsizetype Length = Decode(In, Size, Units, Short);
    if (Length < 0)
      return DecodeSlowly(Bytes);
    return QString(reinterpret_cast<const QChar*>(Units), Length);
  }
  // Every byte but a continuation starts a character; four-byte ones take a
  // surrogate pair. Counted eight bytes at a time, one bit a byte.
  constexpr uint64_t Low = 0x0101010101010101;
  size_t Units = 0, I = 0;
  for (; I + 8 <= Size; I += 8) {
    uint64_t W;
    std::memcpy(&W, In + I, 8);
    // The bytes' bits summed into the top byte.
    const uint64_t Starts = ((~W >> 7) | (W >> 6)) & Low;
    const uint64_t Pairs = (W >> 7) & (W >> 6) & (W >> 5) & (W >> 4) & Low;
    Units += size_t(((Starts + Pairs) * Low) >> 56);
  }
  for (; I < Size; ++I)
    Units += size_t(!IsContinuation(In[I])) + size_t(In[I] >= 0xF0);
  QString Text(qsizetype(Units), Qt::Uninitialized);
  if (Decode(In, Size, reinterpret_cast<char16_t*>(Text.data()), Units) != qsizetype(Units))
    return DecodeSlowly(Bytes);
  return Text;
}

namespace {

// Digits from Text[Pos] on, at most Max of them; their count.
size_t TakeDigits(const char* Text, size_t& Pos, size_t Max, uint64_t& Value) {
  const size_t Start = Pos;
  for (; Pos - Start < Max; ++Pos) {
    const uint64_t Digit = uint64_t(static_cast<unsigned char>(Text[Pos])) - '0';
    if (Digit > 9)
      break;
    Value = Value * 10 + Digit;
  }
  return Pos - Start;
}

} // namespace

size_t IntFromBytes(const char* Text, int32_t& Value) {
  size_t Pos = 0;
  uint64_t Digits = 0;
  if (TakeDigits(Text, Pos, 9, Digits) == 0 || Text[Pos] != 0)
    return 0;
  Value = int32_t(Digits);
  return Pos;
}

size_t CostFromBytes(const char* Text, QChar Decimal, double& Value) {
  size_t Pos = 0;
  const bool Negative = Text[0] == '-';
  Pos += Negative;
  uint64_t Mantissa = 0;
  const size_t Whole = TakeDigits(Text, Pos, 15, Mantissa);
  size_t Fraction = 0;
  if (Whole > 0 && Decimal.unicode() < 0x80 && Decimal.unicode() != 0 &&
      Text[Pos] == char(Decimal.unicode())) {
    ++Pos;
    Fraction = TakeDigits(Text, Pos, 15 - Whole, Mantissa);
    if (Fraction == 0)
      return 0;
  }
  // A sign on zero is the general conversion's to decide.
  if (Whole == 0 || Text[Pos] != 0 || (Negative && Mantissa == 0))
    return 0;
  // Both numbers are exact doubles, so the quotient is the nearest double to
  // the decimal, as the general conversion gives it.
  static constexpr double Powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
  const double Magnitude = double(Mantissa) / Powers[Fraction];
  Value = Negative ? -Magnitude : Magnitude;
  return Pos;
}

namespace {

// A date that exists, into Value.
bool Encoded(std::optional<double> Date, double& Value) {
  if (Date)
    Value = *Date;
  return Date.has_value();
}

// The writer's own form: two-digit day and month, a four-digit year, each at
// its fixed place. False for any other text; the places are looked at in
// order, so none beyond a shorter text's end is (a zero byte is neither a
// digit nor the mark).
template <bool YearFirst>
bool WritersDate(const char* Text, char Mark, bool DayFirst, double& Value) {
  // Which field each place adds its digit to; Sep for the marks.
  constexpr uint8_t Sep = 3;
  constexpr uint8_t Fields[2][10] = {{0, 0, Sep, 1, 1, Sep, 2, 2, 2, 2},
                                     {2, 2, 2, 2, Sep, 0, 0, Sep, 1, 1}};
  uint32_t Parts[3] = {}; // the first two-digit field, the second, the year
#pragma GCC unroll 10
  for (size_t I = 0; I < 10; ++I) {
    const uint8_t Field = Fields[YearFirst][I];
    if (Field == Sep) {
      if (Text[I] != Mark)
        return false;
      continue;
    }
    const uint32_t Digit = uint32_t(static_cast<unsigned char>(Text[I])) - '0';
    if (Digit > 9)
      return false;
    Parts[Field] = Parts[Field] * 10 + Digit;
  }
  if (Text[10] != 0)
    return false;
  return Encoded(EncodeDate(int(Parts[2]), int(DayFirst ? Parts[1] : Parts[0]),
                            int(DayFirst ? Parts[0] : Parts[1])),
                 Value);
}

} // namespace

size_t DateFromBytes(const char* Text, const TRegional& Settings, double& Value) {
  const char16_t Separator = Settings.DateSeparator.unicode();
  if (Separator >= 0x80 || Separator == 0 || Separator == u' ' ||
      (Separator >= u'0' && Separator <= u'9'))
    return 0;
  const char Mark = char(Separator);
  const bool Fixed =
      Settings.DateOrder == TDateOrder::YMD
          ? WritersDate<true>(Text, Mark, false, Value)
          : WritersDate<false>(Text, Mark, Settings.DateOrder == TDateOrder::DMY, Value);
  if (Fixed)
    return 10;
  uint32_t Parts[3] = {};
  size_t Digits[3] = {};
  size_t Part = 0;
  size_t Pos = 0;
  for (; Text[Pos] != 0; ++Pos) {
    const char C = Text[Pos];
    if (C >= '0' && C <= '9') {
      if (++Digits[Part] > 4)
        return 0;
      Parts[Part] = Parts[Part] * 10 + uint32_t(C - '0');
    } else if (C == Mark && Digits[Part] > 0 && Part < 2) {
      ++Part;
    } else {
      return 0;
    }
  }
  if (Part != 2 || Digits[2] == 0)
    return 0;
  const size_t YearAt = Settings.DateOrder == TDateOrder::YMD ? 0 : 2;
  const size_t MonthAt = Settings.DateOrder == TDateOrder::DMY ? 1 : YearAt == 0 ? 1 : 0;
  const size_t DayAt = 3 - YearAt - MonthAt;
  // Two-digit years lie in a window around this year.
  if (Digits[YearAt] <= 2)
    return 0;
  return Encoded(EncodeDate(int(Parts[YearAt]), int(Parts[MonthAt]), int(Parts[DayAt])), Value)
             ? Pos
             : 0;
}

bool CostUnderflowed(double Value, const char* Text) {
  if (std::fpclassify(Value) != FP_ZERO && std::fpclassify(Value) != FP_SUBNORMAL)
    return false;
  for (const char* C = Text; C && *C && *C != 'e' && *C != 'E'; ++C)
    if (*C >= '1' && *C <= '9')
      return true;
  return false;
}
