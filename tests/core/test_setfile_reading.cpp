// The set file: the reading rules and conversion failures.

#include "tests/core/test_setfile_fixture.h"

#include "database/PropDB.h"
#include "tests/TestFailure.h"
#include "tests/TestRecords.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"
#include "testview/TestFilter.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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
    Ok(LoadFromXMLBytes(DB, C.Document, TRegional::Current()));
    EXPECT_EQ(Describe(DB), C.Expected);
  }
}

// A node under the root that is not a set fails the load where it stands, in
// the words of a parse error; the sets before it stay. A fault further on
// still wins: such a file loads nothing.
TEST_F(SetFile, NodesUnderTheRootOtherThanSetsFailTheLoad) {
  for (const QByteArray& Node :
       {Prop("x"), QByteArray("<Type name=\"X\"/>"), QByteArray("<x:type/>"), QByteArray(" x "),
        QByteArray("&#65;"), QByteArray("<![CDATA[ ]]>")}) {
    SCOPED_TRACE(Node.constData());
    const QByteArray Rest = Node + Type("B");
    for (const bool Malformed : {false, true}) {
      TPropDB DB;
      const TResult<TWarnings> Loaded =
          LoadFromXMLBytes(DB, Doc(Type("A", Prop("a1")) + "\r\n" + Rest) + (Malformed ? "<" : ""),
                           TRegional::Current());
      ASSERT_FALSE(Loaded) << "loaded";
      const QString Message = FailureText(Loaded.Failure());
      if (Malformed)
        EXPECT_TRUE(Message.startsWith(QStringLiteral("unclosed token\r\n")));
      else
        EXPECT_EQ(Message, QStringLiteral("Unexpected node\r\nLine: 3\r\n") +
                               QString::fromUtf8(Rest.left(40)));
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
  ExpectFailure([&] { return LoadFromXMLBytes(DB, Bytes, TRegional::Current()); },
                QStringLiteral("Unexpected node\r\nLine: 3\r\n") +
                    QString::fromUtf8(Bytes.mid(50, 40)));
  EXPECT_EQ(DB.TypeCount(), 0);
}

TEST_F(SetFile, DuplicateGUIDsAreBothLoaded) {
  TPropDB DB;
  Ok(LoadFromXMLBytes(DB, Doc(Type("A", Prop("a1") + Prop("a2")) + Type("B")),
                      TRegional::Current()));
  ASSERT_EQ(DB.TypeCount(), 2);
  EXPECT_EQ(DB.Types(0)->GUID, DB.Types(1)->GUID);
  EXPECT_EQ(DB.FindType(DB.Types(1)->GUID), DB.Types(0));
  EXPECT_EQ(DB.FindProp(DB.Props(1)->GUID), DB.Props(0));
}

TEST_F(SetFile, ReadsTheFieldValues) {
  TPropDB DB;
  Ok(LoadFromXMLBytes(
      DB,
      Doc("<type GUID=\"{0b6e2f41-93a7-4c1d-8e55-71d2a9c3f604}\" name=\" N \" language=\"ru\" "
          "country=\"RU\"><prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"\" "
          "detail=\" -7\" default=\"0\" date=\" 4 . 7 . 2010\" cost=\" -1,5E3 \" "
          "curr=\"€\"/></type>"),
      TRegional::Current()));
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
  EXPECT_EQ(P->Date, *EncodeDate(2010, 7, 4));
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
    Ok(LoadFromXMLBytes(DB, Doc(Type("A", PropWith(C.Text))), TRegional::Current()));
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
    // Where: the set or item by its name, and the line.
    const TResult<TWarnings> Loaded =
        LoadFromXMLBytes(DB, Doc(Before + C.Body), TRegional::Current());
    ASSERT_FALSE(Loaded);
    EXPECT_EQ(ReasonOf(Loaded.Failure()),
              QString::fromUtf8(C.Message) +
                  (std::string_view(C.Kept).ends_with("[]") ? " (set \"C\")" : " (item \"p\")"));
    EXPECT_EQ(Loaded.Failure().Line, 2);
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
    EXPECT_EQ(P->Date, C.HasDate ? *EncodeDate(2010, 7, 4) : 0.0);
    EXPECT_EQ(P->Cost, 0.0);
    EXPECT_TRUE(P->Curr.isEmpty());
  }

  // The file of the comma settings read where the decimal separator is a full stop.
  TRegionalScope Dot(MakeRegional(TDateOrder::DMY, 2, 2, 4, u'.', u'.'));
  TPropDB DB;
  const TResult<TWarnings> Loaded =
      LoadFromXMLBytes(DB, Doc(Type("A", Prop("a1") + Prop("a2"))), TRegional::Current());
  ASSERT_FALSE(Loaded);
  EXPECT_EQ(ReasonOf(Loaded.Failure()),
            QStringLiteral("'12,5' is not a valid floating point value (item \"a1\")"));
  EXPECT_EQ(Describe(DB), "A[a1]");
  ASSERT_EQ(DB.PropCount(), 1);
  EXPECT_EQ(DB.Props(0)->Date, *EncodeDate(2010, 7, 4));
  EXPECT_EQ(DB.Props(0)->Cost, 0.0);
}

// A missing attribute reads as the empty text.
TEST_F(SetFile, MissingAttributesReadAsEmptyTexts) {
  TPropDB DB;
  Ok(LoadFromXMLBytes(
      DB,
      Doc("<type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"><prop "
          "GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" detail=\"3\" default=\"1\" "
          "date=\"01.01.2000\" cost=\"2\"/></type>"),
      TRegional::Current()));
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
      {"<type name=\"A\"/>", "'' is not a valid GUID value (set \"A\")"},
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
    const TResult<TWarnings> Loaded =
        LoadFromXMLBytes(Failing, Doc(C.Element), TRegional::Current());
    ASSERT_FALSE(Loaded);
    EXPECT_EQ(ReasonOf(Loaded.Failure()), QString::fromUtf8(C.Message));
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
    Ok(LoadFromXMLBytes(DB, C.Bytes, TRegional::Current()));
    ASSERT_EQ(DB.TypeCount(), 1);
    EXPECT_EQ(DB.Types(0)->Name, Name);
  }
}

} // namespace

namespace {

// What a load reads but a save would not keep as the file had it is said,
// once a kind, with how many and the first; a file as the writer writes it
// says nothing.
TEST_F(SetFile, WarningsForWhatASaveWouldNotKeep) {
  using K = TWarningKind;
  const QByteArray Detail9 = QByteArray(PropWith("1")).replace("detail=\"0\"", "detail=\"9\"");
  const struct {
    const char* Name;
    QByteArray Body;
    std::vector<TWarning> Expected;
  } Cases[] = {
      {"as written", Type("A", Prop("a1") + Prop("a2")), {}},
      {"unknown element, attribute and root attribute",
       Type("A", "\r\n<x>" + Prop("hidden") + "</x><y/>") +
           QByteArray(Type("B")).replace("<type ", "<type extra=\"1\" "),
       {{K::Skipped, 4, "x", 3}}},
      {"set inside a set", Type("A", Type("B")), {{K::Skipped, 1, "type", 2}}},
      {"cost beyond 15 digits, and one that only looks long",
       Type("A", PropWith("1", "04.07.2010", "0,12345678901234567") +
                     PropWith("1", "04.07.2010", "1,50000000000000000")),
       {{K::CostRounded, 1, "p", 2}}},
      {"no year, two-digit year",
       Type("A", PropWith("1", "04.07") + "\r\n" + PropWith("1", "04.07.10") +
                     PropWith("1", "04.07.2010")),
       {{K::YearFromToday, 2, "p", 2}}},
      {"text, comment, CDATA and a processing instruction in a set or an item",
       Type("A", "x<!-- c --><![CDATA[y]]>z" +
                     QByteArray(Prop("a")).replace("/>", "><?pi x?> t</prop>")),
       {{K::Skipped, 6, "#text", 2}}},
      {"comments and processing instructions between sets",
       "<!-- c -->" + Type("A") + "<?pi x?>" + Type("B") + "<!-- d -->",
       {{K::Skipped, 3, "#comment", 2}}},
      {"cost too small for a number",
       Type("A", PropWith("1", "04.07.2010", "1E-400")),
       {{K::CostRounded, 1, "p", 2}}},
      {"flag read modulo",
       Type("A", PropWith("256") + PropWith("-1") + PropWith("2")),
       {{K::FlagModulo, 2, "p", 2}}},
      {"detail outside 0..2, with another kind",
       Type("A", Detail9 + PropWith("512")),
       {{K::DetailOutOfRange, 1, "p", 2}, {K::FlagModulo, 1, "p", 2}}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPropDB DB;
    const TWarnings Warnings = Ok(LoadFromXMLBytes(DB, Doc(C.Body), TRegional::Current()));
    EXPECT_EQ(Warnings.All(), C.Expected);
  }
  // Exported rows that a tab or a line break would split.
  TPropDB DB;
  const PTypeRecord T = DB.AddType();
  TPropList Rows;
  for (const char* Name : {"plain", "tab\there", "line\nbreak", "cr\r"})
    Rows.push_back(AddTestItem(DB, T, QString::fromUtf8(Name), {}));
  Rows.push_back(AddTestItem(DB, T, QStringLiteral("curr"), {}));
  Rows.back()->Curr = QStringLiteral("U\tS");
  EXPECT_EQ(ExportWarnings(Rows).All(), std::vector<TWarning>({{K::RowSplits, 4, "tab\there", 0}}));
}

} // namespace
