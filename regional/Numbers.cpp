// Number texts: the general form of costs, the set file's cost and integer
// reading, and the item dialog's price reading and two-decimal form.

#include "regional/Regional.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>

namespace {

// A decimal number as digits: value = 0.Digits * 10^Exp, Digits without
// leading or trailing zeros (empty for zero).
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int64_t Exp = 0;
};

// Exponents are kept far from overflow; anything beyond this is out of range
// of a double anyway.
constexpr int64_t ExpLimit = 1000000000;

TDecimal MakeDecimal(bool Negative, const std::string& IntDigits, const std::string& FracDigits,
                     int64_t Exponent) {
  TDecimal D;
  D.Negative = Negative;
  std::string All = IntDigits + FracDigits;
  int64_t Exp = static_cast<int64_t>(IntDigits.size()) + Exponent;
  size_t Lead = 0;
  while (Lead < All.size() && All[Lead] == '0')
    ++Lead;
  size_t End = All.size();
  while (End > Lead && All[End - 1] == '0')
    --End;
  if (Lead == End)
    return D; // zero
  D.Digits = All.substr(Lead, End - Lead);
  D.Exp = Exp - static_cast<int64_t>(Lead);
  return D;
}

// Compares the magnitudes of two nonzero decimals.
int CompareMagnitude(const std::string& ADigits, int64_t AExp, const std::string& BDigits,
                     int64_t BExp) {
  if (AExp != BExp)
    return AExp < BExp ? -1 : 1;
  const int C = ADigits.compare(BDigits);
  return C < 0 ? -1 : (C > 0 ? 1 : 0);
}

// The 15-digit form of the largest doubles (1.79769313486232E308) rounds
// above the largest finite double. Both readers take it, and anything up to
// it, as that double: the set file so that every written cost reads back, the
// item dialog so that OK accepts the price it shows itself.
const char* const MaxDouble15 = "179769313486232";
constexpr int64_t MaxDoubleExp = 309;

enum class TConvert { Ok, Overflow };

// Correctly rounded conversion; underflow gives zero of the right sign.
TConvert ToDouble(const TDecimal& D, double& Value) {
  const double Zero = D.Negative ? -0.0 : 0.0;
  if (D.Digits.empty() || D.Exp < -400) {
    Value = Zero;
    return TConvert::Ok;
  }
  if (D.Exp > MaxDoubleExp)
    return TConvert::Overflow;
  std::string Text = "0." + D.Digits + "e" + std::to_string(D.Exp);
  double Result = 0;
  const auto R = std::from_chars(Text.data(), Text.data() + Text.size(), Result,
                                 std::chars_format::scientific);
  if (R.ec == std::errc::result_out_of_range) {
    if (D.Exp > 0)
      return TConvert::Overflow;
    Value = Zero;
    return TConvert::Ok;
  }
  if (R.ec != std::errc() || std::isinf(Result))
    return TConvert::Overflow;
  Value = D.Negative ? -Result : Result;
  return TConvert::Ok;
}

// The 18 significant digits of |Value| (finite, nonzero) into Digits; returns
// the power of ten of the first.
int Digits18(double Value, char (&Digits)[18]) {
  char Buffer[32];
  const char* const End = std::to_chars(Buffer, Buffer + sizeof Buffer, std::fabs(Value),
                                        std::chars_format::scientific, 17)
                              .ptr;
  Digits[0] = Buffer[0];
  std::memcpy(Digits + 1, Buffer + 2, 17);
  int Exp10 = 0;
  const char* E = Buffer + 20; // past "d.", 17 digits and "e"
  const bool Negative = *E == '-';
  for (++E; E < End; ++E)
    Exp10 = Exp10 * 10 + (*E - '0');
  return Negative ? -Exp10 : Exp10;
}

TFailure FloatError(const QString& Text) {
  return TFailure::Converting(Conversion::NotAFloat, Text);
}

void SkipBlanks(const QString& Text, qsizetype& Pos) {
  while (Pos < Text.size() && Text[Pos] == u' ')
    ++Pos;
}

// Steps past a sign if there is one; true for a minus.
bool TakeSign(const QString& Text, qsizetype& Pos) {
  if (Pos < Text.size() && (Text[Pos] == u'+' || Text[Pos] == u'-'))
    return Text[Pos++] == u'-';
  return false;
}

} // namespace

// Infinities and NaN cannot come from ParseCost or StrToCost. They are written
// as "INF", "-INF" and "NAN": visible in the lists and refused by StrToCost, so
// that a file holding one fails to load loudly instead of reading a wrong number.
char* CostToChars(double Cost, std::string_view Decimal, char* Out) {
  const auto Put = [&Out](std::string_view Text) {
    Out = std::copy(Text.begin(), Text.end(), Out);
  };
  if (std::isnan(Cost) || std::isinf(Cost) || Cost == 0) {
    Put(std::isnan(Cost) ? "NAN" : Cost == 0 ? "0" : Cost < 0 ? "-INF" : "INF");
    return Out;
  }
  // 18 digits rounded to 15, halves up; a carry out of the first digit
  // makes it a 1 and raises the power.
  char Digits[18];
  int Exp10 = Digits18(Cost, Digits);
  if (Digits[15] >= '5') {
    int I = 15;
    while (I > 0 && Digits[I - 1] == '9')
      Digits[--I] = '0';
    if (I == 0) {
      Digits[0] = '1';
      ++Exp10;
    } else {
      ++Digits[I - 1];
    }
  }
  int N = 15;
  while (N > 1 && Digits[N - 1] == '0')
    --N;
  const std::string_view All(Digits, size_t(N));

  if (Cost < 0)
    *Out++ = '-';
  if (Exp10 >= -4 && Exp10 < 15) {
    if (Exp10 >= 0) {
      for (int I = 0; I <= Exp10; ++I)
        *Out++ = I < N ? Digits[I] : '0';
      if (N > Exp10 + 1) {
        Put(Decimal);
        Put(All.substr(size_t(Exp10) + 1));
      }
    } else {
      *Out++ = '0';
      Put(Decimal);
      Out = std::fill_n(Out, -Exp10 - 1, '0');
      Put(All);
    }
  } else {
    *Out++ = Digits[0];
    if (N > 1) {
      Put(Decimal);
      Put(All.substr(1));
    }
    *Out++ = 'E';
    if (Exp10 < 0)
      *Out++ = '-';
    Out = std::to_chars(Out, Out + 8, std::abs(Exp10)).ptr;
  }
  return Out;
}

QString CostToStr(double Cost, QChar Decimal) {
  // Digits alone in bytes, the separator (any character) put in as text.
  char Buffer[CostCharsMax];
  const char* const End = CostToChars(Cost, "\x01", Buffer);
  QString Out = QString::fromLatin1(Buffer, End - Buffer);
  Out.replace(QChar(1), Decimal);
  return Out;
}

TResult<double> StrToCost(const QString& Text, QChar Decimal) {
  const qsizetype N = Text.size();
  qsizetype Pos = 0;
  auto Fail = [&Text]() { return FloatError(Text); };
  SkipBlanks(Text, Pos);
  const bool Negative = TakeSign(Text, Pos);
  std::string IntDigits, FracDigits;
  bool SeenSeparator = false;
  while (Pos < N) {
    const QChar C = Text[Pos];
    if (C >= u'0' && C <= u'9') {
      (SeenSeparator ? FracDigits : IntDigits) += static_cast<char>(C.unicode());
    } else if (C == Decimal && !SeenSeparator) {
      SeenSeparator = true;
    } else {
      break;
    }
    ++Pos;
  }
  if (IntDigits.empty() && FracDigits.empty())
    return Fail();
  int64_t Exponent = 0;
  if (Pos < N && (Text[Pos] == u'E' || Text[Pos] == u'e')) {
    ++Pos;
    const bool ExpNegative = TakeSign(Text, Pos);
    const qsizetype Start = Pos;
    while (Pos < N && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
      Exponent = std::min<int64_t>(Exponent * 10 + (Text[Pos].unicode() - u'0'), ExpLimit);
      ++Pos;
    }
    if (Pos == Start)
      return Fail();
    if (ExpNegative)
      Exponent = -Exponent;
  }
  SkipBlanks(Text, Pos);
  if (Pos != N)
    return Fail();

  const TDecimal D = MakeDecimal(Negative, IntDigits, FracDigits, Exponent);
  double Value = 0;
  if (ToDouble(D, Value) == TConvert::Ok)
    return Value;
  if (CompareMagnitude(D.Digits, D.Exp, MaxDouble15, MaxDoubleExp) <= 0)
    return D.Negative ? -DBL_MAX : DBL_MAX;
  return Fail();
}

std::optional<double> ParseCost(const QString& Text, QChar Decimal, QChar Group) {
  const qsizetype N = Text.size();
  qsizetype Pos = 0;
  // Both the full stop and the comma are the decimal point, whatever the
  // regional separator, so that "1.0" and "1,0" both read everywhere; but the
  // grouping character never is, or a typed thousand would read as a fraction.
  auto IsPoint = [Decimal, Group](QChar C) {
    return C == Decimal || ((C == u'.' || C == u',') && C != Group);
  };
  SkipBlanks(Text, Pos);
  const bool Negative = TakeSign(Text, Pos);
  std::string IntDigits, FracDigits;
  bool Taken = false;
  while (Pos < N && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
    IntDigits += static_cast<char>(Text[Pos++].unicode());
    Taken = true;
  }
  if (Pos < N && IsPoint(Text[Pos])) {
    ++Pos;
    Taken = true;
    while (Pos < N && Text[Pos] >= u'0' && Text[Pos] <= u'9')
      FracDigits += static_cast<char>(Text[Pos++].unicode());
  }
  if (!Taken)
    return std::nullopt;
  int64_t Exponent = 0;
  if (Pos < N && (Text[Pos] == u'E' || Text[Pos] == u'e')) {
    ++Pos;
    const bool ExpNegative = TakeSign(Text, Pos);
    while (Pos < N && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
      if (Exponent >= 500)
        return std::nullopt;
      Exponent = Exponent * 10 + (Text[Pos++].unicode() - u'0');
    }
    if (ExpNegative)
      Exponent = -Exponent;
  }
  SkipBlanks(Text, Pos);
  if (Pos != N)
    return std::nullopt;

  const TDecimal D = MakeDecimal(Negative, IntDigits, FracDigits, Exponent);
  double Value = 0;
  if (ToDouble(D, Value) != TConvert::Ok || std::fabs(Value) == DBL_MAX) {
    if (CompareMagnitude(D.Digits, D.Exp, MaxDouble15, MaxDoubleExp) > 0)
      return std::nullopt;
    Value = D.Negative ? -DBL_MAX : DBL_MAX;
  }
  return Value == 0 ? 0.0 : Value;
}

QString FormatCost(double Cost, QChar Decimal) {
  QString Out;
  AppendCost(Out, Cost, Decimal);
  return Out;
}

void AppendCost(QString& Out, double Cost, QChar Decimal) {
  if (!std::isfinite(Cost) || std::fabs(Cost) >= 1e18) {
    Out += CostToStr(Cost, Decimal);
    return;
  }
  // Hundredths as digits, rounded by the third decimal of the 18-digit form,
  // halves away from zero. In place, since an export formats a cost a line.
  char Hundredths[24]; // below 1e18: at most 21 digits
  size_t N = 0;
  if (Cost != 0) {
    char Digits[18];
    // Digit I weighs 10^(Exp10 - I); the last kept one weighs 10^-2.
    const int Keep = Digits18(Cost, Digits) + 3;
    for (int I = 0; I < Keep; ++I)
      Hundredths[N++] = I < 18 ? Digits[I] : '0';
    if (Keep >= 0 && Keep < 18 && Digits[Keep] >= '5') {
      size_t I = N;
      while (I > 0 && Hundredths[I - 1] == '9')
        Hundredths[--I] = '0';
      if (I > 0) {
        ++Hundredths[I - 1];
      } else {
        std::memmove(Hundredths + 1, Hundredths, N++);
        Hundredths[0] = '1';
      }
    }
  }
  if (N < 3) {
    std::memmove(Hundredths + (3 - N), Hundredths, N);
    std::memset(Hundredths, '0', 3 - N);
    N = 3;
  }
  size_t IntStart = 0;
  while (IntStart < N - 3 && Hundredths[IntStart] == '0')
    ++IntStart;
  const bool IsZero = std::all_of(Hundredths, Hundredths + N, [](char C) { return C == '0'; });
  if (Cost < 0 && !IsZero)
    Out += u'-';
  Out += QLatin1String(Hundredths + IntStart, qsizetype(N - 2 - IntStart));
  Out += Decimal;
  Out += QLatin1String(Hundredths + N - 2, 2);
}

// Hexadecimal forms are read as a 32-bit pattern: up to FFFFFFFF is accepted
// and "$FFFFFFFF" is -1; a minus sign before them negates that pattern.
TResult<int32_t> StrToInt(const QString& Text) {
  const qsizetype N = Text.size();
  qsizetype Pos = 0;
  auto Fail = [&Text]() { return TFailure::Converting(Conversion::NotAnInteger, Text); };
  SkipBlanks(Text, Pos);
  const bool Negative = TakeSign(Text, Pos);
  bool Hex = false;
  if (Pos < N && (Text[Pos] == u'$' || Text[Pos] == u'x' || Text[Pos] == u'X')) {
    Hex = true;
    ++Pos;
  } else if (Pos + 1 < N && Text[Pos] == u'0' && (Text[Pos + 1] == u'x' || Text[Pos + 1] == u'X')) {
    Hex = true;
    Pos += 2;
  }
  const qsizetype Start = Pos;
  uint64_t Value = 0;
  const uint64_t Limit = Hex ? 0xFFFFFFFFull : (Negative ? 0x80000000ull : 0x7FFFFFFFull);
  while (Pos < N) {
    const char16_t C = Text[Pos].unicode();
    int Digit = -1;
    if (C >= u'0' && C <= u'9')
      Digit = C - u'0';
    else if (Hex && C >= u'a' && C <= u'f')
      Digit = C - u'a' + 10;
    else if (Hex && C >= u'A' && C <= u'F')
      Digit = C - u'A' + 10;
    if (Digit < 0)
      return Fail();
    Value = Value * (Hex ? 16 : 10) + static_cast<uint64_t>(Digit);
    if (Value > Limit)
      return Fail();
    ++Pos;
  }
  if (Pos == Start)
    return Fail();
  uint32_t Pattern = static_cast<uint32_t>(Value);
  if (Negative)
    Pattern = 0u - Pattern;
  return static_cast<int32_t>(Pattern);
}
