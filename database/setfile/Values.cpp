#include "database/setfile/Values.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstring>

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

} // namespace

QString Utf8ToText(std::string_view Bytes) {
  const auto* In = reinterpret_cast<const unsigned char*>(Bytes.data());
  const size_t Size = Bytes.size();
  // Every byte but a continuation starts a character; four-byte ones take a
  // surrogate pair. Counted eight bytes at a time, one bit a byte.
  constexpr uint64_t Low = 0x0101010101010101;
  size_t Units = 0, I = 0;
  uint64_t High = 0;
  for (; I + 8 <= Size; I += 8) {
    uint64_t W;
    std::memcpy(&W, In + I, 8);
    High |= W;
    // The bytes' bits summed into the top byte.
    const uint64_t Starts = ((~W >> 7) | (W >> 6)) & Low;
    const uint64_t Pairs = (W >> 7) & (W >> 6) & (W >> 5) & (W >> 4) & Low;
    Units += size_t(((Starts + Pairs) * Low) >> 56);
  }
  for (; I < Size; ++I) {
    High |= In[I];
    Units += size_t(!IsContinuation(In[I])) + size_t(In[I] >= 0xF0);
  }
  if ((High & (Low << 7)) == 0)
    return QString::fromLatin1(Bytes.data(), qsizetype(Size));
  QString Text(qsizetype(Units), Qt::Uninitialized);
  char16_t* Out = reinterpret_cast<char16_t*>(Text.data());
  // Each sequence is checked for its continuations, so that it writes the
  // units counted for its first byte.
  const auto Continues = [&](size_t I, size_t Length) {
    bool Ok = I + Length <= Size;
    for (size_t K = 1; Ok && K < Length; ++K)
      Ok = IsContinuation(In[I + K]);
    return Ok;
  };
  for (I = 0; I < Size;) {
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
      return DecodeSlowly(Bytes);
    }
  }
  return Text;
}

namespace {

// Digits from Text[Pos] on, at most Max of them; their count.
size_t TakeDigits(std::string_view Text, size_t& Pos, size_t Max, uint64_t& Value) {
  const size_t Start = Pos;
  while (Pos < Text.size() && Pos - Start < Max && Text[Pos] >= '0' && Text[Pos] <= '9')
    Value = Value * 10 + uint64_t(Text[Pos++] - '0');
  return Pos - Start;
}

} // namespace

bool IntFromBytes(std::string_view Text, int32_t& Value) {
  size_t Pos = 0;
  uint64_t Digits = 0;
  if (TakeDigits(Text, Pos, 9, Digits) == 0 || Pos != Text.size())
    return false;
  Value = int32_t(Digits);
  return true;
}

bool CostFromBytes(std::string_view Text, QChar Decimal, double& Value) {
  size_t Pos = 0;
  const bool Negative = !Text.empty() && Text[0] == '-';
  Pos += Negative;
  uint64_t Mantissa = 0;
  const size_t Whole = TakeDigits(Text, Pos, 15, Mantissa);
  size_t Fraction = 0;
  if (Whole > 0 && Pos < Text.size() && Decimal.unicode() < 0x80 &&
      Text[Pos] == char(Decimal.unicode())) {
    ++Pos;
    Fraction = TakeDigits(Text, Pos, 15 - Whole, Mantissa);
    if (Fraction == 0)
      return false;
  }
  // A sign on zero is the general conversion's to decide.
  if (Whole == 0 || Pos != Text.size() || (Negative && Mantissa == 0))
    return false;
  // Both numbers are exact doubles, so the quotient is the nearest double to
  // the decimal, as the general conversion gives it.
  static constexpr double Powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
  const double Magnitude = double(Mantissa) / Powers[Fraction];
  Value = Negative ? -Magnitude : Magnitude;
  return true;
}

bool DateFromBytes(std::string_view Text, const TRegional& Settings, double& Value) {
  const char16_t Separator = Settings.DateSeparator.unicode();
  if (Separator >= 0x80 || Separator == u' ' || (Separator >= u'0' && Separator <= u'9'))
    return false;
  const char Mark = char(Separator);
  uint32_t Parts[3] = {};
  size_t Digits[3] = {};
  size_t Part = 0;
  for (const char C : Text) {
    if (C >= '0' && C <= '9') {
      if (++Digits[Part] > 4)
        return false;
      Parts[Part] = Parts[Part] * 10 + uint32_t(C - '0');
    } else if (C == Mark && Digits[Part] > 0 && Part < 2) {
      ++Part;
    } else {
      return false;
    }
  }
  if (Part != 2 || Digits[2] == 0)
    return false;
  const size_t YearAt = Settings.DateOrder == TDateOrder::YMD ? 0 : 2;
  const size_t MonthAt = Settings.DateOrder == TDateOrder::DMY ? 1 : YearAt == 0 ? 1 : 0;
  const size_t DayAt = 3 - YearAt - MonthAt;
  // Two-digit years lie in a window around this year.
  if (Digits[YearAt] <= 2)
    return false;
  const int64_t Y = int64_t(Parts[YearAt]), M = int64_t(Parts[MonthAt]), D = int64_t(Parts[DayAt]);
  static constexpr int MonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool Leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
  if (Y < 1 || M < 1 || M > 12 || D < 1 || D > MonthDays[M - 1] + (M == 2 && Leap))
    return false;
  // Days from the proleptic Gregorian calendar's eras of 400 years, counted
  // from 1 March of year 0; day 0 is 30 December 1899.
  const int64_t YearFromMarch = M <= 2 ? Y - 1 : Y;
  const int64_t Era = YearFromMarch / 400;
  const int64_t YearOfEra = YearFromMarch - Era * 400;
  const int64_t DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  Value = double(Era * 146097 + DayOfEra - 693899);
  return true;
}
