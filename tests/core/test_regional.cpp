// Regional settings, dates and 8-bit text.

#include "regional/Regional.h"
#include "tests/TestFailure.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <locale.h>
#include <string>

namespace {

TRegional Pattern(const char* DFmt, QChar Decimal = u'.') {
  return TRegional::FromPattern(DFmt, Decimal, "UTF-8");
}

struct TPatternCase {
  const char* DFmt;
  TDateOrder Order;
  int DayWidth, MonthWidth, YearWidth;
  char16_t Separator;
};

TEST(RegionalSettings, PatternsGiveOrderWidthsAndSeparator) {
  const TPatternCase Cases[] = {
      {"%d.%m.%Y", TDateOrder::DMY, 2, 2, 4, u'.'},
      {"%m/%d/%y", TDateOrder::MDY, 2, 2, 2, u'/'},
      {"%D", TDateOrder::MDY, 2, 2, 2, u'/'},
      {"%x", TDateOrder::MDY, 2, 2, 2, u'/'},
      {"%F", TDateOrder::YMD, 2, 2, 4, u'-'},
      {"%e.%-m.%Y", TDateOrder::DMY, 1, 1, 4, u'.'},
      {"%Od.%Om.%EY", TDateOrder::DMY, 2, 2, 4, u'.'},
      // Not "field, separator, field, same separator, field": order kept, "/".
      {"%Y. %m. %d.", TDateOrder::YMD, 2, 2, 4, u'/'},
      {"%Y年%m月%d日", TDateOrder::YMD, 2, 2, 4, u'/'},
      {"%a %d %b %Y", TDateOrder::DMY, 2, 2, 4, u'/'},
      {"%d %m %Y", TDateOrder::DMY, 2, 2, 4, u'/'},
      {"%d0%m0%Y", TDateOrder::DMY, 2, 2, 4, u'/'},
      {"%m/%Y/%d", TDateOrder::MDY, 2, 2, 4, u'/'},
  };
  for (const TPatternCase& C : Cases) {
    SCOPED_TRACE(C.DFmt);
    const TRegional R = Pattern(C.DFmt, u',');
    EXPECT_EQ(R.DateOrder, C.Order);
    EXPECT_EQ(R.DayWidth, C.DayWidth);
    EXPECT_EQ(R.MonthWidth, C.MonthWidth);
    EXPECT_EQ(R.YearWidth, C.YearWidth);
    EXPECT_EQ(R.DateSeparator, QChar(C.Separator));
    EXPECT_EQ(R.DecimalSeparator, QChar(u','));
  }
}

struct TLocaleCase {
  const char* Name;
  TDateOrder Order;
  int YearWidth;
  char16_t DateSeparator, Decimal;
  const char* Charset;
};

class NamedLocale : public testing::TestWithParam<TLocaleCase> {};

TEST_P(NamedLocale, Settings) {
  const TLocaleCase& C = GetParam();
  locale_t Probe = newlocale(LC_ALL_MASK, C.Name, static_cast<locale_t>(nullptr));
  // A missing locale fails rather than skips: tools/install-deps generates it.
  if (Probe == static_cast<locale_t>(nullptr))
    FAIL() << C.Name << " is not installed (tools/install-deps generates it)";
  freelocale(Probe);
  const TRegional R = TRegional::FromLocale(C.Name);
  EXPECT_EQ(R.DateOrder, C.Order);
  EXPECT_EQ(R.YearWidth, C.YearWidth);
  EXPECT_EQ(R.DateSeparator, QChar(C.DateSeparator));
  EXPECT_EQ(R.DecimalSeparator, QChar(C.Decimal));
  EXPECT_EQ(R.Charset, QByteArray(C.Charset));
}

INSTANTIATE_TEST_SUITE_P(
    RegionalSettings, NamedLocale,
    testing::Values(TLocaleCase{"C", TDateOrder::MDY, 2, u'/', u'.', "ANSI_X3.4-1968"},
                    TLocaleCase{"ru_RU.UTF-8", TDateOrder::DMY, 4, u'.', u',', "UTF-8"},
                    TLocaleCase{"ru_RU.CP1251", TDateOrder::DMY, 4, u'.', u',', "CP1251"},
                    TLocaleCase{"de_DE.UTF-8", TDateOrder::DMY, 4, u'.', u',', "UTF-8"},
                    TLocaleCase{"en_US.UTF-8", TDateOrder::MDY, 4, u'/', u'.', "UTF-8"},
                    TLocaleCase{"en_GB.UTF-8", TDateOrder::DMY, 2, u'/', u'.', "UTF-8"}),
    [](const testing::TestParamInfo<TLocaleCase>& Info) {
      std::string Name = Info.param.Name;
      for (char& C : Name)
        if (!std::isalnum(static_cast<unsigned char>(C)))
          C = '_';
      return Name;
    });

TEST(RegionalSettings, UnknownLocaleGivesCSettings) {
  const TRegional C = TRegional::FromLocale("C");
  const TRegional R = TRegional::FromLocale("xx_NOWHERE.NOCHARSET");
  EXPECT_EQ(R.DateOrder, C.DateOrder);
  EXPECT_EQ(R.YearWidth, 2);
  EXPECT_EQ(R.DateSeparator, QChar(u'/'));
  EXPECT_EQ(R.DecimalSeparator, QChar(u'.'));
  EXPECT_EQ(R.Charset, C.Charset);
}

TEST(RegionalSettings, SetCurrentReplaces) {
  const TRegional Saved = TRegional::Current();
  const TRegional Ru = Pattern("%d.%m.%Y", u',');
  TRegional::SetCurrent(Ru);
  EXPECT_EQ(DateToStr(*EncodeDate(2010, 7, 4), TRegional::Current()), QStringLiteral("04.07.2010"));
  EXPECT_EQ(CostToStr(12.5, TRegional::Current().DecimalSeparator), QStringLiteral("12,5"));
  TRegional::SetCurrent(Saved);
}

TEST(Dates, DayCounts) {
  EXPECT_EQ(*EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(*EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(*EncodeDate(2010, 3, 19), 40256);
  EXPECT_EQ(*EncodeDate(100, 1, 1), -657434);
  EXPECT_EQ(*EncodeDate(9999, 12, 31), 2958465);
  EXPECT_FALSE(EncodeDate(2010, 2, 29));
  EXPECT_EQ(*EncodeDate(1, 1, 1), -693593);
  EXPECT_FALSE(EncodeDate(0, 12, 31));
  EXPECT_FALSE(EncodeDate(10000, 1, 1));

  struct TCase {
    double Date;
    bool Ok;
    int Y, M, D;
  };
  const TCase Cases[] = {
      {40256.69, true, 2010, 3, 19},
      {1.9999999999, true, 1900, 1, 1},    // rounds to the next midnight
      {-1.5, true, 1899, 12, 29},          // negative: the integer part is the day
      {-5.9999999999, true, 1899, 12, 25}, // even where its time rounds to a whole day
      {-0.5, true, 1899, 12, 30},
      {2958465.999, true, 9999, 12, 31},
      {-657434.5, true, 100, 1, 1},
      {2958466, false, 0, 0, 0},
      {-657435, true, 99, 12, 31},
      {-693593.5, true, 1, 1, 1},
      {-693594, false, 0, 0, 0},
      {NAN, false, 0, 0, 0},
      {1e300, false, 0, 0, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Date);
    int Y = 0, M = 0, D = 0;
    ASSERT_EQ(DecodeDate(C.Date, Y, M, D), C.Ok);
    if (C.Ok) {
      EXPECT_EQ(Y, C.Y);
      EXPECT_EQ(M, C.M);
      EXPECT_EQ(D, C.D);
    }
  }
}

TEST(Dates, Writing) {
  struct TCase {
    const char* DFmt;
    int Y, M, D;
    const char* Shown;
    const char* File;
  };
  const TCase Cases[] = {
      {"%d.%m.%Y", 2010, 7, 4, "04.07.2010", "04.07.2010"},
      {"%m/%d/%y", 2010, 3, 19, "03/19/10", "03/19/2010"},
      {"%m/%d/%y", 1905, 1, 2, "01/02/05", "01/02/1905"},
      {"%e.%-m.%y", 2005, 1, 9, "9.1.05", "9.1.2005"},
      {"%F", 100, 1, 1, "0100-01-01", "0100-01-01"},
      {"%d/%m/%y", 9999, 12, 31, "31/12/99", "31/12/9999"},
      {"%d.%m.%Y", 50, 7, 4, "04.07.0050", "04.07.0050"},
      {"%d/%m/%y", 1, 1, 1, "01/01/01", "01/01/0001"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Shown);
    const TRegional R = Pattern(C.DFmt);
    // The time is not written; before day 0 it counts away from zero.
    const double Day = *EncodeDate(C.Y, C.M, C.D);
    const double Date = Day < 0 ? Day - 0.75 : Day + 0.75;
    EXPECT_EQ(DateToStr(Date, R), QString::fromUtf8(C.Shown));
    EXPECT_EQ(Ok(DateToFileStr(Date, R)), QString::fromUtf8(C.File));
    EXPECT_EQ(Ok(StrToDate(Ok(DateToFileStr(Date, R)), R)), *EncodeDate(C.Y, C.M, C.D));
  }
  // Outside the years a file can hold: nothing in a list, an error for a file.
  EXPECT_EQ(DateToStr(1e9, Pattern("%d.%m.%Y")), QString());
  EXPECT_FALSE(DateToFileStr(1e9, Pattern("%d.%m.%Y")));
}

TEST(Dates, Reading) {
  const int Year = 2026;
  const TRegional Dmy = Pattern("%d.%m.%Y");
  const TRegional Mdy = Pattern("%m/%d/%y");
  const TRegional Ymd = Pattern("%Y-%m-%d");
  struct TCase {
    const TRegional* R;
    const char* Text;
    int Y, M, D; // Y 0: refused
  };
  const TCase Cases[] = {
      {&Dmy, "04.07.2010", 2010, 7, 4},
      {&Dmy, " 4 . 7 . 2010", 2010, 7, 4},
      {&Dmy, "4.7.2010.", 2010, 7, 4},
      {&Dmy, "4.7.10", 2010, 7, 4},
      {&Dmy, "4.7.76", 1976, 7, 4}, // first year of the window
      {&Dmy, "4.7.75", 2075, 7, 4}, // last year of the window
      {&Dmy, "4.7.100", 100, 7, 4}, // three digits are not windowed
      {&Dmy, "1.1.0100", 100, 1, 1},
      {&Dmy, "04.07.0050", 50, 7, 4}, // four digits read as written
      {&Dmy, "1.1.099", 99, 1, 1},
      {&Dmy, "31.12.9999", 9999, 12, 31},
      {&Dmy, "29.02.2012", 2012, 2, 29},
      {&Dmy, "4.7", 2026, 7, 4},
      {&Dmy, "4.7.", 2026, 7, 4},
      {&Mdy, "3/19/10", 2010, 3, 19},
      {&Mdy, "3/19", 2026, 3, 19},
      {&Ymd, "10-3-19", 2010, 3, 19},
      {&Ymd, "3-19", 2026, 3, 19},
      {&Dmy, "4.7.2010 12:00", 0, 0, 0},
      {&Dmy, "4.7.2010.1", 0, 0, 0},
      {&Dmy, "31.04.2010", 0, 0, 0},
      {&Dmy, "29.02.2010", 0, 0, 0},
      {&Dmy, "1.13.2010", 0, 0, 0},
      {&Dmy, "1.1.0000", 0, 0, 0},
      {&Dmy, "04.07.02010", 0, 0, 0},
      {&Dmy, "4", 0, 0, 0},
      {&Dmy, "", 0, 0, 0},
      {&Dmy, "4/7/2010", 0, 0, 0},
      {&Dmy, "4.7.2010x", 0, 0, 0},
      {&Dmy, "٤.٧.٢٠١٠", 0, 0, 0}, // digits other than 0-9
  };
  for (const TCase& C : Cases) {
    const QString Text = QString::fromUtf8(C.Text);
    SCOPED_TRACE(C.Text);
    if (C.Y != 0) {
      EXPECT_EQ(Ok(StrToDate(Text, *C.R, Year)), *EncodeDate(C.Y, C.M, C.D));
      continue;
    }
    ExpectFailure([&] { return StrToDate(Text, *C.R, Year); },
                  QStringLiteral("''") + Text + QStringLiteral("'' is not a valid date"));
  }
}

TEST(Dates, WindowFollowsTheCurrentYear) {
  const TRegional Dmy = Pattern("%d.%m.%Y");
  const int Year = 2100;
  EXPECT_EQ(Ok(StrToDate(QStringLiteral("1.1.50"), Dmy, Year)), *EncodeDate(2050, 1, 1));
  EXPECT_EQ(Ok(StrToDate(QStringLiteral("1.1.49"), Dmy, Year)), *EncodeDate(2149, 1, 1));
  EXPECT_EQ(Ok(StrToDate(QStringLiteral("1.1"), Dmy, Year)), *EncodeDate(2100, 1, 1));
}

TEST(AnsiText, CharacterSets) {
  TRegional Cp1251;
  Cp1251.Charset = "CP1251";
  TRegional Ascii;
  Ascii.Charset = "ANSI_X3.4-1968";
  TRegional Utf8;
  Utf8.Charset = "UTF-8";
  TRegional Unknown;
  Unknown.Charset = "NO-SUCH-CHARSET";

  const QString Privet = QString::fromUtf8("Привет");
  EXPECT_EQ(ToAnsi(Privet, Cp1251), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
  EXPECT_EQ(FromAnsi(QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"), Cp1251), Privet);
  EXPECT_EQ(ToAnsi(QString::fromUtf8("€"), Cp1251), QByteArray("\x88"));
  // Transliterated where the set lacks a character, "?" where nothing fits.
  EXPECT_EQ(ToAnsi(QString::fromUtf8("«a» 5€"), Ascii), QByteArray("<<a>> 5EUR"));
  EXPECT_EQ(ToAnsi(QString::fromUtf8("a☃b"), Cp1251), QByteArray("a?b"));
  // A combining accent, which the transliteration would drop, leaves a "?".
  EXPECT_EQ(ToAnsi(QString::fromUtf8("е\u0301ж"), Cp1251), QByteArray("\xE5?\xE6"));
  EXPECT_EQ(ToAnsi(QString::fromUtf8("a😀b"), Ascii), QByteArray("a?b"));
  EXPECT_EQ(ToAnsi(Privet, Unknown), QByteArray("??????"));
  // CP1251 leaves 0x98 unassigned.
  EXPECT_EQ(FromAnsi(QByteArray("a\x98z"), Cp1251), QString::fromUtf8("a\uFFFDz"));
  EXPECT_EQ(FromAnsi(QByteArray("a\xFFz"), Utf8), QString::fromUtf8("a\uFFFDz"));
  EXPECT_EQ(FromAnsi(QByteArray("a\xFFz"), Unknown), QString::fromUtf8("a\uFFFDz"));
  EXPECT_EQ(ToAnsi(Privet, Utf8), Privet.toUtf8());
  EXPECT_EQ(ToAnsi(QString(), Cp1251), QByteArray());
}

} // namespace
