// The set file: layout, round trips, the reading rules and conversion failures.

#include "database/PropDB.h"
#include "tests/TestError.h"
#include "tests/TestRecords.h"
#include "tests/TestSettings.h"

#include <QFile>
#include <QStringEncoder>
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

TGUID G(const char* Text) {
  return StringToGUID(QString::fromLatin1(Text));
}

QByteArray ReadAll(const QString& Path) {
  QFile F(Path);
  EXPECT_TRUE(F.open(QIODevice::ReadOnly)) << Path.toStdString();
  return F.readAll();
}

// Sets and their items by name: "A[a1,a2] B[]".
std::string Describe(const TPropDB& DB) {
  QString Out;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const PTypeRecord Type = DB.Types(T);
    if (T > 0)
      Out += u' ';
    Out += Type->Name + u'[';
    bool First = true;
    for (int P = 0; P < DB.PropCount(); ++P) {
      if (DB.Props(P)->Parent != Type)
        continue;
      if (!First)
        Out += u',';
      Out += DB.Props(P)->Name;
      First = false;
    }
    Out += u']';
  }
  return Out.toStdString();
}

// Elements of a valid file under the Russian settings.
QByteArray Type(const char* Name, const QByteArray& Content = QByteArray()) {
  const QByteArray Start =
      QByteArray("<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"") + Name +
      "\" language=\"L\" country=\"C\"";
  return Content.isNull() ? Start + "/>" : Start + ">" + Content + "</type>";
}
QByteArray Prop(const char* Name) {
  return QByteArray("<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"") + Name +
         "\" detail=\"1\" default=\"1\" date=\"04.07.2010\" cost=\"12,5\" curr=\"USD\"/>";
}
QByteArray Doc(const QByteArray& Body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb>" + Body + "</propdb>\r\n";
}

class SetFile : public ::testing::Test {
protected:
  TRegionalScope Regional{CommaRegional()};
  QTemporaryDir Dir;
  QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
};

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
                   .Date = EncodeDate(2010, 7, 4) + 0.75}); // the time of day is not written
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
  DB.SaveToXML(Path("example.vsxml"), TRegional::Current());
  EXPECT_EQ(ReadAll(Path("example.vsxml")), Expected);
  EXPECT_EQ(DB.SaveToXMLBytes(TRegional::Current()), Expected);
}

TEST_F(SetFile, EmptyDatabaseIsAnEmptyRoot) {
  TPropDB DB;
  DB.SaveToXML(Path("empty.vsxml"), TRegional::Current());
  EXPECT_EQ(ReadAll(Path("empty.vsxml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb/>\r\n");
  DB.AddType();
  DB.LoadFromXML(Path("empty.vsxml"), TRegional::Current());
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
  Back.LoadFromXMLBytes(DB.SaveToXMLBytes(TRegional::Current()), TRegional::Current());
  EXPECT_EQ(Describe(Back), "A[a1,a2,a3] B[b1,b2]");
  // Read back, the item list is grouped set after set.
  ASSERT_EQ(Back.PropCount(), 5);
  EXPECT_EQ(Back.Props(2)->Name, QStringLiteral("a3"));
  EXPECT_EQ(Back.Props(3)->Name, QStringLiteral("b1"));

  // After the removal of a set whose items interleave with another's.
  ASSERT_TRUE(DB.RemoveType(A));
  Back.LoadFromXMLBytes(DB.SaveToXMLBytes(TRegional::Current()), TRegional::Current());
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
  for (const TRegional& R : Regionals) {
    TRegionalScope Scope(R);
    SCOPED_TRACE(DateToStr(EncodeDate(2001, 2, 3), R).toStdString());
    TPropDB DB;
    const int Details[] = {0, 1, 2, -1, INT_MIN, INT_MAX};
    // Years below 100 too, which a two-digit pattern would move into another century.
    const double Dates[] = {EncodeDate(100, 1, 1),    EncodeDate(9999, 12, 31) + 0.999,
                            EncodeDate(1899, 12, 30), EncodeDate(1950, 6, 1),
                            EncodeDate(2049, 6, 1),   EncodeDate(2024, 2, 29) + 0.5,
                            EncodeDate(1, 1, 1),      EncodeDate(50, 7, 4)};
    int N = 0;
    for (const QString& Text : Awkward) {
      const PTypeRecord T = AddTestSet(DB, Text, Text + u'L', u'C' + Text);
      NewGUID(T->GUID);
      for (const double Cost : Costs) {
        const PPropRecord P = AddTestItem(DB, T, Text,
                                          {.Detail = Details[N % 6],
                                           .Default = N % 2 == 0,
                                           .Cost = Cost,
                                           .Curr = Text.right(3),
                                           .Date = Dates[N % 8]});
        NewGUID(P->GUID);
        ++N;
      }
    }
    DB.SaveToXML(Path("round.vsxml"), TRegional::Current());
    TPropDB Back;
    Back.LoadFromXML(Path("round.vsxml"), TRegional::Current());
    ASSERT_EQ(Back.TypeCount(), DB.TypeCount());
    ASSERT_EQ(Back.PropCount(), DB.PropCount());
    for (int I = 0; I < DB.TypeCount(); ++I) {
      EXPECT_EQ(Back.Types(I)->GUID, DB.Types(I)->GUID);
      EXPECT_EQ(Back.Types(I)->Name, DB.Types(I)->Name);
      EXPECT_EQ(Back.Types(I)->Language, DB.Types(I)->Language);
      EXPECT_EQ(Back.Types(I)->Country, DB.Types(I)->Country);
    }
    for (int I = 0; I < DB.PropCount(); ++I) {
      const PPropRecord A = DB.Props(I), B = Back.Props(I);
      SCOPED_TRACE(I);
      EXPECT_EQ(B->GUID, A->GUID);
      EXPECT_EQ(B->Parent, Back.Types(I / int(std::size(Costs))));
      EXPECT_EQ(B->Name, A->Name);
      EXPECT_EQ(B->Curr, A->Curr);
      EXPECT_EQ(B->Detail, A->Detail);
      EXPECT_EQ(B->Default, A->Default);
      EXPECT_EQ(B->Date, std::floor(A->Date)); // the date part alone
      EXPECT_EQ(B->Cost, Round15(A->Cost)) << A->Cost;
    }
    // And the second trip changes nothing at all.
    EXPECT_EQ(Back.SaveToXMLBytes(TRegional::Current()), DB.SaveToXMLBytes(TRegional::Current()));
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
  Back.LoadFromXMLBytes(DB.SaveToXMLBytes(TRegional::Current()), TRegional::Current());
  ASSERT_EQ(Back.TypeCount(), 1);
  EXPECT_EQ(Back.Types(0)->Name, QString::fromUtf16(u"a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFD\uFFFDf"
                                                    u"\uFFFD\uFFFD"));
  ASSERT_EQ(Back.PropCount(), 1);
  EXPECT_EQ(Back.Props(0)->Curr, QString::fromUtf16(u"\u007F\uFFFD\uFFFD"));
  // The database itself is left as it was.
  EXPECT_EQ(T->Name.at(1), QChar(1));
}

// Reading rules: which sets and items a document gives.
TEST_F(SetFile, ReadingRules) {
  const struct {
    const char* Name;
    QByteArray Document;
    const char* Expected;
  } Cases[] = {
      {"plain", Doc(Type("A", Prop("a1") + Prop("a2")) + Type("B")), "A[a1,a2] B[]"},
      {"no layout whitespace", Doc(Type("A", Prop("a1")) + Type("B")), "A[a1] B[]"},
      {"odd whitespace",
       Doc("\n\t " + Type("A", "\r\n\t" + Prop("a1") + "  \n") + "\r\r  " + Type("B") + "\n"),
       "A[a1] B[]"},
      {"skipped inside a set",
       Doc(Type("A", "<other>" + Prop("hidden") +
                         "</other> text <!-- c --><?pi?><![CDATA[<prop/>]]>" + Prop("a1") +
                         "<Prop name=\"no\"/>" + Prop("a2")) +
           Type("B")),
       "A[a1,a2] B[]"},
      {"nothing below an item is looked at",
       Doc(Type("A",
                "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"a1\" detail=\"1\" "
                "default=\"1\" date=\"04.07.2010\" cost=\"1\" curr=\"\">" +
                    Prop("inner") + "<bad/></prop>")),
       "A[a1]"},
      {"empty propdb", "<propdb/>", ""},
      {"propdb with attributes", "<propdb version=\"2\">" + Type("A") + "</propdb>", "A[]"},
      {"attributes in another order, extra ones ignored",
       Doc("<type extra=\"1\" country=\"C\" name=\"A\" language=\"L\" "
           "GUID=\"{0b6e2f41-93a7-4c1d-8e55-71d2a9c3f604}\"><prop curr=\"\" cost=\"1\" "
           "date=\"4.7.2010\" default=\"0\" detail=\"2\" name=\"a1\" "
           "GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" more=\"x\"/></type>"),
       "A[a1]"},
      {"entities", Doc(Type("&lt;A&amp;&#x1F600;&#9;&gt;", Prop("&quot;&apos;"))),
       "<A&\U0001F600\t>[\"']"},
      {"internal entity", "<!DOCTYPE propdb [<!ENTITY k \"Kitchen\">]>" + Doc(Type("&k;")).mid(40),
       "Kitchen[]"},
      {"default attribute from the document type",
       "<!DOCTYPE propdb [<!ATTLIST type name CDATA \"D\">]><propdb>"
       "<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"/></propdb>",
       "D[]"},
      {"byte-order mark", "\xEF\xBB\xBF" + Doc(Type("A")), "A[]"},
      {"U+FEFF leading a value", Doc(Type("\xEF\xBB\xBFKitchen", Prop("\xEF\xBB\xBF"))),
       "\xEF\xBB\xBFKitchen[\xEF\xBB\xBF]"},
      {"no declaration, LF only", "<propdb>\n" + Type("A") + "\n</propdb>", "A[]"},
      {"comments and PIs around the root", "<!--a--><?b?>" + Doc(Type("A")).mid(40) + "<!--c-->",
       "A[]"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPropDB DB;
    DB.AddType()->Name = QStringLiteral("stale");
    try {
      DB.LoadFromXMLBytes(C.Document, TRegional::Current());
    } catch (const TError& E) {
      ADD_FAILURE() << E.Message().toStdString();
    }
    EXPECT_EQ(Describe(DB), C.Expected);
  }
}

// A node under the root that is not a set fails the load where it stands, in
// the words of a parse error; the sets before it stay. A fault further on
// still wins: such a file loads nothing.
TEST_F(SetFile, NodesUnderTheRootOtherThanSetsFailTheLoad) {
  for (const QByteArray& Node :
       {Prop("x"), QByteArray("<Type name=\"X\"/>"), QByteArray("<x:type/>"), QByteArray(" x "),
        QByteArray("&#65;"), QByteArray("<![CDATA[ ]]>"), QByteArray("<!-- c -->"),
        QByteArray("<?pi x?>")}) {
    SCOPED_TRACE(Node.constData());
    const QByteArray Rest = Node + Type("B");
    for (const bool Malformed : {false, true}) {
      TPropDB DB;
      try {
        DB.LoadFromXMLBytes(Doc(Type("A", Prop("a1")) + "\r\n" + Rest) + (Malformed ? "<" : ""),
                            TRegional::Current());
        ADD_FAILURE() << "loaded";
      } catch (const TError& E) {
        if (Malformed)
          EXPECT_TRUE(E.Message().startsWith(QStringLiteral("unclosed token\r\n")));
        else
          EXPECT_EQ(E.Message(), QStringLiteral("Unexpected node\r\nLine: 3\r\n") +
                                     QString::fromUtf8(Rest.left(40)));
      }
      EXPECT_EQ(Describe(DB), Malformed ? "" : "A[a1]");
    }
  }

  // The example with the first indentation space before a set made an "x".
  QFile Example(QStringLiteral(BRIMSETT_EXAMPLES_DIR "/example.vsxml"));
  ASSERT_TRUE(Example.open(QIODevice::ReadOnly));
  QByteArray Bytes = Example.readAll();
  ASSERT_EQ(Bytes.mid(48, 9), "\r\n  <type");
  Bytes[50] = 'x';
  TPropDB DB;
  ExpectTError([&] { DB.LoadFromXMLBytes(Bytes, TRegional::Current()); },
               QStringLiteral("Unexpected node\r\nLine: 3\r\n") +
                   QString::fromUtf8(Bytes.mid(50, 40)));
  EXPECT_EQ(DB.TypeCount(), 0);
}

TEST_F(SetFile, DuplicateGUIDsAreBothLoaded) {
  TPropDB DB;
  DB.LoadFromXMLBytes(Doc(Type("A", Prop("a1") + Prop("a2")) + Type("B")), TRegional::Current());
  ASSERT_EQ(DB.TypeCount(), 2);
  EXPECT_EQ(DB.Types(0)->GUID, DB.Types(1)->GUID);
  EXPECT_EQ(DB.FindType(DB.Types(1)->GUID), DB.Types(0));
  EXPECT_EQ(DB.FindProp(DB.Props(1)->GUID), DB.Props(0));
}

TEST_F(SetFile, ReadsTheFieldValues) {
  TPropDB DB;
  DB.LoadFromXMLBytes(
      Doc("<type GUID=\"{0b6e2f41-93a7-4c1d-8e55-71d2a9c3f604}\" name=\" N \" language=\"ru\" "
          "country=\"RU\"><prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"\" "
          "detail=\" -7\" default=\"0\" date=\" 4 . 7 . 2010\" cost=\" -1,5E3 \" "
          "curr=\"€\"/></type>"),
      TRegional::Current());
  ASSERT_EQ(DB.TypeCount(), 1);
  EXPECT_EQ(GUIDToString(DB.Types(0)->GUID),
            QStringLiteral("{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}"));
  EXPECT_EQ(DB.Types(0)->Name, QStringLiteral(" N "));
  EXPECT_EQ(DB.Types(0)->Language, QStringLiteral("ru"));
  EXPECT_EQ(DB.Types(0)->Country, QStringLiteral("RU"));
  ASSERT_EQ(DB.PropCount(), 1);
  const PPropRecord P = DB.Props(0);
  EXPECT_EQ(P->Parent, DB.Types(0));
  EXPECT_EQ(P->Detail, -7);
  EXPECT_FALSE(P->Default);
  EXPECT_EQ(P->Date, EncodeDate(2010, 7, 4));
  EXPECT_EQ(P->Cost, -1500.0);
  EXPECT_EQ(P->Curr, QString::fromUtf16(u"€"));
}

QByteArray PropWith(const char* Default, const char* Date = "04.07.2010", const char* Cost = "1") {
  return QByteArray("<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"p\" "
                    "detail=\"0\" default=\"") +
         Default + "\" date=\"" + Date + "\" cost=\"" + Cost + "\" curr=\"USD\"/>";
}

TEST_F(SetFile, DefaultIsTheLowByteOfAnInteger) {
  const struct {
    const char* Text;
    bool Expected;
  } Cases[] = {{"1", true},  {"2", true},     {"0", false},  {"256", false},   {"257", true},
               {"-1", true}, {"-256", false}, {"$FF", true}, {"0x100", false}, {" 3", true}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    TPropDB DB;
    DB.LoadFromXMLBytes(Doc(Type("A", PropWith(C.Text))), TRegional::Current());
    ASSERT_EQ(DB.PropCount(), 1);
    EXPECT_EQ(DB.Props(0)->Default, C.Expected);
  }
}

// A value that does not convert fails the load with its conversion's message
// and keeps what was read before, the record being read included.
TEST_F(SetFile, ConversionFailuresKeepWhatWasReadBefore) {
  const QByteArray Before = Type("A", Prop("a1")) + Type("B", Prop("b1"));
  const QByteArray After = Prop("late") + "</type>" + Type("Z");
  const QByteArray Item = "<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"C\" "
                          "language=\"L\" country=\"K\">";
  const struct {
    const char* Name;
    QByteArray Body;
    const char* Message;
    const char* Kept;
    int Detail; // of the failing item
    bool Default;
    bool HasDate;
  } Cases[] = {
      {"default true", Item + PropWith("true") + After, "''true'' is not a valid integer value",
       "A[a1] B[b1] C[p]", 0, false, false},
      {"date with a time", Item + PropWith("1", "04.07.2010 10:00") + After,
       "''04.07.2010 10:00'' is not a valid date", "A[a1] B[b1] C[p]", 0, true, false},
      {"cost", Item + PropWith("1", "04.07.2010", "12.5") + After,
       "'12.5' is not a valid floating point value", "A[a1] B[b1] C[p]", 0, true, true},
      {"set GUID", "<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F60}\" name=\"C\"/>" + Type("Z"),
       "'{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F60}' is not a valid GUID value", "A[a1] B[b1] []", 0,
       false, false},
      {"set GUID behind U+FEFF",
       "<type GUID=\"\xEF\xBB\xBF{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"C\"/>" + Type("Z"),
       "'\xEF\xBB\xBF{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}' is not a valid GUID value",
       "A[a1] B[b1] []", 0, false, false},
      {"detail out of range",
       Item +
           "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"p\" "
           "detail=\"2147483648\"/>" +
           After,
       "''2147483648'' is not a valid integer value", "A[a1] B[b1] C[p]", 0, false, false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPropDB DB;
    ExpectTError([&] { DB.LoadFromXMLBytes(Doc(Before + C.Body), TRegional::Current()); },
                 QString::fromUtf8(C.Message));
    EXPECT_EQ(Describe(DB), C.Kept);
    const PTypeRecord Last = DB.Types(DB.TypeCount() - 1);
    if (Last->Name.isEmpty()) { // the set itself failed: nothing of it was read
      EXPECT_EQ(Last->GUID, TGUID());
      continue;
    }
    EXPECT_EQ(Last->Country, QStringLiteral("K"));
    const PPropRecord P = DB.Props(DB.PropCount() - 1);
    EXPECT_EQ(P->GUID, G("{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}"));
    EXPECT_EQ(P->Default, C.Default);
    EXPECT_EQ(P->Date, C.HasDate ? EncodeDate(2010, 7, 4) : 0.0);
    EXPECT_EQ(P->Cost, 0.0);
    EXPECT_TRUE(P->Curr.isEmpty());
  }

  // The file of the comma settings read where the decimal separator is a full stop.
  TRegionalScope Dot(MakeRegional(TDateOrder::DMY, 2, 2, 4, u'.', u'.'));
  TPropDB DB;
  ExpectTError(
      [&] { DB.LoadFromXMLBytes(Doc(Type("A", Prop("a1") + Prop("a2"))), TRegional::Current()); },
      QStringLiteral("'12,5' is not a valid floating point value"));
  EXPECT_EQ(Describe(DB), "A[a1]");
  ASSERT_EQ(DB.PropCount(), 1);
  EXPECT_EQ(DB.Props(0)->Date, EncodeDate(2010, 7, 4));
  EXPECT_EQ(DB.Props(0)->Cost, 0.0);
}

// A missing attribute reads as the empty text.
TEST_F(SetFile, MissingAttributesReadAsEmptyTexts) {
  TPropDB DB;
  DB.LoadFromXMLBytes(
      Doc("<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"><prop "
          "GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" detail=\"3\" default=\"1\" "
          "date=\"01.01.2000\" cost=\"2\"/></type>"),
      TRegional::Current());
  ASSERT_EQ(DB.TypeCount(), 1);
  EXPECT_TRUE(DB.Types(0)->Name.isEmpty());
  EXPECT_TRUE(DB.Types(0)->Language.isEmpty());
  EXPECT_TRUE(DB.Types(0)->Country.isEmpty());
  ASSERT_EQ(DB.PropCount(), 1);
  EXPECT_TRUE(DB.Props(0)->Name.isEmpty());
  EXPECT_TRUE(DB.Props(0)->Curr.isEmpty());
  EXPECT_EQ(DB.Props(0)->Detail, 3);

  const struct {
    QByteArray Element;
    const char* Message;
  } Cases[] = {
      {"<type name=\"A\"/>", "'' is not a valid GUID value"},
      {Type("A", "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\"/>"),
       "'''' is not a valid integer value"},
      {Type("A", "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" detail=\"1\"/>"),
       "'''' is not a valid integer value"},
      {Type("A", "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" detail=\"1\" "
                 "default=\"1\"/>"),
       "'''' is not a valid date"},
      {Type("A", "<prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" detail=\"1\" "
                 "default=\"1\" date=\"1.1.2000\"/>"),
       "'' is not a valid floating point value"},
      {Type("A", "<prop/>"), "'' is not a valid GUID value"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Message);
    TPropDB Failing;
    ExpectTError([&] { Failing.LoadFromXMLBytes(Doc(C.Element), TRegional::Current()); },
                 QString::fromUtf8(C.Message));
    EXPECT_EQ(Failing.TypeCount(), 1);
  }
}

// UTF-16 with its byte-order mark.
QByteArray Utf16(const QByteArray& Utf8, QStringConverter::Encoding Encoding) {
  QStringEncoder Encoder(Encoding, QStringConverter::Flag::WriteBom);
  return Encoder(QString::fromUtf8(Utf8));
}

TEST_F(SetFile, DeclaredEncodingsAreHonoured) {
  const QString Name = QString::fromUtf16(u"Кухня é");
  const struct {
    const char* Label;
    QByteArray Bytes;
  } Cases[] = {
      {"windows-1251", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><propdb>" +
                           Type("\xCA\xF3\xF5\xED\xFF &#233;") + "</propdb>"},
      {"KOI8-R", "<?xml version='1.0' encoding='KOI8-R'?><propdb>" +
                     Type("\xEB\xD5\xC8\xCE\xD1 &#xE9;") + "</propdb>"},
      {"ISO-8859-1 with character references",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><propdb>" +
           Type("&#1050;&#1091;&#1093;&#1085;&#1103; \xE9") + "</propdb>"},
      {"UTF-16 LE with a mark",
       Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><propdb>" + Type("Кухня é") + "</propdb>",
             QStringDecoder::Utf16LE)},
      {"UTF-16 BE with a mark, no declaration",
       Utf16("<propdb>" + Type("Кухня &#xe9;") + "</propdb>", QStringDecoder::Utf16BE)},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Label);
    TPropDB DB;
    try {
      DB.LoadFromXMLBytes(C.Bytes, TRegional::Current());
    } catch (const TError& E) {
      ADD_FAILURE() << E.Message().toStdString();
    }
    ASSERT_EQ(DB.TypeCount(), 1);
    EXPECT_EQ(DB.Types(0)->Name, Name);
  }
}

} // namespace
