// The set file: layout and round trips.

#include "tests/core/test_setfile_fixture.h"

#include "database/PropDB.h"
#include "database/setfile/LayoutReader.h"
#include "database/setfile/Reader.h"
#include "tests/TestFailure.h"
#include "tests/TestRecords.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

// month/day/two-digit year, slash, full stop
TRegional CLike() {
  return MakeRegional(TDateOrder::MDY, 1, 1, 2, u'/', u'.');
}

// A cost as its 15 significant digits read back; the largest doubles, whose
// 15-digit form lies beyond them, read back as themselves.
double Round15(double Cost) {
  char Buffer[64];
  const auto End =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Cost, std::chars_format::scientific, 14).ptr;
  double Back = 0;
  if (std::from_chars(Buffer, End, Back).ec == std::errc::result_out_of_range)
    return Cost;
  return Back;
}
QByteArray ReadAll(const QString& Path) {
  QFile F(Path);
  EXPECT_TRUE(F.open(QIODevice::ReadOnly)) << Path.toStdString();
  return F.readAll();
}

TEST_F(SetFile, WritesTheSevenLineExampleByteForByte) {
  TPropDB DB;
  const PTypeRecord Kitchen = AddTestSet(DB, QStringLiteral("Kitchen"), QStringLiteral("English"));
  Kitchen->GUID = G("{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}");
  const PTypeRecord Garage = AddTestSet(DB, QStringLiteral("Garage"));
  Garage->GUID = G("{9D4F0E62-7B18-4A3C-A6E2-3F51C8B07D29}");
  const PPropRecord Kettle =
      AddTestItem(DB, Kitchen, QStringLiteral("Kettle"),
                  {.Detail = 1,
                   .Default = true,
                   .Cost = 12.5,
                   .Curr = QStringLiteral("USD"),
                   .Date = *EncodeDate(2010, 7, 4) + 0.75}); // the time of day is not written
  Kettle->GUID = G("{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}");

  const QByteArray Expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<propdb>\r\n"
      "  <type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"Kitchen\" "
      "language=\"English\" country=\"Russia\">\r\n"
      "    <prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"Kettle\" detail=\"1\" "
      "default=\"1\" date=\"04.07.2010\" cost=\"12,5\" curr=\"USD\"/>\r\n"
      "  </type>\r\n"
      "  <type GUID=\"{9D4F0E62-7B18-4A3C-A6E2-3F51C8B07D29}\" name=\"Garage\" "
      "language=\"Russian\" country=\"Russia\"/>\r\n"
      "</propdb>\r\n";
  Ok(SaveToXML(DB, Path("example.vsxml"), TRegional::Current()));
  EXPECT_EQ(ReadAll(Path("example.vsxml")), Expected);
  EXPECT_EQ(Ok(SaveToXMLBytes(DB, TRegional::Current())), Expected);
}

TEST_F(SetFile, EmptyDatabaseIsAnEmptyRoot) {
  TPropDB DB;
  Ok(SaveToXML(DB, Path("empty.vsxml"), TRegional::Current()));
  EXPECT_EQ(ReadAll(Path("empty.vsxml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb/>\r\n");
  DB.AddType();
  Ok(LoadFromXML(DB, Path("empty.vsxml"), TRegional::Current()));
  EXPECT_EQ(DB.TypeCount(), 0);
}

TEST_F(SetFile, ItemsAreWrittenUnderTheirSetInItemOrder) {
  TPropDB DB;
  const PTypeRecord A = DB.AddType();
  const PTypeRecord B = DB.AddType();
  A->Name = QStringLiteral("A");
  B->Name = QStringLiteral("B");
  for (const auto& [Parent, Name] :
       {std::pair{A, "a1"}, {B, "b1"}, {A, "a2"}, {B, "b2"}, {A, "a3"}})
    DB.AddProp(Parent)->Name = QString::fromLatin1(Name);
  DB.RemoveType(DB.AddType()); // a removed set leaves nothing behind

  TPropDB Back;
  Ok(LoadFromXMLBytes(Back, Ok(SaveToXMLBytes(DB, TRegional::Current())), TRegional::Current()));
  EXPECT_EQ(Describe(Back), "A[a1,a2,a3] B[b1,b2]");
  // Read back, the item list is grouped set after set.
  ASSERT_EQ(Back.PropCount(), 5);
  EXPECT_EQ(Back.Props(2)->Name, QStringLiteral("a3"));
  EXPECT_EQ(Back.Props(3)->Name, QStringLiteral("b1"));

  // After the removal of a set whose items interleave with another's.
  ASSERT_TRUE(DB.RemoveType(A));
  Ok(LoadFromXMLBytes(Back, Ok(SaveToXMLBytes(DB, TRegional::Current())), TRegional::Current()));
  EXPECT_EQ(Describe(Back), "B[b1,b2]");
}

// Everything that is written reads back identical, under more than one
// regional setting.
TEST_F(SetFile, RoundTripsEveryValue) {
  const QString Awkward[] = {
      QStringLiteral(" lead and trail  "),
      QStringLiteral("tab\there"),
      QStringLiteral("cr\rlf\ncrlf\r\nend\n"),
      QStringLiteral("quotes \" ' and <markup> & &amp; ]]>"),
      QString::fromUtf16(u"Чайник 😀 \U0010FFFF"),
      QString(),
      QStringLiteral("   "),
      QString::fromUtf16(u"\u0085\u2028\uFFFD\uFDD0"),
  };
  const double Costs[] = {0,
                          12.5,
                          -12.5,
                          0.1,
                          1e15,
                          1e-5,
                          5e-5,
                          1e20,
                          -1e-300,
                          DBL_MAX,
                          -DBL_MAX,
                          DBL_MIN,
                          4.9e-324,
                          123456789012345.0,
                          0.30000000000000004,
                          1.0 / 3.0};
  const TRegional Regionals[] = {CommaRegional(), CLike(),
                                 MakeRegional(TDateOrder::YMD, 2, 2, 2, u'-', u','),
                                 MakeRegional(TDateOrder::DMY, 1, 1, 4, u'-', u'.')};
  // Plain leaves out what a load warns about (detail levels outside 0..2,
  // costs too small for a number), so that the layout reader takes the file.
  for (const bool Plain : {true, false})
    for (const TRegional& R : Regionals) {
      TRegionalScope Scope(R);
      SCOPED_TRACE(DateToStr(*EncodeDate(2001, 2, 3), R).toStdString() + (Plain ? " plain" : ""));
      TPropDB DB;
      const int Details[] = {0, 1, 2, -1, INT_MIN, INT_MAX};
      // Years below 100 too, which a two-digit pattern would move into another century.
      const double Dates[] = {*EncodeDate(100, 1, 1),    *EncodeDate(9999, 12, 31) + 0.999,
                              *EncodeDate(1899, 12, 30), *EncodeDate(1950, 6, 1),
                              *EncodeDate(2049, 6, 1),   *EncodeDate(2024, 2, 29) + 0.5,
                              *EncodeDate(1, 1, 1),      *EncodeDate(50, 7, 4)};
      int N = 0;
      for (const QString& Text : Awkward) {
        const PTypeRecord T = AddTestSet(DB, Text, Text + u'L', u'C' + Text);
        NewGUID(T->GUID);
        for (const double Cost : Costs) {
          if (Plain && Cost != 0 && std::fabs(Cost) < 1e-307)
            continue;
          const PPropRecord P = AddTestItem(DB, T, Text,
                                            {.Detail = Details[N % (Plain ? 3 : 6)],
                                             .Default = N % 2 == 0,
                                             .Cost = Cost,
                                             .Curr = Text.right(3),
                                             .Date = Dates[N % 8]});
          NewGUID(P->GUID);
          ++N;
        }
      }
      const QByteArray Bytes = Ok(SaveToXMLBytes(DB, R));
      // A file keeps the date part alone and fifteen digits of a cost.
      for (int I = 0; I < DB.PropCount(); ++I) {
        DB.Props(I)->Date = std::floor(DB.Props(I)->Date);
        DB.Props(I)->Cost = Round15(DB.Props(I)->Cost);
      }
      TPropDB Back, General, Layout;
      Ok(LoadFromXMLBytes(Back, Bytes, R));
      EXPECT_EQ(Printed(Back), Printed(DB));
      QBuffer Device;
      Device.setData(Bytes);
      Device.open(QIODevice::ReadOnly);
      Ok(ReadThroughExpat(Device, General, R));
      EXPECT_EQ(Printed(General), Printed(DB));
      Device.seek(0);
      TReplay Replay;
      EXPECT_EQ(TryReadLayout(Device, Layout, R, Replay).has_value(), Plain);
      EXPECT_EQ(Printed(Layout), Plain ? Printed(DB) : std::string());
      // And the second trip changes nothing at all.
      EXPECT_EQ(Ok(SaveToXMLBytes(Back, R)), Bytes);
    }
}

TEST_F(SetFile, CharactersXmlCannotCarryBecomeReplacementCharacters) {
  TPropDB DB;
  const PTypeRecord T = DB.AddType();
  T->Name = QString::fromUtf16(u"a\u0001b\u001Fc\uFFFEd\uFFFFe") + QChar(0) + QChar(0xD800) + u'f' +
            QChar(0xDC00) + QChar(0xDBFF);
  const PPropRecord P = DB.AddProp(T);
  P->Curr = QString(QChar(0x7F)) + QChar(0x0B) + QChar(0x0C);
  TPropDB Back;
  Ok(LoadFromXMLBytes(Back, Ok(SaveToXMLBytes(DB, TRegional::Current())), TRegional::Current()));
  ASSERT_EQ(Back.TypeCount(), 1);
  EXPECT_EQ(Back.Types(0)->Name, QString::fromUtf16(u"a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFD\uFFFDf"
                                                    u"\uFFFD\uFFFD"));
  ASSERT_EQ(Back.PropCount(), 1);
  EXPECT_EQ(Back.Props(0)->Curr, QString::fromUtf16(u"\u007F\uFFFD\uFFFD"));
  // The database itself is left as it was.
  EXPECT_EQ(T->Name.View().at(1), QChar(1));
}

// Reading rules: which sets and items a document gives.

} // namespace
