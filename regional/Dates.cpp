// Dates as day counts from 30 December 1899, and their texts in the regional
// settings' layout.

#include "regional/Regional.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int64_t MsPerDay = 86400000;
constexpr qint64 DayZeroJulian = 2415019; // 30 December 1899

int CurrentYear() {
  return QDate::currentDate().year();
}

// Value with at least Width digits (zeros in front); Value is 0..9999.
char* PutPadded(char* Out, int Value, int Width) {
  char Digits[4];
  int N = 0;
  do {
    Digits[N++] = char('0' + Value % 10);
    Value /= 10;
  } while (Value > 0 && N < 4);
  for (int I = N; I < Width; ++I)
    *Out++ = '0';
  while (N > 0)
    *Out++ = Digits[--N];
  return Out;
}

// The one layout of a date that both the texts and the file's bytes take.
char* PutDate(char* Out, int Y, int M, int D, const TRegional& S, int YearWidth,
              std::string_view Sep) {
  const auto Field = [&](char* O, char Kind) {
    switch (Kind) {
    case 'd':
      return PutPadded(O, D, S.DayWidth == 2 ? 2 : 1);
    case 'm':
      return PutPadded(O, M, S.MonthWidth == 2 ? 2 : 1);
    default:
      return YearWidth == 2 ? PutPadded(O, Y % 100, 2) : PutPadded(O, Y, 4);
    }
  };
  const char* Order = S.DateOrder == TDateOrder::DMY   ? "dmy"
                      : S.DateOrder == TDateOrder::YMD ? "ymd"
                                                       : "mdy";
  for (int I = 0; I < 3; ++I) {
    if (I > 0)
      Out = std::copy(Sep.begin(), Sep.end(), Out);
    Out = Field(Out, Order[I]);
  }
  return Out;
}

void AppendFormatted(QString& Out, int Y, int M, int D, const TRegional& S, int YearWidth) {
  // Digits alone in bytes, the separator (any character) put in as text.
  char Buffer[DateCharsMax];
  const char* const End = PutDate(Buffer, Y, M, D, S, YearWidth, "\x01");
  QChar Units[DateCharsMax];
  qsizetype N = 0;
  for (const char* C = Buffer; C < End; ++C)
    Units[N++] = *C == '\x01' ? S.DateSeparator : QChar(uchar(*C));
  Out.append(Units, N);
}

QString FormatDate(int Y, int M, int D, const TRegional& S, int YearWidth) {
  QString Out;
  Out.reserve(DateCharsMax);
  AppendFormatted(Out, Y, M, D, S, YearWidth);
  return Out;
}

TFailure DateError(const QString& Text) {
  return TFailure::Converting(Conversion::NotADate, Text);
}

} // namespace

std::optional<double> EncodeDate(int Y, int M, int D) {
  static constexpr int MonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool Leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
  // Years 1 to 9999 of the proleptic Gregorian calendar: what four digits hold.
  if (Y < 1 || Y > 9999 || M < 1 || M > 12 || D < 1 || D > MonthDays[M - 1] + (M == 2 && Leap))
    return std::nullopt;
  // Days from the calendar's eras of 400 years, counted from 1 March of year
  // 0; day 0 is 30 December 1899. Arithmetic rather than QDate: the reader
  // takes a date for every item.
  const int YearFromMarch = M <= 2 ? Y - 1 : Y;
  const int Era = YearFromMarch / 400;
  const int YearOfEra = YearFromMarch - Era * 400;
  const int DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const int DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return double(Era * 146097 + DayOfEra - 693899);
}

bool DecodeDate(double Date, int& Year, int& Month, int& Day) {
  // Beyond this no date in 1..9999 can lie, and the product below stays exact.
  if (!(Date > -1e7 && Date < 1e7))
    return false;
  // Round to milliseconds first so that 1.99999999999 is day 2, not day 1 at 24:00.
  // A negative count keeps its day in the integer part: the time counts away
  // from zero there, and rounding it must not move the date to the day before.
  const int64_t Days = Date < 0 ? static_cast<int64_t>(Date)
                                : std::llround(Date * static_cast<double>(MsPerDay)) / MsPerDay;
  // The parts in one conversion: each of year(), month() and day() makes its own.
  int Y = 0, M = 0, D = 0;
  QDate::fromJulianDay(Days + DayZeroJulian).getDate(&Y, &M, &D);
  if (Y < 1 || Y > 9999)
    return false;
  Year = Y;
  Month = M;
  Day = D;
  return true;
}

char* DateToFileChars(int Year, int Month, int Day, const TRegional& Settings,
                      std::string_view Separator, char* Out) {
  return PutDate(Out, Year, Month, Day, Settings, 4, Separator);
}

QString DateToStr(double Date, const TRegional& Settings) {
  QString Out;
  AppendDate(Out, Date, Settings);
  return Out;
}

void AppendDate(QString& Out, double Date, const TRegional& Settings) {
  int Y = 0, M = 0, D = 0;
  // Lists show nothing rather than a wrong date for a count outside the range.
  if (DecodeDate(Date, Y, M, D))
    AppendFormatted(Out, Y, M, D, Settings, Settings.YearWidth);
}

TResult<QString> DateToFileStr(double Date, const TRegional& Settings) {
  int Y = 0, M = 0, D = 0;
  // A file must never receive a date that it cannot read back.
  if (!DecodeDate(Date, Y, M, D))
    return DateError(QString::number(Date, 'g', 17));
  return FormatDate(Y, M, D, Settings, 4);
}

TResult<double> StrToDate(const QString& Text, const TRegional& Settings) {
  return StrToDate(Text, Settings, CurrentYear());
}

TResult<double> StrToDate(const QString& Text, const TRegional& Settings, int ThisYear,
                          bool* FromToday) {
  const qsizetype N = Text.size();
  qsizetype Pos = 0;
  const QChar Sep = Settings.DateSeparator;
  auto SkipSpaces = [&] {
    while (Pos < N && Text[Pos] == u' ')
      ++Pos;
  };
  int Values[3] = {0, 0, 0};
  int Digits[3] = {0, 0, 0};
  int Count = 0;
  bool Ok = true;
  while (true) {
    SkipSpaces();
    int Len = 0, Value = 0;
    while (Pos < N && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
      if (++Len > 4)
        break;
      Value = Value * 10 + (Text[Pos].unicode() - u'0');
      ++Pos;
    }
    if (Len == 0 || Len > 4) {
      Ok = false;
      break;
    }
    Values[Count] = Value;
    Digits[Count] = Len;
    ++Count;
    SkipSpaces();
    if (Pos >= N)
      break;
    if (Text[Pos] != Sep) {
      Ok = false;
      break;
    }
    ++Pos;
    SkipSpaces();
    if (Pos >= N)
      break; // one trailing separator
    if (Count == 3) {
      Ok = false;
      break;
    }
  }
  if (!Ok || Count < 2)
    return DateError(Text);

  int Y = 0, M = 0, D = 0;
  if (Count == 3) {
    int YDigits = 0;
    switch (Settings.DateOrder) {
    case TDateOrder::MDY:
      M = Values[0], D = Values[1], Y = Values[2], YDigits = Digits[2];
      break;
    case TDateOrder::DMY:
      D = Values[0], M = Values[1], Y = Values[2], YDigits = Digits[2];
      break;
    case TDateOrder::YMD:
      Y = Values[0], M = Values[1], D = Values[2], YDigits = Digits[0];
      break;
    }
    if (FromToday)
      *FromToday = YDigits <= 2;
    if (YDigits <= 2) {
      const int First = ThisYear - 50;
      Y += First - First % 100;
      if (Y < First)
        Y += 100;
    }
  } else {
    if (Settings.DateOrder == TDateOrder::DMY)
      D = Values[0], M = Values[1];
    else
      M = Values[0], D = Values[1];
    Y = ThisYear;
    if (FromToday)
      *FromToday = true;
  }
  if (const std::optional<double> Value = EncodeDate(Y, M, D))
    return *Value;
  return DateError(Text);
}
