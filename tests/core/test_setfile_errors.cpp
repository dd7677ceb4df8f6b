// The set file when things go wrong: documents that are not well-formed, files
// that cannot be read, saves that fail.

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "database/SetFile.h"
#include "tests/FailDevice.h"
#include "tests/TestFailure.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <expat.h>
#include <optional>
#include <sys/stat.h>

namespace {

QString Message(const QString& Reason, int Line, const QString& Source) {
  return Reason + QStringLiteral("\r\nLine: ") + QString::number(Line) + QStringLiteral("\r\n") +
         Source;
}

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb>\r\n"
                        "  <type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"A\"/>\r\n";
const QByteArray Tail = "\r\n</propdb>\r\n";
const char* const Amplification =
    "limit on input amplification factor (from DTD and entities) breached";

class SetFileErrors : public ::testing::Test {
protected:
  TRegionalScope Regional{CommaRegional()};
  QTemporaryDir Dir;
  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  // A database with content, so that a failed load shows it was emptied.
  static void Fill(TPropDB& DB) {
    const PTypeRecord T = DB.AddType();
    T->Name = QStringLiteral("old");
    DB.AddProp(T)->Name = QStringLiteral("old item");
  }
  // The error of Load on a database with content: the load must fail and
  // leave the database empty.
  template <class TLoad> static std::optional<TFailure> FailedLoad(TLoad Load) {
    TPropDB DB;
    Fill(DB);
    const TResult<TWarnings> Result = Load(DB);
    EXPECT_FALSE(Result) << "loaded";
    EXPECT_EQ(DB.TypeCount(), 0);
    EXPECT_EQ(DB.PropCount(), 0);
    return Result ? std::nullopt : std::optional<TFailure>(Result.Failure());
  }
  QByteArray Sample() const {
    TPropDB DB;
    Fill(DB);
    return Ok(SaveToXMLBytes(DB, TRegional::Current()));
  }
  QStringList Entries() const {
    return QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

// Every failure names the parser's reason, the line and the start of that line.
TEST_F(SetFileErrors, DocumentsThatAreNotWellFormed) {
  const QString Line4 = QStringLiteral("  <type name=\"a\" name=\"b\" language=\"a lo");
  const struct {
    const char* Name;
    QByteArray Bytes;
    const char* Reason; // nullptr: the parser's own wording, not checked
    int Line;
    QString Source;
  } Cases[] = {
      {"attribute given twice",
       Head + "  <type name=\"a\" name=\"b\" language=\"a long value that is cut\"/>" + Tail,
       "duplicate attribute", 4, Line4},
      {"bare ampersand", Head + "  <type name=\"a & b\"/>" + Tail, nullptr, 4,
       QStringLiteral("  <type name=\"a & b\"/>")},
      {"less-than sign in a value", Head + "  <type name=\"a < b\"/>" + Tail,
       "not well-formed (invalid token)", 4, QStringLiteral("  <type name=\"a < b\"/>")},
      {"undeclared entity", Head + "  <type name=\"&nbsp;\"/>" + Tail, "undefined entity", 4,
       QStringLiteral("  <type name=\"&nbsp;\"/>")},
      {"second root element", Head + "</propdb>\r\n<propdb/>\r\n", "junk after document element", 5,
       QStringLiteral("<propdb/>")},
      {"text after the root", Head + "</propdb>\r\nx", "junk after document element", 5,
       QStringLiteral("x")},
      {"end tag that does not match", Head + "  <type>\r\n</propdb>", "mismatched tag", 5,
       QStringLiteral("</propdb>")},
      {"document cut short", Head + "  <type", "unclosed token", 4, QStringLiteral("  <type")},
      {"empty file", "", "no element found", 1, QString()},
      {"whitespace only", "\r\n  \r\n", "no element found", 3, QString()},
      {"control character", Head + "  <type name=\"\x01\"/>" + Tail, nullptr, 4,
       QString::fromUtf16(u"  <type name=\"\u0001\"/>")},
      {"reference to a control character", Head + "  <type name=\"&#1;\"/>" + Tail,
       "reference to invalid character number", 4, QStringLiteral("  <type name=\"&#1;\"/>")},
      {"bytes that are not UTF-8", Head + "  <type name=\"\xC0\xAF\"/>" + Tail,
       "not well-formed (invalid token)", 4,
       QString::fromUtf16(u"  <type name=\"\uFFFD\uFFFD\"/>")},
      {"UTF-8 cut short at the end", Head + "</propdb>\r\n\xE2\x82", "partial character", 5,
       QString::fromUtf16(u"\uFFFD\uFFFD")},
      {"document type after the root", Head + "</propdb>\r\n<!DOCTYPE propdb>",
       "junk after document element", 5, QStringLiteral("<!DOCTYPE propdb>")},
      {"two document types", "<!DOCTYPE propdb>\r\n<!DOCTYPE propdb>\r\n<propdb/>", "syntax error",
       2, QStringLiteral("<!DOCTYPE propdb>")},
      {"entity of an unread external subset",
       "<!DOCTYPE propdb SYSTEM \"propdb.dtd\">\r\n<propdb>\r\n&ext;</propdb>",
       "Entity 'ext' not declared.", 3, QStringLiteral("&ext;</propdb>")},
      {"entity of an unread external subset in a value",
       "<!DOCTYPE propdb SYSTEM \"propdb.dtd\">\r\n<propdb>\r\n<type name=\"&ext;\"/></propdb>",
       "Entity reference in attribute value cannot be resolved.", 3,
       QStringLiteral("<type name=\"&ext;\"/></propdb>")},
      {"external entity in a value",
       "<!DOCTYPE propdb [<!ENTITY e SYSTEM \"/etc/hostname\">]>\r\n<propdb name=\"&e;\"/>",
       "reference to external entity in attribute", 2, QStringLiteral("<propdb name=\"&e;\"/>")},
      {"entity expansion beyond the limit",
       "<!DOCTYPE propdb [<!ENTITY a \"0123456789\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d "
       "\"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
       "]><propdb name=\"&d;\"/>",
       Amplification, 1, QStringLiteral("<!DOCTYPE propdb [<!ENTITY a \"0123456789")},
      {"entities that blow the values up",
       "<!DOCTYPE propdb [<!ENTITY e \"" + QByteArray(4000, 'x') +
           "\">]>\r\n<propdb>\r\n<type name=\"" + QByteArray("&e;").repeated(300) + "\"/></propdb>",
       Amplification, 3, QStringLiteral("<type name=\"&e;&e;&e;&e;&e;&e;&e;&e;&e;&")},
      {"byte not in windows-1251",
       "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<propdb>\r\n<type name=\"\xCA\x98\"/>"
       "</propdb>",
       "not well-formed (invalid token)", 3, QString::fromUtf16(u"<type name=\"К")},
      {"byte not in US-ASCII",
       "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>\r\n<propdb name=\"\xE9\"/>",
       "not well-formed (invalid token)", 2, QStringLiteral("<propdb name=\"")},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-none\"?>\r\n<propdb/>",
       "unknown encoding", 1, QString()},
      {"encoding name with an iconv suffix",
       "<?xml version=\"1.0\" encoding=\"ASCII//IGNORE\"?>\r\n<propdb name=\"\xE9\"/>", nullptr, 1,
       QStringLiteral("<?xml version=\"1.0\" encoding=\"ASCII//IGN")},
      {"UTF-16 with an odd byte", QByteArray("\xFF\xFE<\0p\0r\0o\0p\0d\0b\0/\0>\0\n", 21),
       "unclosed token", 1, QString::fromUtf16(u"<propdb/>\uFFFD")},
      {"UTF-8 mark on a windows-1251 declaration",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1251\"?><propdb/>", nullptr, 1,
       QString()},
      {"XML 1.1", "<?xml version=\"1.1\"?><propdb/>", "Unsupported XML version.", 1,
       QStringLiteral("<?xml version=\"1.1\"?><propdb/>")},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const auto E = FailedLoad(
        [&](TPropDB& DB) { return LoadFromXMLBytes(DB, C.Bytes, TRegional::Current()); });
    if (E) {
      const TFailure& F = *E;
      const QString Reason = ReasonOf(F);
      ASSERT_TRUE(F.Parse) << FailureText(F).toStdString();
      EXPECT_EQ(FailureText(F), Message(Reason, int(F.Line), Escaped(F.Source)));
      if (C.Reason) {
        EXPECT_EQ(Reason.toStdString(), C.Reason);
      } else {
        EXPECT_FALSE(Reason.isEmpty());
      }
      // The parser's code names its reason; our own reasons (sentences) have none.
      if (F.Kind == TReasonKind::Parser) {
        EXPECT_EQ(Reason.toStdString(), XML_ErrorString(XML_Error(F.Code)));
      } else {
        EXPECT_TRUE(Reason.endsWith(u'.')) << Reason.toStdString();
      }
      EXPECT_EQ(F.Line, C.Line);
      if (!C.Source.isNull()) {
        EXPECT_EQ(F.Source.toStdString(), C.Source.toStdString());
      }
    }
  }
}

// Whatever comes after the first set, a fault anywhere leaves no record.
TEST_F(SetFileErrors, AFaultAfterTheReadPartStillAddsNothing) {
  const QByteArray Sets =
      "<propdb><type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"A\"/><!-- stop -->";
  for (const QByteArray& Rest :
       {QByteArray("</propdb><late x=\"1\" x=\"2\"/>"),
        QByteArray("<type name=\"&bad;\"/></propdb>"), QByteArray("</propdb><!-- \xFF -->")}) {
    TPropDB DB;
    EXPECT_FALSE(LoadFromXMLBytes(DB, Sets + Rest, TRegional::Current())) << Rest.constData();
    EXPECT_EQ(DB.TypeCount(), 0);
  }
}

// Hostile documents load or fail within bounds of their size (the benchmark
// measures them); what fails loads nothing.
TEST_F(SetFileErrors, HostileDocuments) {
  const QByteArray Guid = "GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"";
  const QByteArray Laughs = "<!DOCTYPE propdb [<!ENTITY a \"" + QByteArray(4000, 'x') + "\">]>";
  QByteArray ManyAttributes = "<propdb><type " + Guid;
  for (int I = 0; I < 200000; ++I)
    ManyAttributes += " a" + QByteArray::number(I) + "=\"\"";
  QByteArray Defaults = "<!DOCTYPE propdb [<!ATTLIST x";
  for (int I = 0; I < 10000; ++I)
    Defaults += " a" + QByteArray::number(I) + " CDATA \"\"";
  const struct {
    const char* Name;
    QByteArray Bytes;
    const char* Reason; // nullptr: loads
    int Sets;           // after the load
  } Cases[] = {
      {"entities in text",
       Laughs + "<propdb><type " + Guid + ">" + QByteArray("&a;").repeated(2000) +
           "</type></propdb>",
       Amplification, 0},
      {"entities in a skipped element",
       Laughs + "<propdb><type " + Guid + "><x>" + QByteArray("&a;").repeated(2000) +
           "</x></type></propdb>",
       Amplification, 0},
      // Refused while the tag still comes in, before its end is even seen.
      {"200,000 attributes", ManyAttributes, "An element has too many attributes.", 0},
      {"attribute defaults",
       Defaults + ">]><propdb>" + QByteArray("<x/>").repeated(20000) + "</propdb>",
       "Attribute defaults expand the document beyond the limit.", 0},
      {"a long default copied into every set",
       "<!DOCTYPE propdb [<!ATTLIST type " + QByteArray(Guid).replace("=", " CDATA ") +
           " name CDATA \"" + QByteArray(100000, 'n') + "\">]><propdb>" +
           QByteArray("<type/>").repeated(1000) + "</propdb>",
       "Attribute values expand the document beyond the limit.", 0},
      {"deep nesting", "<propdb>" + QByteArray("<x>").repeated(20000),
       "Elements are nested too deeply.", 0},
      {"an external entity",
       "<!DOCTYPE propdb [<!ENTITY e SYSTEM \"/etc/hostname\">]><propdb>&e;</propdb>",
       "error in processing external entity reference", 0},
      {"a value longer than many reads",
       "<propdb><type " + Guid + " name=\"" + QByteArray(3 << 20, 'n') + "\"/></propdb>", nullptr,
       1},
      {"a tag longer than 16 MB",
       "<propdb><type " + Guid + " name=\"" + QByteArray(17 << 20, 'n') + "\"/></propdb>",
       "An element's tag is longer than 16 MB.", 0},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPropDB DB;
    const TResult<TWarnings> Loaded = LoadFromXMLBytes(DB, C.Bytes, TRegional::Current());
    if (Loaded)
      EXPECT_EQ(C.Reason, nullptr) << "loaded";
    else
      EXPECT_EQ(ReasonOf(Loaded.Failure()).toStdString(), C.Reason ? C.Reason : "(loads)");
    EXPECT_EQ(DB.TypeCount(), C.Sets);
  }
}

// What the parser would expand wrongly, or read in a way no set file is
// written, is refused in the words of a parse error and loads nothing; what
// it expands as it should loads.
TEST_F(SetFileErrors, DocumentsReadOnlyAsTheyStand) {
  const QByteArray Guid = "GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"";
  const QByteArray Set = "<type " + Guid + " name=";
  const QByteArray Ext = "<!DOCTYPE propdb SYSTEM \"x.dtd\" [";
  // Entity chains of Length, declared from the first or from the last.
  const auto Chain = [&](int Length, bool Forward) {
    QByteArray Decl;
    for (int I = 0; I < Length; ++I) {
      const int E = Forward ? I : Length - 1 - I;
      Decl += "<!ENTITY e" + QByteArray::number(E) + " \"" +
              (E + 1 < Length ? "&e" + QByteArray::number(E + 1) + ";" : QByteArray("x")) + "\">";
    }
    return "<!DOCTYPE propdb [" + Decl + "]>\n<propdb>" + Set + "\"&e0;\"/></propdb>";
  };
  const auto Names = [&](int Count) {
    QByteArray Body;
    for (int I = 0; I < Count; ++I)
      Body += "<n" + QByteArray::number(I) + "/>";
    return Body;
  };
  const auto AttributeNames = [](int Count) {
    QByteArray Body;
    for (int I = 0; I < Count; ++I)
      Body += "<x a" + QByteArray::number(I) + "=''/>";
    return Body;
  };
  // Count attributes of 100 bytes each; a set has two more.
  const auto Attributes = [](int Count) {
    QByteArray Body;
    for (int I = 0; I < Count; ++I)
      Body += " a" + QByteArray::number(I) + "='" + QByteArray(90, 'v') + "'";
    return Body;
  };
  const auto Utf16 = [](QStringConverter::Encoding E) {
    return QByteArray(QStringEncoder(E)(QStringLiteral("<propdb/>\n")));
  };
  const struct {
    const char* Name;
    QByteArray Bytes;
    const char* Reason; // nullptr: loads one set of that name
    int Line;
  } Cases[] = {
      {"60,000 entities in a chain", Chain(60001, true), "Entity references are nested too deeply.",
       1},
      {"64 entities in a chain, declared from the last", Chain(64, false), "x", 0},
      {"65 entities in a chain, declared from the last", Chain(65, false),
       "Entity references are nested too deeply.", 1},
      {"a cycle", "<!DOCTYPE propdb [<!ENTITY a \"&b;\"><!ENTITY b \"x&a;\">]><propdb/>",
       "Entity 'b' refers to itself.", 1},
      {"parameter entity",
       "<!DOCTYPE propdb [<!ENTITY % p \"\">\n%p; <!ENTITY a \"X\">]><propdb>" + Set +
           "\"A&a;B\"/></propdb>",
       "Parameter entity references are not supported.", 2},
      {"parameter entity, standalone",
       "<?xml version=\"1.0\" standalone=\"yes\"?><!DOCTYPE propdb [<!ENTITY % p \"\"> %p;]>"
       "<propdb/>",
       "Parameter entity references are not supported.", 1},
      {"undeclared one entity deep", Ext + "<!ENTITY a \"&b;\">]>\n<propdb>" + Set + "\"&a;\"/>",
       "Entity 'b' not declared.", 1},
      {"undeclared inside markup from an entity",
       Ext + "<!ENTITY t \"<type name=&#34;&b;&#34;/>\">]><propdb>&t;</propdb>",
       "Entity 'b' not declared.", 1},
      {"undeclared in an attribute default",
       Ext + "<!ATTLIST type name CDATA \"A&nbsp;B\">]><propdb/>",
       "Entity reference in attribute value cannot be resolved.", 1},
      {"attribute default whose entity does not resolve",
       Ext + "<!ENTITY a \"&b;\"><!ENTITY c \"C\"><!ATTLIST type name CDATA \"&c;&a;\">]>",
       "Entity reference in attribute value cannot be resolved.", 1},
      {"attribute default from declared entities",
       Ext + "<!ENTITY a \"X\"><!ATTLIST type name CDATA \"A&a;B\">]><propdb><type " + Guid +
           "/></propdb>",
       "AXB", 0},
      {"a reference made by a character reference",
       "<!DOCTYPE propdb [<!ENTITY a \"&#38;b;\"><!ENTITY b \"Y\">]><propdb>" + Set +
           "\"&a;\"/></propdb>",
       "Y", 0},
      {"no reference inside CDATA",
       "<!DOCTYPE propdb [<!ENTITY t \"<type name='T' " + QByteArray(Guid).replace('"', '\'') +
           "><![CDATA[&b;]]></type>\">]><propdb>&t;</propdb>",
       "T", 0},
      {"another root", "<?xml version=\"1.0\"?>\r\n<fontconfig><dir>x</dir></fontconfig>",
       "The root element is not \"propdb\"", 2},
      {"propdb inside another root",
       "<config><keep>important</keep><propdb>" + Set + "\"A\"/></propdb></config>",
       "The root element is not \"propdb\"", 1},
      {"UTF-16 LE without a mark", Utf16(QStringConverter::Utf16LE),
       "The file is in UTF-16 without a byte-order mark.", 1},
      {"UTF-16 BE without a mark", Utf16(QStringConverter::Utf16BE),
       "The file is in UTF-16 without a byte-order mark.", 1},
      {"1,000 element names in a set",
       "<propdb>" + Set + "\"A\">" + Names(1000) + "</type></propdb>", "A", 0},
      {"1,001 element names", "<propdb>\n" + Names(1001) + "</propdb>",
       "The document uses too many different element names.", 2},
      // Tags longer than the reader's pieces, their attributes counted as
      // they come in; an equals sign in a value is none.
      {"1,000 attributes on a set", "<propdb>" + Set + "\"A\"" + Attributes(998) + "/></propdb>",
       "A", 0},
      {"equals signs in a long value",
       "<propdb>" + Set + "\"A\" x='" + QByteArray(200000, '=') + "'/></propdb>", "A", 0},
      {"1,000 attribute names nothing reads",
       "<propdb>" + Set + "\"A\">" + AttributeNames(1000) + "</type></propdb>", "A", 0},
      {"1,001 attribute names", "<propdb>\n" + AttributeNames(1001) + "</propdb>",
       "The document uses too many different attribute names.", 2},
      {"1,001 attributes on a set", "<propdb>\n" + Set + "\"A\"" + Attributes(999) + "/></propdb>",
       "An element has too many attributes.", 2},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPropDB DB;
    Fill(DB);
    const TResult<TWarnings> Loaded = LoadFromXMLBytes(DB, C.Bytes, TRegional::Current());
    if (Loaded) {
      ASSERT_EQ(DB.TypeCount(), 1);
      EXPECT_EQ(DB.Types(0)->Name.ToString().toStdString(), C.Reason);
    } else {
      const TFailure& F = Loaded.Failure();
      EXPECT_EQ(ReasonOf(F).toStdString(), C.Reason);
      EXPECT_EQ(FailureText(F), Message(ReasonOf(F), C.Line, F.Source));
      EXPECT_EQ(DB.TypeCount(), 0);
    }
  }
}

// A device that fails at any byte fails the write with its own reason, and a
// read that fails midway loads nothing.
TEST_F(SetFileErrors, DevicesThatFailMidway) {
  TPropDB Big;
  Fill(Big);
  for (int I = 0; I < 2000; ++I)
    Big.AddProp(Big.Types(0))->Name = QStringLiteral("item number %1").arg(I);
  const QByteArray Whole = Ok(SaveToXMLBytes(Big, TRegional::Current()));
  for (const qint64 At : {qint64(0), qint64(1), qint64(70000), Whole.size() - 1, Whole.size()}) {
    SCOPED_TRACE(At);
    TFailDevice Device(QByteArray(), At);
    Device.open(QIODevice::WriteOnly);
    const TDone Written = WriteSetFile(Device, Big, CommaRegional());
    if (Written)
      EXPECT_EQ(At, Whole.size()) << "written";
    else
      EXPECT_EQ(FailureText(Written.Failure()), QStringLiteral("No space left on device"));
    EXPECT_EQ(Device.Written, Whole.left(At));
  }
  TFailDevice Device(Whole, 70000);
  Device.open(QIODevice::ReadOnly);
  TPropDB DB;
  ExpectFailure([&] { return ReadSetFile(Device, DB, CommaRegional()); },
                Message(QStringLiteral("Input/output error"), 0, QString()));
  EXPECT_EQ(DB.PropCount(), 0);
}

TEST_F(SetFileErrors, FilesThatCannotBeRead) {
  ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder")));
  const struct {
    QString Path;
    const char* Reason;
  } Cases[] = {
      {Path(QStringLiteral("missing.vsxml")), "No such file or directory"},
      {Path(QStringLiteral("folder")), nullptr},
      {Path(QStringLiteral("fifo")), "Not a regular file"}, // must not wait for a writer
      {QStringLiteral("/dev/zero"), "Not a regular file"},
  };
  ASSERT_EQ(mkfifo(QFile::encodeName(Path(QStringLiteral("fifo"))).constData(), 0600), 0);
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Path.toStdString());
    const auto E =
        FailedLoad([&](TPropDB& DB) { return LoadFromXML(DB, C.Path, TRegional::Current()); });
    if (E) {
      const QString Reason = ReasonOf(*E);
      EXPECT_FALSE(Reason.isEmpty());
      if (C.Reason) {
        EXPECT_EQ(Reason.toStdString(), C.Reason);
      }
      EXPECT_EQ(FailureText(*E), Message(Reason, 0, QString()));
    }
  }
}

TEST_F(SetFileErrors, ASaveThatCannotStartLeavesNothing) {
  QFile Plain(Path(QStringLiteral("plain")));
  ASSERT_TRUE(Plain.open(QIODevice::WriteOnly));
  Plain.close();
  TPropDB DB;
  Fill(DB);
  for (const QString& Target : {Path(QStringLiteral("plain/set.vsxml")),
                                Path(QStringLiteral("missing/set.vsxml")), Dir.path()}) {
    SCOPED_TRACE(Target.toStdString());
    const TDone Saved = SaveToXML(DB, Target, TRegional::Current());
    ASSERT_FALSE(Saved) << "saved";
    EXPECT_FALSE(FailureText(Saved.Failure()).isEmpty());
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("plain")}));
  }
  EXPECT_EQ(DB.TypeCount(), 1); // the database is unchanged
}

// A save that fails after it has begun writing keeps the old file byte for
// byte and leaves no temporary file.
TEST_F(SetFileErrors, ASaveThatFailsMidwayKeepsTheOldFile) {
  const QString Target = Path(QStringLiteral("set.vsxml"));
  const QByteArray Old = Sample();
  TPropDB Big;
  Fill(Big);
  for (int I = 0; I < 2000; ++I)
    Big.AddProp(Big.Types(0))->Name = QStringLiteral("item number %1").arg(I);
  const auto ResetOld = [&] {
    QFile F(Target);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(F.write(Old), Old.size());
  };

  // A value that cannot be written, after thousands of items were.
  const struct {
    double Date, Cost;
    const char* Message;
  } Unwritable[] = {
      {1e9, 0, "''1000000000'' is not a valid date"},
      {0, INFINITY, "The cost of item \"x\" in set \"old\" is INF, which a set file cannot hold"},
      {0, -INFINITY, "The cost of item \"x\" in set \"old\" is -INF, which a set file cannot hold"},
      {0, NAN, "The cost of item \"x\" in set \"old\" is NAN, which a set file cannot hold"},
  };
  const PPropRecord Bad = Big.AddProp(Big.Types(0));
  Bad->Name = QStringLiteral("x");
  for (const auto& C : Unwritable) {
    SCOPED_TRACE(C.Message);
    ResetOld();
    Bad->Date = C.Date;
    Bad->Cost = C.Cost;
    ExpectFailure(
        [&] {
          return WriteFileAtomically(
              Target, [&](QIODevice& D) { return WriteSetFile(D, Big, CommaRegional()); });
        },
        QString::fromUtf8(C.Message));
    QFile F(Target);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_EQ(F.readAll(), Old);
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("set.vsxml")}));
    // Refused before a byte went anywhere.
    TFailDevice Device(QByteArray(), 1 << 30);
    Device.open(QIODevice::WriteOnly);
    EXPECT_FALSE(WriteSetFile(Device, Big, CommaRegional()));
    EXPECT_TRUE(Device.Written.isEmpty());
  }
  Big.RemoveProp(Bad);

  // And a save that succeeds replaces the file and leaves nothing else.
  TPropDB Small;
  Small.AddType()->Name = QStringLiteral("new");
  Ok(SaveToXML(Small, Target, TRegional::Current()));
  TPropDB Back;
  Ok(LoadFromXML(Back, Target, TRegional::Current()));
  ASSERT_EQ(Back.TypeCount(), 1);
  EXPECT_EQ(Back.Types(0)->Name, QStringLiteral("new"));
  EXPECT_EQ(Entries(), QStringList({QStringLiteral("set.vsxml")}));
}

} // namespace
