// Cost, price, integer and GUID texts.

#include "regional/Guid.h"
#include "regional/Regional.h"
#include "tests/TestFailure.h"

#include <QUuid>

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

// Each of Texts refused by Read with the message Pattern, "%1" the text.
template <size_t N, class TRead>
void ExpectRefused(const char* (&Texts)[N], const char* Pattern, TRead Read) {
  for (const char* Text : Texts) {
    const QString T = QString::fromUtf8(Text);
    SCOPED_TRACE(Text);
    ExpectFailure([&] { return Read(T); }, QString::fromUtf8(Pattern).arg(T));
  }
}

struct TCostCase {
  double Value;
  char16_t Decimal;
  const char* Text;
};

TEST(CostToStr, GeneralForm) {
  const TCostCase Cases[] = {
      {0, u',', "0"},
      {-0.0, u',', "0"},
      {12.5, u',', "12,5"},
      {-3, u',', "-3"},
      {1e14, u'.', "100000000000000"},
      {0.1 + 0.2, u',', "0,3"},
      {1.0 / 3, u'.', "0.333333333333333"},
      {0.0001, u',', "0,0001"},
      {0.00012345, u'.', "0.00012345"},
      {0.00005, u',', "5E-5"},
      {-1.5e-5, u',', "-1,5E-5"},
      {999999999999999.4, u'.', "999999999999999"},
      {999999999999999.5, u'.', "1E15"}, // rounds up to 10^15
      {1e15, u'.', "1E15"},
      {1e20, u'.', "1E20"},
      {123456789012345678.0, u',', "1,23456789012346E17"},
      {0.000099999999999999999, u'.', "0.0001"},
      {DBL_MAX, u',', "1,79769313486232E308"},
      {DBL_MIN, u'.', "2.2250738585072E-308"},
      {5e-324, u'.', "4.94065645841247E-324"},
      {INFINITY, u'.', "INF"},
      {NAN, u'.', "NAN"},
  };
  for (const TCostCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(CostToStr(C.Value, C.Decimal), QString::fromUtf8(C.Text));
  }
}

TEST(StrToCost, AcceptsAndRefuses) {
  const TCostCase Accepted[] = {
      {12.5, u',', "12,5"},
      {-12.5, u',', "  -12,5  "},
      {0.5, u',', ",5"},
      {5, u',', "5,"},
      {1000, u'.', "1E+3"},
      {1e20, u'.', "1E20"},
      {0, u'.', "1E-400"},
      {123, u'.', "000123.000"},
      {5e-324, u'.', "4.94065645841247E-324"},
      // The 15-digit form of the largest doubles stands for the largest double.
      {DBL_MAX, u',', "1,79769313486232E308"},
      {-DBL_MAX, u'.', "-1.79769313486232E308"},
      {DBL_MAX, u'.', "1.79769313486231571E308"},
  };
  for (const TCostCase& C : Accepted) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(Ok(StrToCost(QString::fromUtf8(C.Text), C.Decimal)), C.Value);
  }
  const TCostCase Refused[] = {
      {0, u',', ""},
      {0, u',', "   "},
      {0, u',', ","},
      {0, u',', "-"},
      {0, u',', "12.5"},
      {0, u'.', "12,5"},
      {0, u',', "1 000"},
      {0, u',', "1,2,3"},
      {0, u',', "1E"},
      {0, u',', "1E+"},
      {0, u',', "E5"},
      {0, u',', "12,5р"},
      {0, u',', "\t1"},
      {0, u',', "1\t"},
      {0, u',', "--1"},
      {0, u'.', "INF"},
      {0, u'.', "NAN"},
      {0, u'.', "0x10"},
      {0, u'.', "1E309"},
      {0, u'.', "1e99999999999999999999"},
      {0, u'.', "1.79769313486233E308"},
      {0, u'.', "1.7976931348623200001E308"},
  };
  for (const TCostCase& C : Refused) {
    const QString Text = QString::fromUtf8(C.Text);
    SCOPED_TRACE(C.Text);
    ExpectFailure([&] { return StrToCost(Text, C.Decimal); },
                  QStringLiteral("'") + Text +
                      QStringLiteral("' is not a valid floating point value"));
  }
}

// X rounded to 15 significant digits the way the lists round: its 18-digit
// form cut after the 15th digit, the magnitude rounded up from a 5; above the
// largest double, that double.
double Rounded15(double X) {
  const std::string S = QString::number(std::fabs(X), 'e', 17).toStdString();
  const std::string Digits = S.substr(0, 1) + S.substr(2, 17);
  const int Exp = std::stoi(S.substr(S.find('e') + 1));
  const uint64_t Kept = std::stoull(Digits.substr(0, 15)) + (Digits[15] >= '5' ? 1 : 0);
  const std::string Text = std::to_string(Kept) + "e" + std::to_string(Exp - 14);
  double Y = 0;
  if (std::from_chars(Text.data(), Text.data() + Text.size(), Y).ec != std::errc())
    Y = DBL_MAX;
  return std::copysign(Y, X);
}

TEST(StrToCost, ReadsBackWhatCostToStrWrites) {
  std::mt19937_64 Random(20100319);
  std::uniform_real_distribution<double> Mantissa(-10, 10);
  std::uniform_int_distribution<int> Power(-30, 30);
  for (int I = 0; I < 20000; ++I) {
    double X = 0;
    if (I % 2 == 0) {
      X = Mantissa(Random) * std::pow(10.0, Power(Random));
    } else {
      const uint64_t Bits = Random();
      std::memcpy(&X, &Bits, sizeof X);
      if (!std::isfinite(X))
        continue;
    }
    const QChar Decimal = I % 3 == 0 ? u',' : u'.';
    const QString Text = CostToStr(X, Decimal);
    SCOPED_TRACE(Text.toStdString());
    const double Back = Ok(StrToCost(Text, Decimal));
    EXPECT_EQ(Back, Rounded15(X));
    EXPECT_EQ(CostToStr(Back, Decimal), Text);
  }
}

struct TParseCase {
  const char* Text;
  bool Ok;
  double Value;
};

void CheckParse(const TParseCase* Cases, size_t Count, QChar Decimal) {
  for (size_t I = 0; I < Count; ++I) {
    const TParseCase& C = Cases[I];
    SCOPED_TRACE(std::string(C.Text) + " under " + static_cast<char>(Decimal.unicode()));
    const std::optional<double> R = ParseCost(QString::fromUtf8(C.Text), Decimal);
    ASSERT_EQ(R.has_value(), C.Ok);
    if (C.Ok) {
      EXPECT_EQ(*R, C.Value);
    }
  }
}

TEST(ParseCost, UnderTheComma) {
  const TParseCase Cases[] = {
      {"12.5", true, 12.5},   {"12,5", true, 12.5}, {" 12,50 ", true, 12.5}, {"+12,5", true, 12.5},
      {"1,25E1", true, 12.5}, {"-3", true, -3},     {"0", true, 0},          {".", true, 0},
      {",", true, 0},         {"1.0", true, 1},     {"", false, 0},          {"   ", false, 0},
      {"-", false, 0},        {"1 000", false, 0},  {"1,000.5", false, 0},   {"12,5 р.", false, 0},
      {"12,5;", false, 0},
  };
  CheckParse(Cases, std::size(Cases), u',');
}

TEST(ParseCost, UnderTheFullStop) {
  const TParseCase Cases[] = {
      {"12,5", true, 12.5},   {"12.5", true, 12.5},  {" 12.50 ", true, 12.5}, {"+12.5", true, 12.5},
      {"1.25E1", true, 12.5}, {"-3", true, -3},      {"0", true, 0},          {",", true, 0},
      {".", true, 0},         {"1.0", true, 1},      {"1,0", true, 1},        {"", false, 0},
      {"   ", false, 0},      {"-", false, 0},       {"1 000", false, 0},     {"1.000,5", false, 0},
      {"1,000.5", false, 0},  {"12.5 р.", false, 0}, {"12.5;", false, 0},
  };
  CheckParse(Cases, std::size(Cases), u'.');
}

// The locale's grouping character is no decimal point; where it is neither
// "." nor "," (a space under ru_RU) both stay decimal points.
TEST(ParseCost, UnderNamedLocales) {
  const struct {
    const char* Locale;
    const char* Text;
    bool Ok;
    double Value;
  } Cases[] = {
      {"en_US.UTF-8", "1,234", false, 0}, {"en_US.UTF-8", "1.234", true, 1.234},
      {"de_DE.UTF-8", "1.234", false, 0}, {"de_DE.UTF-8", "1,234", true, 1.234},
      {"ru_RU.UTF-8", "1.5", true, 1.5},  {"ru_RU.UTF-8", "1,5", true, 1.5},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Text) + " under " + C.Locale);
    const std::optional<TRegional> R = TRegional::TryFromLocale(C.Locale);
    ASSERT_TRUE(R) << "tools/install-deps generates the locale";
    const std::optional<double> Got =
        ParseCost(QString::fromUtf8(C.Text), R->DecimalSeparator, R->GroupSeparator);
    ASSERT_EQ(Got.has_value(), C.Ok);
    if (C.Ok) {
      EXPECT_EQ(*Got, C.Value);
    }
  }
}

TEST(ParseCost, EdgesOfTheGrammar) {
  const TParseCase Cases[] = {
      {"1..5", false, 0},
      {"E5", false, 0},
      {"\t1", false, 0},
      {"1\u00A0", false, 0},
      {"1e", true, 1},
      {"1E+", true, 1},
      {",e5", true, 0},
      {"-0", true, 0},
      {"-,5", true, -0.5},
      {"1E0000000000001", true, 10}, // leading zeros never reach 500
      {"1E499", false, 0},           // beyond the largest double
      {"1E500", false, 0},
      {"1E5000", false, 0}, // a digit after the exponent reached 500
      {"1E-500", true, 0},
      {"1E-5000", false, 0},
      {"1.7976931348623157E308", true, DBL_MAX},
      // The largest double as the dialog shows it, and what lies between.
      {"1,79769313486232E308", true, DBL_MAX},
      {"-1.7976931348623158E308", true, -DBL_MAX},
      {"1.79769313486233E308", false, 0},
      {"4.9406564584124654E-324", true, 5e-324},
  };
  CheckParse(Cases, std::size(Cases), u',');
  EXPECT_FALSE(std::signbit(*ParseCost(QStringLiteral("-0"), u',')));
}

TEST(FormatCost, TwoDecimals) {
  const TCostCase Cases[] = {
      {12.5, u',', "12,50"},
      {1, u',', "1,00"},
      {-3, u',', "-3,00"},
      {0.125, u',', "0,13"},
      {1234.5, u',', "1234,50"},
      {1234.5, u'.', "1234.50"},
      {2.675, u'.', "2.67"}, // the double lies just below 2.675
      {1.005, u'.', "1.00"},
      {0.125, u'.', "0.13"},
      {-0.125, u'.', "-0.13"},
      {-0.001, u'.', "0.00"},
      {-0.0, u'.', "0.00"},
      {0.005, u'.', "0.01"},
      {1e-300, u'.', "0.00"},
      {999.995, u'.', "1000.00"},
      {123456789012345.67, u'.', "123456789012345.67"},
      {999999999999999872.0, u'.', "999999999999999872.00"},
      {1e18, u'.', "1E18"},
      {-1e18, u',', "-1E18"},
  };
  for (const TCostCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(FormatCost(C.Value, C.Decimal), QString::fromUtf8(C.Text));
  }
  // What the dialog shows reads back as the rounded price.
  EXPECT_EQ(*ParseCost(FormatCost(0.125, u','), u','), 0.13);
  EXPECT_EQ(*ParseCost(FormatCost(DBL_MAX, u','), u','), DBL_MAX);
}

TEST(StrToInt, DecimalAndHexForms) {
  struct TCase {
    const char* Text;
    int32_t Value;
  };
  const TCase Accepted[] = {
      {"0", 0},
      {"  42", 42},
      {"-42", -42},
      {"007", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"$10", 16},
      {"x1f", 31},
      {"X1F", 31},
      {"0x7FFFFFFF", INT32_MAX},
      {"-$1", -1},
      {"$FFFFFFFF", -1}, // the 32-bit pattern
      {"$80000000", INT32_MIN},
      {"00000000000000000001", 1},
  };
  for (const TCase& C : Accepted) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(Ok(StrToInt(QString::fromUtf8(C.Text))), C.Value);
  }
  const char* Refused[] = {
      "",           " ",   "-",    "+",    "2147483648", "-2147483649",
      "$100000000", "42 ", "4 2",  "true", "$",          "0x",
      "1.0",        "\t1", "0x-1", "$-1",  "1e3",        "99999999999999999999",
      "0x1G",       "٤٢"};
  ExpectRefused(Refused, "''%1'' is not a valid integer value",
                [](const QString& T) { return StrToInt(T); });
}

TEST(GUIDText, BothWays) {
  const TGUID G{0x01020304, 0x0506, 0x0708, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0xF0}};
  EXPECT_EQ(GUIDToString(G), QStringLiteral("{01020304-0506-0708-090A-0B0C0D0E0FF0}"));
  EXPECT_EQ(Ok(StringToGUID(QStringLiteral("{01020304-0506-0708-090a-0b0c0d0e0ff0}"))), G);

  std::mt19937 Random(7);
  for (int I = 0; I < 200; ++I) {
    TGUID R;
    R.D1 = static_cast<uint32_t>(Random());
    R.D2 = static_cast<uint16_t>(Random());
    R.D3 = static_cast<uint16_t>(Random());
    for (uint8_t& B : R.D4)
      B = static_cast<uint8_t>(Random());
    EXPECT_EQ(Ok(StringToGUID(GUIDToString(R))), R);
    EXPECT_EQ(Ok(StringToGUID(GUIDToString(R).toLower())), R);
  }

  const char* Malformed[] = {
      "",
      "01020304-0506-0708-090A-0B0C0D0E0FF0",
      "{01020304-0506-0708-090A-0B0C0D0E0FF0",
      "{01020304-0506-0708-090A-0B0C0D0E0FF0}}",
      "{01020304-0506-0708-090A-0B0C0D0E0FG0}",
      "{0102030405-06-0708-090A-0B0C0D0E0FF0}",
      "{01020304-0506-0708-090A0-B0C0D0E0FF0}",
      "{０1020304-0506-0708-090A-0B0C0D0E0FF0}",
  };
  ExpectRefused(Malformed, "'%1' is not a valid GUID value",
                [](const QString& T) { return StringToGUID(T); });
}

// Every byte at every place: only a digit where a digit goes, the marks where
// they go, and each digit's value where it lands.
TEST(GUIDText, EveryByteAtEveryPlace) {
  const std::string Good = "{01234567-89AB-CDEF-0123-456789abcdef}";
  TGUID Base;
  ASSERT_TRUE(ParseGUID(Good, Base));
  for (size_t At = 0; At < Good.size(); ++At) {
    for (int B = 0; B < 256; ++B) {
      std::string Text = Good;
      Text[At] = char(B);
      const bool Mark = At == 0 || At == 37 || At == 9 || At == 14 || At == 19 || At == 24;
      const bool Hex = std::isxdigit(B) != 0;
      TGUID G;
      SCOPED_TRACE(testing::Message() << "byte " << B << " at " << At);
      ASSERT_EQ(ParseGUID(Text, G), Mark ? char(B) == Good[At] : Hex);
      if (!Mark && Hex) {
        EXPECT_EQ(G, GUIDFromUuid(QUuid::fromString(QLatin1StringView(Text.data(), 38))));
      }
    }
  }
}

} // namespace
