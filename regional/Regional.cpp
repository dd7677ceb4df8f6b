#include "regional/Regional.h"

#include "regional/Iconv.h"

#include <QDate>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <vector>

// --- Settings -----------------------------------------------------------------

namespace {

const QByteArray CPattern = "%m/%d/%y";
const QByteArray CCharset = "ANSI_X3.4-1968";

TRegional CSettings() {
  return TRegional::FromPattern(CPattern, u'.', CCharset);
}

struct TCurrentHolder {
  bool FRead = false;
  TRegional FSettings;
};

TCurrentHolder& CurrentHolder() {
  static TCurrentHolder Holder;
  return Holder;
}

enum class TField { None, Day, Month, Year };

struct TPatternItem {
  TField Field = TField::None; // None: a literal
  int Width = 0;
  QString Literal;
};

// Splits a D_FMT pattern into fields and literals. Conversions that are no
// date field (weekday names, times, ...) become literals so that the pattern
// no longer fits the simple form and falls back to "/".
void SplitPattern(const QString& Pattern, std::vector<TPatternItem>& Items, int Depth) {
  auto AddLiteral = [&Items](const QString& Text) {
    if (!Items.empty() && Items.back().Field == TField::None)
      Items.back().Literal += Text;
    else
      Items.push_back({TField::None, 0, Text});
  };
  const qsizetype N = Pattern.size();
  qsizetype I = 0;
  while (I < N) {
    const QChar C = Pattern[I];
    if (C != u'%' || I + 1 >= N) {
      AddLiteral(QString(C));
      ++I;
      continue;
    }
    const qsizetype Start = I;
    ++I;
    // glibc flags, a field width, then the E and O modifiers.
    QChar Flag;
    while (I < N && (Pattern[I] == u'-' || Pattern[I] == u'_' || Pattern[I] == u'0' ||
                     Pattern[I] == u'^' || Pattern[I] == u'#')) {
      Flag = Pattern[I];
      ++I;
    }
    while (I < N && Pattern[I].isDigit())
      ++I;
    while (I < N && (Pattern[I] == u'E' || Pattern[I] == u'O'))
      ++I;
    if (I >= N) {
      AddLiteral(Pattern.mid(Start));
      break;
    }
    const char16_t Conv = Pattern[I].unicode();
    ++I;
    const bool NoPad = Flag == u'-' || Flag == u'_';
    switch (Conv) {
    case u'd':
      Items.push_back({TField::Day, NoPad ? 1 : 2, {}});
      break;
    case u'e':
      Items.push_back({TField::Day, Flag == u'0' ? 2 : 1, {}});
      break;
    case u'm':
      Items.push_back({TField::Month, NoPad ? 1 : 2, {}});
      break;
    case u'b':
    case u'B':
    case u'h':
      // Month names cannot be typed back; a number stands in for them.
      Items.push_back({TField::Month, 2, {}});
      break;
    case u'y':
    case u'g':
      Items.push_back({TField::Year, 2, {}});
      break;
    case u'Y':
    case u'G':
    case u'C':
      Items.push_back({TField::Year, 4, {}});
      break;
    case u'D':
      if (Depth < 2)
        SplitPattern(QStringLiteral("%m/%d/%y"), Items, Depth + 1);
      break;
    case u'F':
      if (Depth < 2)
        SplitPattern(QStringLiteral("%Y-%m-%d"), Items, Depth + 1);
      break;
    case u'x':
      // The date representation itself; inside D_FMT only the C one makes sense.
      if (Depth < 2)
        SplitPattern(QStringLiteral("%m/%d/%y"), Items, Depth + 1);
      break;
    case u'%':
      AddLiteral(QStringLiteral("%"));
      break;
    case u'n':
      AddLiteral(QStringLiteral("\n"));
      break;
    case u't':
      AddLiteral(QStringLiteral("\t"));
      break;
    default:
      AddLiteral(Pattern.mid(Start, I - Start));
      break;
    }
  }
}

} // namespace

const TRegional& TRegional::Current() {
  TCurrentHolder& Holder = CurrentHolder();
  if (!Holder.FRead) {
    Holder.FSettings = FromLocale(QByteArray());
    Holder.FRead = true;
  }
  return Holder.FSettings;
}

void TRegional::SetCurrent(const TRegional& Settings) {
  TCurrentHolder& Holder = CurrentHolder();
  Holder.FSettings = Settings;
  Holder.FRead = true;
}

TRegional TRegional::FromLocale(const QByteArray& Name) {
  locale_t Locale = newlocale(LC_ALL_MASK, Name.constData(), static_cast<locale_t>(nullptr));
  if (Locale == static_cast<locale_t>(nullptr))
    return CSettings();
  const QByteArray DFmt = nl_langinfo_l(D_FMT, Locale);
  const QByteArray Radix = nl_langinfo_l(RADIXCHAR, Locale);
  const QByteArray Thousands = nl_langinfo_l(THOUSEP, Locale);
  QByteArray Codeset = nl_langinfo_l(CODESET, Locale);
  freelocale(Locale);
  if (Codeset.isEmpty())
    Codeset = CCharset;
  TRegional Probe;
  Probe.Charset = Codeset;
  const QString RadixText = FromAnsi(Radix, Probe);
  QChar Decimal = u'.';
  if (RadixText.size() == 1 && !RadixText[0].isDigit() && RadixText[0] != u' ')
    Decimal = RadixText[0];
  TRegional Result = FromPattern(DFmt, Decimal, Codeset);
  const QString GroupText = FromAnsi(Thousands, Probe);
  if (GroupText.size() == 1 && GroupText[0] != Decimal)
    Result.GroupSeparator = GroupText[0];
  return Result;
}

std::optional<TRegional> TRegional::TryFromLocale(const QByteArray& Name) {
  locale_t Locale = newlocale(LC_ALL_MASK, Name.constData(), static_cast<locale_t>(nullptr));
  if (Locale == static_cast<locale_t>(nullptr))
    return std::nullopt;
  freelocale(Locale);
  return FromLocale(Name);
}

TRegional TRegional::FromPattern(const QByteArray& DFmt, QChar Decimal, const QByteArray& Charset) {
  TRegional Result;
  Result.DecimalSeparator = Decimal;
  Result.Charset = Charset;
  TRegional Probe;
  Probe.Charset = Charset;
  std::vector<TPatternItem> Items;
  SplitPattern(FromAnsi(DFmt, Probe), Items, 0);

  // The fields in their order, each kind once.
  std::vector<TPatternItem> Fields;
  for (const TPatternItem& Item : Items) {
    if (Item.Field == TField::None)
      continue;
    bool Seen = false;
    for (const TPatternItem& F : Fields)
      Seen = Seen || F.Field == Item.Field;
    if (!Seen)
      Fields.push_back(Item);
  }
  auto PosOf = [&Fields](TField Kind) {
    for (size_t I = 0; I < Fields.size(); ++I)
      if (Fields[I].Field == Kind)
        return static_cast<int>(I);
    return -1;
  };
  for (const TPatternItem& F : Fields) {
    if (F.Field == TField::Day)
      Result.DayWidth = F.Width;
    else if (F.Field == TField::Month)
      Result.MonthWidth = F.Width;
    else
      Result.YearWidth = F.Width;
  }
  const int D = PosOf(TField::Day), M = PosOf(TField::Month), Y = PosOf(TField::Year);
  // Only three orders exist; an unusual one goes by where the year stands and
  // then by whether the day comes before the month.
  if (Y == 0 && (D > 0 || M > 0))
    Result.DateOrder = TDateOrder::YMD;
  else if (D >= 0 && (M < 0 || D < M))
    Result.DateOrder = TDateOrder::DMY;
  else
    Result.DateOrder = TDateOrder::MDY;

  // Simple form: field, separator, field, same separator, field.
  bool Simple = Items.size() == 5 && Items[1].Field == TField::None &&
                Items[3].Field == TField::None && Items[1].Literal.size() == 1 &&
                Items[1].Literal == Items[3].Literal && Fields.size() == 3 &&
                Items[0].Field != TField::None && Items[2].Field != TField::None &&
                Items[4].Field != TField::None;
  if (Simple) {
    const TField A = Items[0].Field, B = Items[2].Field, C = Items[4].Field;
    Simple = (A == TField::Month && B == TField::Day && C == TField::Year) ||
             (A == TField::Day && B == TField::Month && C == TField::Year) ||
             (A == TField::Year && B == TField::Month && C == TField::Day);
  }
  QChar Separator = u'/';
  if (Simple) {
    const QChar S = Items[1].Literal[0];
    // Blanks and digits could not be told apart from the numbers when reading.
    if (!S.isDigit() && !S.isSpace())
      Separator = S;
  }
  Result.DateSeparator = Separator;
  return Result;
}

// --- Dates --------------------------------------------------------------------

namespace {

constexpr int64_t MsPerDay = 86400000;
constexpr qint64 DayZeroJulian = 2415019; // 30 December 1899

// Years 1 to 9999 of the proleptic Gregorian calendar: what four digits hold.
bool ValidDate(int Y, int M, int D) {
  return Y >= 1 && Y <= 9999 && QDate::isValid(Y, M, D);
}

double DayCount(int Y, int M, int D) {
  return static_cast<double>(QDate(Y, M, D).toJulianDay() - DayZeroJulian);
}

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

QString Padded(int Value, int Width) {
  char Buffer[8];
  return QString::fromLatin1(Buffer, PutPadded(Buffer, Value, Width) - Buffer);
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

QString FormatDate(int Y, int M, int D, const TRegional& S, int YearWidth) {
  // Digits alone in bytes, the separator (any character) put in as text.
  char Buffer[DateCharsMax];
  const char* const End = PutDate(Buffer, Y, M, D, S, YearWidth, "\x01");
  QString Out = QString::fromLatin1(Buffer, End - Buffer);
  Out.replace(QChar(1), S.DateSeparator);
  return Out;
}

QString DateMessage(const QString& Text) {
  return QStringLiteral("''") + Text + QStringLiteral("'' is not a valid date");
}

} // namespace

double EncodeDate(int Year, int Month, int Day) {
  if (!ValidDate(Year, Month, Day))
    throw TError(DateMessage(Padded(Year, 4) + u'-' + Padded(Month, 2) + u'-' + Padded(Day, 2)));
  return DayCount(Year, Month, Day);
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
  const QDate Result = QDate::fromJulianDay(Days + DayZeroJulian);
  if (Result.year() < 1 || Result.year() > 9999)
    return false;
  Year = Result.year();
  Month = Result.month();
  Day = Result.day();
  return true;
}

char* DateToFileChars(int Year, int Month, int Day, const TRegional& Settings,
                      std::string_view Separator, char* Out) {
  return PutDate(Out, Year, Month, Day, Settings, 4, Separator);
}

QString DateToStr(double Date, const TRegional& Settings) {
  int Y = 0, M = 0, D = 0;
  // Lists show nothing rather than a wrong date for a count outside the range.
  if (!DecodeDate(Date, Y, M, D))
    return QString();
  return FormatDate(Y, M, D, Settings, Settings.YearWidth);
}

QString DateToFileStr(double Date, const TRegional& Settings) {
  int Y = 0, M = 0, D = 0;
  // A file must never receive a date that it cannot read back.
  if (!DecodeDate(Date, Y, M, D))
    throw TError(DateMessage(QString::number(Date, 'g', 17)));
  return FormatDate(Y, M, D, Settings, 4);
}

double StrToDate(const QString& Text, const TRegional& Settings) {
  return StrToDate(Text, Settings, CurrentYear());
}

double StrToDate(const QString& Text, const TRegional& Settings, int ThisYear) {
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
    throw TError(DateMessage(Text));

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
  }
  if (!ValidDate(Y, M, D))
    throw TError(DateMessage(Text));
  return DayCount(Y, M, D);
}

// --- 8-bit character set --------------------------------------------------------

namespace {

bool IsUtf8(const QByteArray& Charset) {
  const QByteArray C = Charset.toUpper();
  return C == "UTF-8" || C == "UTF8";
}

// iconv's transliteration follows the calling thread's LC_CTYPE; a fixed locale
// for the duration of the call keeps the output independent of the process
// locale. The locale object is made once and kept for the whole run.
class TFixedCtype {
public:
  TFixedCtype() {
    static const locale_t Fixed = [] {
      locale_t L = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
      if (L == static_cast<locale_t>(nullptr))
        L = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
      return L;
    }();
    if (Fixed != static_cast<locale_t>(nullptr)) {
      FPrevious = uselocale(Fixed);
      FSet = true;
    }
  }
  ~TFixedCtype() {
    if (FSet)
      uselocale(FPrevious);
  }
  TFixedCtype(const TFixedCtype&) = delete;
  TFixedCtype& operator=(const TFixedCtype&) = delete;

private:
  bool FSet = false;
  locale_t FPrevious = static_cast<locale_t>(nullptr);
};

} // namespace

QByteArray ToAnsi(const QString& Text, const TRegional& Settings) {
  const QByteArray Utf8 = Text.toUtf8();
  if (IsUtf8(Settings.Charset))
    return Utf8;
  TFixedCtype Ctype;
  TIconv Converter(Settings.Charset + "//TRANSLIT", "UTF-8");
  if (!Converter.IsOpen()) {
    // Unknown character set: plain ASCII, everything else a question mark.
    QByteArray Out;
    for (qsizetype I = 0; I < Utf8.size();) {
      const unsigned char C = static_cast<unsigned char>(Utf8[I]);
      Out += C < 0x80 ? static_cast<char>(C) : '?';
      I += C < 0x80 ? 1 : std::min<qsizetype>(TIconv::Utf8Length(C), Utf8.size() - I);
    }
    return Out;
  }
  // A character without a counterpart or transliteration: one "?" for it.
  // Stateful character sets end in their initial shift state.
  return Converter.Convert(Utf8, {"?", /*WholeUtf8Sequence=*/true, /*ResetState=*/false},
                           /*EndInInitialState=*/true);
}

QString FromAnsi(const QByteArray& Bytes, const TRegional& Settings) {
  if (IsUtf8(Settings.Charset))
    return QString::fromUtf8(Bytes);
  TIconv Converter("UTF-8", Settings.Charset);
  if (!Converter.IsOpen()) {
    QString Out;
    for (const char C : Bytes)
      Out += static_cast<unsigned char>(C) < 0x80 ? QChar(static_cast<char16_t>(C))
                                                  : QChar(QChar::ReplacementCharacter);
    return Out;
  }
  // An invalid or incomplete byte: the replacement character, then go on.
  return QString::fromUtf8(
      Converter.Convert(Bytes, {"\xEF\xBF\xBD", /*WholeUtf8Sequence=*/false, /*ResetState=*/true},
                        /*EndInInitialState=*/false));
}
