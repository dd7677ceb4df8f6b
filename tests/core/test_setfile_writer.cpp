// The byte-building writer against the stream writer it replaced, the values
// it refuses or must write as the lists show them, and the reader's fast
// conversions against the general ones.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/Schema.h"
#include "database/setfile/Values.h"
#include "tests/TestFailure.h"
#include "tests/TestSettings.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QXmlStreamWriter>

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <random>

namespace {

// The writer the set file had before, on QXmlStreamWriter, kept as the oracle
// for the bytes.
QString XmlSafe(const QString& Text) {
  QString Out = Text;
  for (qsizetype I = 0; I < Out.size(); ++I) {
    const char16_t U = Out[I].unicode();
    const bool Pair =
        QChar::isHighSurrogate(U) && I + 1 < Out.size() && Out[I + 1].isLowSurrogate();
    if (Pair)
      ++I;
    else if ((U < 0x20 && U != u'\t' && U != u'\n' && U != u'\r') || U >= 0xFFFE ||
             QChar::isSurrogate(U))
      Out[I] = QChar(QChar::ReplacementCharacter);
  }
  return Out;
}

// Each value as the file should hold it, by the name of its row in the
// schema: a row that the oracle does not know yet fails the test.
QString TypeValue(const TTypeRecord& T, std::string_view Key) {
  if (Key == "GUID")
    return GUIDToString(T.GUID);
  if (Key == "name")
    return XmlSafe(T.Name);
  if (Key == "language")
    return XmlSafe(T.Language);
  if (Key == "country")
    return XmlSafe(T.Country);
  ADD_FAILURE() << "a set's attribute the oracle does not know: " << Key;
  return {};
}

QString PropValue(const TPropRecord& P, std::string_view Key, const TRegional& Settings) {
  if (Key == "GUID")
    return GUIDToString(P.GUID);
  if (Key == "name")
    return XmlSafe(P.Name);
  if (Key == "detail")
    return QString::number(P.Detail);
  if (Key == "default")
    return QString::number(int(P.Default));
  if (Key == "date")
    return Ok(DateToFileStr(P.Date, Settings));
  if (Key == "cost")
    return CostToStr(P.Cost, Settings.DecimalSeparator);
  if (Key == "curr")
    return XmlSafe(P.Curr);
  ADD_FAILURE() << "an item's attribute the oracle does not know: " << Key;
  return {};
}

void WriteWithStreamWriter(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  QString Text;
  QXmlStreamWriter W(&Text);
  W.writeProcessingInstruction(QStringLiteral("xml"),
                               QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
  W.writeCharacters(QStringLiteral("\r\n"));
  const auto Attribute = [&W](const char* Name, const QString& Value) {
    W.writeAttribute(QString::fromLatin1(Name), Value);
  };
  DB.TypeCount() == 0 ? W.writeEmptyElement(QStringLiteral("propdb"))
                      : W.writeStartElement(QStringLiteral("propdb"));
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const PTypeRecord Type = DB.Types(T);
    std::vector<PPropRecord> Items;
    for (int P = 0; P < DB.PropCount(); ++P)
      if (DB.Props(P)->Parent == Type)
        Items.push_back(DB.Props(P));
    W.writeCharacters(QStringLiteral("\r\n  "));
    Items.empty() ? W.writeEmptyElement(QStringLiteral("type"))
                  : W.writeStartElement(QStringLiteral("type"));
    for (const TAttribute<TTypeRecord>& Row : TypeAttributes)
      Attribute(Row.Key, TypeValue(*Type, Row.Key));
    for (const PPropRecord Prop : Items) {
      W.writeCharacters(QStringLiteral("\r\n    "));
      W.writeEmptyElement(QStringLiteral("prop"));
      for (const TAttribute<TPropRecord>& Row : PropAttributes)
        Attribute(Row.Key, PropValue(*Prop, Row.Key, Settings));
    }
    if (!Items.empty()) {
      W.writeCharacters(QStringLiteral("\r\n  "));
      W.writeEndElement();
    }
  }
  if (DB.TypeCount() > 0) {
    W.writeCharacters(QStringLiteral("\r\n"));
    W.writeEndElement();
  }
  W.writeCharacters(QStringLiteral("\r\n"));
  Device.write(Text.toUtf8());
}

template <class TWrite> QByteArray Written(TWrite Write, const TPropDB& DB, const TRegional& R) {
  QBuffer Device;
  Device.open(QIODevice::WriteOnly);
  if constexpr (std::is_void_v<decltype(Write(Device, DB, R))>)
    Write(Device, DB, R);
  else
    Ok(Write(Device, DB, R));
  return Device.data();
}

// Every kind of code unit that needs an escape, a replacement or more than
// one byte, among plain letters.
QString RandomText(std::mt19937& Rng) {
  static const char16_t Units[] = {u'a',   u'Z',   u' ',   u'&',   u'<',   u'>',   u'"',
                                   u'\'',  u'\t',  u'\n',  u'\r',  0x01,   0x1F,   0x00,
                                   0x7F,   0x85,   0xE9,   u'Ж',   u'ё',   0x2028, 0xFFFD,
                                   0xFFFE, 0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFDD0};
  QString Text;
  for (int N = int(Rng() % 12); N > 0; --N) {
    if (Rng() % 8 == 0) {
      Text += QChar(char16_t(0xD800 + Rng() % 0x400)); // a pair, non-BMP
      Text += QChar(char16_t(0xDC00 + Rng() % 0x400));
    } else {
      Text += QChar(Units[Rng() % std::size(Units)]);
    }
  }
  return Text;
}

double RandomCost(std::mt19937_64& Rng) {
  const double Fixed[] = {0,
                          -0.0,
                          12.5,
                          0.1,
                          1e15,
                          1e-5,
                          5e-5,
                          DBL_MAX,
                          -DBL_MAX,
                          DBL_MIN,
                          4.9e-324,
                          999999999999999.5,
                          0.30000000000000004};
  switch (Rng() % 4) {
  case 0:
    return Fixed[Rng() % std::size(Fixed)];
  case 1:
    return double(int64_t(Rng() % 2000001) - 1000000) / 100;
  default: {
    const double Bits = std::bit_cast<double>(Rng());
    return std::isfinite(Bits) ? Bits : 1.0;
  }
  }
}

TEST(SetFileWriter, WritesWhatTheStreamWriterWrites) {
  const TRegional Regionals[] = {CommaRegional(),
                                 MakeRegional(TDateOrder::MDY, 1, 1, 2, u'/', u'.'),
                                 // Separators that must be escaped or take more than one byte.
                                 MakeRegional(TDateOrder::YMD, 2, 1, 2, u'&', QChar(0x066B))};
  std::mt19937 Rng(19);
  std::mt19937_64 Rng64(19);
  TPropDB DB, Elsewhere;
  for (int T = 0; T < 60; ++T) {
    const PTypeRecord Set = DB.AddType();
    NewGUID(Set->GUID);
    Set->Name = RandomText(Rng);
    Set->Language = RandomText(Rng);
    Set->Country = RandomText(Rng);
  }
  DB.AddProp(Elsewhere.AddType()); // a parent outside the set list: never written
  for (int P = 0; P < 4000; ++P) {
    const PPropRecord Item = DB.AddProp(DB.Types(int(Rng() % 50))); // ten sets stay empty
    NewGUID(Item->GUID);
    Item->Name = RandomText(Rng);
    Item->Curr = RandomText(Rng);
    Item->Detail = Rng() % 2 ? int(Rng() % 4) : int(int32_t(Rng()));
    Item->Default = Rng() % 2;
    Item->Cost = RandomCost(Rng64);
    // Any time of day, over the years 1 to 9999.
    Item->Date = double(int(Rng() % 3652059) - 693593) + double(Rng() % 1000) / 1000;
  }
  for (const TRegional& R : Regionals) {
    const QByteArray Expected = Written(WriteWithStreamWriter, DB, R);
    const QByteArray Actual = Written(WriteSetFile, DB, R);
    qsizetype At = 0;
    while (At < Expected.size() && At < Actual.size() && Expected[At] == Actual[At])
      ++At;
    EXPECT_EQ(Actual.size(), Expected.size());
    EXPECT_EQ(Actual.mid(At, 80), Expected.mid(At, 80)) << "from byte " << At;
  }
  TPropDB Empty;
  EXPECT_EQ(Written(WriteSetFile, Empty, CommaRegional()),
            Written(WriteWithStreamWriter, Empty, CommaRegional()));
}

// The date part written is the one the lists show, also where a count just
// before midnight rounds to the next day and the day before shares a text.
TEST(SetFileWriter, DatesAreTheDatePartsShown) {
  const double Dates[] = {-6.0, -5.9999999999, -5.0, -0.9999999999, 0, 1.9999999999, 2.0};
  const TRegional R = CommaRegional();
  TPropDB DB;
  const PTypeRecord Set = DB.AddType();
  for (const double Date : Dates)
    DB.AddProp(Set)->Date = Date;
  const QString Text = QString::fromUtf8(Written(WriteSetFile, DB, R));
  qsizetype From = 0;
  for (const double Date : Dates) {
    SCOPED_TRACE(Date);
    From = Text.indexOf(QStringLiteral("date=\""), From) + 6;
    EXPECT_EQ(Text.mid(From, 10), DateToStr(Date, R));
  }
}

// A fast reading gives what the general conversion gives, or leaves the text
// to it; it takes every date and cost that the writer produces.
TEST(FastValues, AgreeWithTheGeneralConversions) {
  const TRegional Regionals[] = {CommaRegional(),
                                 MakeRegional(TDateOrder::MDY, 1, 1, 2, u'/', u'.'),
                                 MakeRegional(TDateOrder::YMD, 2, 2, 4, u'-', u'&')};
  const char* Texts[] = {"0",
                         "7",
                         "-0",
                         "-0,0",
                         "007",
                         "123456789",
                         "1234567890",
                         "12,5",
                         "12.5",
                         "-1,25",
                         "0,1",
                         "1,",
                         ",5",
                         "1E5",
                         " 1",
                         "999999999999999",
                         "9999999999999999",
                         "0,30000000000000004",
                         "123456789012,345",
                         "04.07.2010",
                         "4.7.2010",
                         "29.02.2024",
                         "29.02.2023",
                         "29.02.1900",
                         "31.04.2022",
                         "01.01.0001",
                         "31.12.9999",
                         "1.1.99",
                         "1.1.099",
                         "12/31/1999",
                         "2/29/2000",
                         "2010-07-04",
                         "0.1.2000",
                         "",
                         "1..2010"};
  std::mt19937_64 Rng(6);
  for (const TRegional& R : Regionals) {
    std::vector<std::string> All(std::begin(Texts), std::end(Texts));
    for (int Day = -693593; Day < 2958466; Day += 997)
      All.push_back(Ok(DateToFileStr(Day, R)).toStdString());
    for (int I = 0; I < 2000; ++I)
      All.push_back(CostToStr(RandomCost(Rng), R.DecimalSeparator).toStdString());
    int DatesTaken = 0, CostsTaken = 0;
    for (const std::string& Text : All) {
      SCOPED_TRACE(Text);
      const QString General = QString::fromStdString(Text);
      // A taken text is taken whole, its length given.
      int32_t Int = 0;
      if (const size_t Length = IntFromBytes(Text.c_str(), Int)) {
        EXPECT_EQ(Length, Text.size());
        EXPECT_EQ(Int, Ok(StrToInt(General)));
      }
      double Cost = 0;
      if (const size_t Length = CostFromBytes(Text.c_str(), R.DecimalSeparator, Cost)) {
        ++CostsTaken;
        EXPECT_EQ(Length, Text.size());
        EXPECT_EQ(std::bit_cast<uint64_t>(Cost),
                  std::bit_cast<uint64_t>(Ok(StrToCost(General, R.DecimalSeparator))));
      }
      double Date = 0;
      if (const size_t Length = DateFromBytes(Text.c_str(), R, Date)) {
        ++DatesTaken;
        EXPECT_EQ(Length, Text.size());
        EXPECT_EQ(Date, Ok(StrToDate(General, R, 2026)));
      }
    }
    // Writer's dates all, and most costs (the rest have exponents or more digits).
    EXPECT_GE(DatesTaken, 3652059 / 997);
    EXPECT_GE(CostsTaken, 400);
  }
}

} // namespace

namespace {

// Texts of random characters of every UTF-8 length, some with a broken
// sequence, across the lengths where the decoder changes its way.
TEST(FastValues, TextsAreWhatQtDecodes) {
  const std::vector<std::string> Pieces = {"a", " ", "~",  "д", "Я",
                                           "é", "€", "中", "😀", "\xEF\xBB\xBF"};
  const std::vector<std::string> Broken = {"\x80", "\xD0", "\xE2\x82", "\xF0\x9F\x98", "\xFF"};
  std::mt19937 Rng(11);
  for (int Case = 0; Case < 3000; ++Case) {
    std::string Text;
    const size_t Length = Rng() % (Case % 10 == 0 ? 400 : 40);
    while (Text.size() < Length) {
      // Mostly runs of one kind, as names are.
      const std::string& Piece = Pieces[Rng() % Pieces.size()];
      for (unsigned Run = Rng() % 9; Run > 0; --Run)
        Text += Piece;
    }
    const bool Break = Case % 7 == 0;
    if (Break)
      Text.insert(Rng() % (Text.size() + 1), Broken[Rng() % Broken.size()]);
    SCOPED_TRACE(testing::Message() << "case " << Case << ": " << Text);
    // A leading byte order mark is a character of the value.
    QStringDecoder Qt(QStringDecoder::Utf8,
                      QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString Decoded = Utf8ToText(Text);
    EXPECT_EQ(Decoded, QString(Qt.decode(QByteArrayView(Text.data(), qsizetype(Text.size())))));
    if (!Break) {
      EXPECT_EQ(Decoded.capacity(), Decoded.size());
    }
  }
}

} // namespace
