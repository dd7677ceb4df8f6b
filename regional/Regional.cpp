#include "regional/Regional.h"

#include "regional/Iconv.h"

#include <QHash>

#include <algorithm>
#include <clocale>
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

void AddLiteral(std::vector<TPatternItem>& Items, const QString& Text) {
  if (!Items.empty() && Items.back().Field == TField::None)
    Items.back().Literal += Text;
  else
    Items.push_back({TField::None, 0, Text});
}

// Skips the glibc flags, a field width, then the E and O modifiers from I;
// Flag is the last flag. Returns where the conversion letter is.
qsizetype SkipModifiers(const QString& Pattern, qsizetype I, QChar& Flag) {
  const qsizetype N = Pattern.size();
  while (I < N && (Pattern[I] == u'-' || Pattern[I] == u'_' || Pattern[I] == u'0' ||
                   Pattern[I] == u'^' || Pattern[I] == u'#')) {
    Flag = Pattern[I];
    ++I;
  }
  while (I < N && Pattern[I].isDigit())
    ++I;
  while (I < N && (Pattern[I] == u'E' || Pattern[I] == u'O'))
    ++I;
  return I;
}

void SplitPattern(const QString& Pattern, std::vector<TPatternItem>& Items, int Depth);

// Adds what the conversion Conv with Flag stands for; Text, as written, stays a
// literal when it is no date field.
void AddConversion(char16_t Conv, QChar Flag, const QString& Text, std::vector<TPatternItem>& Items,
                   int Depth) {
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
  case u'x':
    // %x is the date representation itself; inside D_FMT only the C one
    // makes sense, which is %D.
    if (Depth < 2)
      SplitPattern(QStringLiteral("%m/%d/%y"), Items, Depth + 1);
    break;
  case u'F':
    if (Depth < 2)
      SplitPattern(QStringLiteral("%Y-%m-%d"), Items, Depth + 1);
    break;
  case u'%':
    AddLiteral(Items, QStringLiteral("%"));
    break;
  case u'n':
    AddLiteral(Items, QStringLiteral("\n"));
    break;
  case u't':
    AddLiteral(Items, QStringLiteral("\t"));
    break;
  default:
    AddLiteral(Items, Text);
    break;
  }
}

// Splits a D_FMT pattern into fields and literals. Conversions that are no
// date field (weekday names, times, ...) become literals so that the pattern
// no longer fits the simple form and falls back to "/".
void SplitPattern(const QString& Pattern, std::vector<TPatternItem>& Items, int Depth) {
  const qsizetype N = Pattern.size();
  qsizetype I = 0;
  while (I < N) {
    const QChar C = Pattern[I];
    if (C != u'%' || I + 1 >= N) {
      AddLiteral(Items, QString(C));
      ++I;
      continue;
    }
    const qsizetype Start = I;
    QChar Flag;
    I = SkipModifiers(Pattern, I + 1, Flag);
    if (I >= N) {
      AddLiteral(Items, Pattern.mid(Start));
      break;
    }
    const char16_t Conv = Pattern[I].unicode();
    ++I;
    AddConversion(Conv, Flag, Pattern.mid(Start, I - Start), Items, Depth);
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
  const TIconv::TInvalid Invalid{"?", /*WholeUtf8Sequence=*/true, /*ResetState=*/false};
  // The transliteration turns some characters (a combining accent) into
  // nothing; those become "?" too, as a lost character must leave a trace.
  // Each distinct character is tried once.
  QHash<quint32, bool> Vanishes; // by the sequence's bytes

  QByteArray Kept;
  qsizetype Copied = 0;
  for (qsizetype I = 0; I < Utf8.size();) {
    const unsigned char C = static_cast<unsigned char>(Utf8[I]);
    if (C < 0x80) {
      ++I;
      continue;
    }
    const qsizetype Length = std::min<qsizetype>(TIconv::Utf8Length(C), Utf8.size() - I);
    const QByteArrayView Sequence(Utf8.constData() + I, Length);
    quint32 Key = 0;
    for (const char Byte : Sequence)
      Key = Key << 8 | static_cast<unsigned char>(Byte);
    auto It = Vanishes.constFind(Key);
    if (It == Vanishes.constEnd())
      It = Vanishes.insert(Key, Converter.Convert(Sequence, Invalid, true).isEmpty());
    if (*It) {
      Kept.append(Utf8.constData() + Copied, I - Copied);
      Kept += '?';
      Copied = I + Length;
    }
    I += Length;
  }
  if (Copied == 0)
    return Converter.Convert(Utf8, Invalid, /*EndInInitialState=*/true);
  Kept.append(Utf8.constData() + Copied, Utf8.size() - Copied);
  return Converter.Convert(Kept, Invalid, /*EndInInitialState=*/true);
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
