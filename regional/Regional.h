#pragma once

// The user's regional settings and the conversions that every window, the set
// file and the text export share. Nothing here goes through the process
// locale: the widget toolkit sets that from the environment, and files must
// not depend on it.

#include "failures/Failure.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

enum class TDateOrder { MDY, DMY, YMD };

struct TRegional {
  TDateOrder DateOrder = TDateOrder::MDY;
  int DayWidth = 1;   // 1: no leading zero, 2: two digits
  int MonthWidth = 1; // likewise
  int YearWidth = 2;  // 2 or 4
  QChar DateSeparator = u'/';
  QChar DecimalSeparator = u'.';
  QChar GroupSeparator;                  // digit grouping; null where the locale groups none
  QByteArray Charset = "ANSI_X3.4-1968"; // iconv name of the 8-bit character set

  // The process-wide settings, read from the environment's locale on first use.
  static const TRegional& Current();
  // Replaces the process-wide settings (tests, and nothing else).
  static void SetCurrent(const TRegional& Settings);
  // The settings of a named locale ("" means the environment's), read with
  // newlocale and nl_langinfo_l so that nothing global changes. Unknown
  // locales give the C settings.
  static TRegional FromLocale(const QByteArray& Name);
  // The same, but nullopt for a locale that the C library does not know, for
  // callers that must not fall back to the C settings silently.
  static std::optional<TRegional> TryFromLocale(const QByteArray& Name);
  // Parses an nl_langinfo D_FMT pattern such as "%d.%m.%Y".
  static TRegional FromPattern(const QByteArray& DFmt, QChar Decimal, const QByteArray& Charset);
};

// Day count: day 0 is 30 December 1899, the fraction is the time of day (before
// day 0 the integer part is the day and the time counts away from zero).
// Nothing for a date that does not exist or lies outside the years 1..9999.
std::optional<double> EncodeDate(int Year, int Month, int Day);
// Date part of a day count as year, month, day; false when outside the years 1..9999.
bool DecodeDate(double Date, int& Year, int& Month, int& Day);

// The date part in the short date pattern of Settings (lists, dialogs, export);
// empty for a count outside the years 1..9999.
QString DateToStr(double Date, const TRegional& Settings);
// The same appended to Out: what an export does for every line.
void AppendDate(QString& Out, double Date, const TRegional& Settings);
// The same with the year always written with four digits (the set file); fails
// rather than write a date outside 1..9999 that could not be read back.
TResult<QString> DateToFileStr(double Date, const TRegional& Settings);
// The bytes of DateToFileStr's form of Year-Month-Day (a date DecodeDate gave)
// into Out, Separator standing for the date separator (at most 12 bytes, so
// that an escaped one fits); returns the end, at most DateCharsMax bytes on.
constexpr size_t DateCharsMax = 32;
char* DateToFileChars(int Year, int Month, int Day, const TRegional& Settings,
                      std::string_view Separator, char* Out);
// Regional date reading; fails with "''%s'' is not a valid date". Two-digit
// years fall in the hundred years from ThisYear - 50, and a date without a year
// lies in ThisYear.
// FromToday, when given, tells whether the year or its century came from
// ThisYear.
TResult<double> StrToDate(const QString& Text, const TRegional& Settings, int ThisYear,
                          bool* FromToday = nullptr);
// The same against this year by the clock.
TResult<double> StrToDate(const QString& Text, const TRegional& Settings);

// General form, at most 15 significant digits (set file, main window list, test
// view list). Infinities and NaN give "INF", "-INF" and "NAN", which no reader takes.
QString CostToStr(double Cost, QChar Decimal);
// The same as bytes into Out, Decimal standing for the decimal separator (at
// most 12 bytes); returns the end, at most CostCharsMax bytes on.
constexpr size_t CostCharsMax = 48;
char* CostToChars(double Cost, std::string_view Decimal, char* Out);
// The set file's cost reading; fails with "'%s' is not a valid floating point value".
// The 15-digit form of the largest doubles (up to 1.79769313486232E308) reads as DBL_MAX.
TResult<double> StrToCost(const QString& Text, QChar Decimal);

// The price typed in the item dialog; nullopt when refused. Both "." and "," are
// the decimal point whatever Decimal is, except the one that is Group: "1,234"
// under a "," grouping is a thousand, not a fraction, and is refused. A text
// with two of them is refused.
std::optional<double> ParseCost(const QString& Text, QChar Decimal, QChar Group = QChar());
// Exactly two decimals, halves away from zero after 18 significant digits;
// 10^18 and more in general form (item dialog, text export).
QString FormatCost(double Cost, QChar Decimal);
// The same appended to Out.
void AppendCost(QString& Out, double Cost, QChar Decimal);

// 32-bit integer reading of "detail" and "default"; fails with
// "''%s'' is not a valid integer value". Hexadecimal forms give the 32-bit
// pattern ("$FFFFFFFF" is -1).
TResult<int32_t> StrToInt(const QString& Text);

// Text in the 8-bit character set of Settings (iconv; transliterated where it lacks a
// character, "?" where nothing fits). FromAnsi gives U+FFFD for bytes it cannot decode.
QByteArray ToAnsi(const QString& Text, const TRegional& Settings);
QString FromAnsi(const QByteArray& Bytes, const TRegional& Settings);
