// The layout reader against the general reader: the writer's own bytes are
// read by the former, and every near miss falls back and gives exactly the
// latter's answer, from a device that seeks and from one that does not.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/KeptReads.h"
#include "database/setfile/LayoutReader.h"
#include "database/setfile/PlainScan.h"
#include "database/setfile/Reader.h"
#include "failures/Reasons.h"
#include "tests/TestFailure.h"
#include "tests/TestRecords.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// A pipe: sequential, two bytes at a time unless told, so that the parser's
// input ends inside every token.
class TPipe : public QIODevice {
public:
  explicit TPipe(QByteArray Bytes, qint64 Piece = 2) : FBytes(std::move(Bytes)), FPiece(Piece) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char* Data, qint64 MaxSize) override {
    const qint64 Size = std::min<qint64>({MaxSize, FPiece, FBytes.size() - FAt});
    std::memcpy(Data, FBytes.constData() + FAt, size_t(Size));
    FAt += Size;
    return Size;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  QByteArray FBytes;
  qint64 FPiece;
  qint64 FAt = 0;
};

// The failure or the warnings of a read, and its records, as one string to
// compare.
std::string Outcome(const QByteArray& Bytes, bool Pipe, bool Layout) {
  TPropDB DB;
  QByteArray Copy = Bytes;
  QBuffer Buffer(&Copy);
  Buffer.open(QIODevice::ReadOnly);
  TPipe Piped(Bytes);
  QIODevice& Device = Pipe ? static_cast<QIODevice&>(Piped) : Buffer;
  QString Out;
  const TResult<TWarnings> Read = Layout ? ReadSetFile(Device, DB, CommaRegional())
                                         : ReadThroughExpat(Device, DB, CommaRegional());
  if (!Read)
    Out = FailureText(Read.Failure()) + u'|';
  else
    for (const TWarning& W : Read->All())
      Out += WarningText(W) + u'|';
  return Out.toStdString() + Printed(DB);
}

bool TakenByLayout(const QByteArray& Bytes) {
  TPropDB DB;
  QByteArray Copy = Bytes;
  QBuffer Buffer(&Copy);
  Buffer.open(QIODevice::ReadOnly);
  TReplay Consumed;
  const auto Read = TryReadLayout(Buffer, DB, CommaRegional(), Consumed);
  return Read && *Read;
}

QByteArray WritersDocument() {
  TPropDB DB;
  const PTypeRecord A = AddTestSet(DB, QStringLiteral("Набор <1> & \"2\"\t"));
  AddTestItem(DB, A, QStringLiteral("Стол 😀"), {1, true, 12.5, QStringLiteral("RUB")});
  AddTestItem(DB, A, QStringLiteral("Стул\r\n"), {2, false, -3.25, QStringLiteral("RUB")});
  AddTestSet(DB, QStringLiteral("Пустой"));
  const PTypeRecord C = AddTestSet(DB, QStringLiteral("C"));
  AddTestItem(DB, C, QStringLiteral("last"), {0, false, 7, QStringLiteral("EUR")})->GUID =
      Ok(StringToGUID(QStringLiteral("{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}")));
  return Ok(SaveToXMLBytes(DB, CommaRegional()));
}

} // namespace

TEST(SetFileLayout, WritersOutputIsReadAsTheGeneralReaderReadsIt) {
  const QByteArray Bytes = WritersDocument();
  EXPECT_TRUE(TakenByLayout(Bytes));
  for (const bool Pipe : {false, true})
    EXPECT_EQ(Outcome(Bytes, Pipe, true), Outcome(Bytes, Pipe, false));
}

TEST(SetFileLayout, NearMissesFallBackToTheGeneralReadersAnswer) {
  const QByteArray Writers = WritersDocument();
  const auto Replace = [&](const QByteArray& From, const QByteArray& To) {
    QByteArray Bytes = Writers;
    const qsizetype At = Bytes.lastIndexOf(From);
    return At < 0 ? QByteArray() : Bytes.replace(At, From.size(), To);
  };
  const std::vector<std::pair<const char*, QByteArray>> Cases = {
      {"LF line breaks", QByteArray(Writers).replace("\r\n", "\n")},
      {"tab indentation", QByteArray(Writers).replace("\r\n    ", "\r\n\t\t")},
      {"attributes in another order",
       Replace(" detail=\"0\" default=\"0\"", " default=\"0\" detail=\"0\"")},
      {"single quotes", Replace("curr=\"EUR\"", "curr='EUR'")},
      {"another attribute", Replace("curr=\"EUR\"", "curr=\"EUR\" x=\"\"")},
      {"a comment", Replace("\r\n</propdb>", "<!-- -->\r\n</propdb>")},
      {"a document type", Replace("?>\r\n", "?>\r\n<!DOCTYPE propdb>")},
      {"a byte-order mark", "\xEF\xBB\xBF" + Writers},
      {"another encoding name", Replace("UTF-8", "utf-8")},
      {"a hexadecimal reference", Replace("&#9;", "&#x9;")},
      {"a predefined entity it does not write", Replace("name=\"last\"", "name=\"&apos;\"")},
      {"a raw greater-than sign", Replace("name=\"last\"", "name=\">\"")},
      {"an overlong form", Replace("name=\"last\"", "name=\"\xC0\xAF\"")},
      {"a surrogate", Replace("name=\"last\"", "name=\"\xED\xA0\x80\"")},
      {"beyond U+10FFFF", Replace("name=\"last\"", "name=\"\xF4\x90\x80\x80\"")},
      {"U+FFFE", Replace("name=\"last\"", "name=\"\xEF\xBF\xBE\"")},
      {"a control character", Replace("name=\"last\"", "name=\"\x01\"")},
      {"a negative detail", Replace("detail=\"0\"", "detail=\"-1\"")},
      // What the general reader warns about.
      {"a detail beyond 2", Replace("detail=\"0\"", "detail=\"9\"")},
      {"a flag read modulo 256", Replace("default=\"0\"", "default=\"256\"")},
      {"a cost beyond 15 digits", Replace("cost=\"7\"", "cost=\"7,1234567890123456789\"")},
      {"a GUID without braces",
       Replace("{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}", "5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18")},
      {"a date that does not exist", Replace("date=\"05.03.2024\"", "date=\"31.02.2024\"")},
      {"a cost with a point", Replace("cost=\"7\"", "cost=\"7.5\"")},
      {"a cost too small for a number", Replace("cost=\"7\"", "cost=\"1E-400\"")},
      {"a comment inside a set", Replace("/>\r\n  </type>", "/><!-- c -->\r\n  </type>")},
      {"text inside a set", Replace("/>\r\n  </type>", "/>x\r\n  </type>")},
      {"an empty set with an end tag", Replace("/>\r\n  <type", "></type>\r\n  <type")},
      {"no final line break", Writers.chopped(2)},
      {"text after the end", Writers + "x"},
      {"cut in an item", Writers.left(Writers.indexOf("cost=\"7"))},
      {"a root without sets",
       QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb>\r\n</propdb>\r\n")},
      {"nothing", QByteArray()},
      // Where the parser's input ends moves where it reports this error.
      {"a set after an empty root",
       Writers.left(Writers.indexOf("\r\n")) + "\r\n<propdb/>\r\n  <type GUID=\"{7A}\"/>\r\n"},
  };
  for (const auto& [Name, Bytes] : Cases) {
    SCOPED_TRACE(Name);
    ASSERT_NE(Bytes, Writers);
    EXPECT_FALSE(TakenByLayout(Bytes));
    for (const bool Pipe : {false, true})
      EXPECT_EQ(Outcome(Bytes, Pipe, true), Outcome(Bytes, Pipe, false)) << "pipe " << Pipe;
  }
}

// Memory that runs out while a pipe's bytes are kept fails the load with the
// one message, whichever reader keeps them: the layout reader may not fall
// back to the general one without the bytes it took.
TEST(SetFileLayout, MemoryRunningOutWhileAPipeIsKeptFailsTheLoad) {
  const QByteArray Writers = WritersDocument();
  for (const QByteArray& Bytes : {Writers, QByteArray(Writers).replace("\r\n", "\n")}) {
    for (const qint64 Read : {1, 2, 4}) {
      SCOPED_TRACE(testing::Message()
                   << (Bytes == Writers ? "layout" : "general") << ", read " << Read);
      TPropDB DB;
      TPipe Piped(Bytes, 64);
      SetKeepFault(Read);
      const TResult<TWarnings> Loaded = ReadSetFile(Piped, DB, CommaRegional());
      SetKeepFault(0);
      ASSERT_FALSE(Loaded);
      EXPECT_EQ(FailureText(Loaded.Failure()), FailureText(TFailure::Own(Reason::OutOfMemory)));
      EXPECT_EQ(DB.TypeCount() + DB.PropCount(), 0);
    }
  }
}

TEST(SetFileLayout, VectorScanCountsAsItsScalarTwin) {
  std::mt19937 Rng(7);
  const unsigned char Alphabet[] = {'a',  ' ',  '"',  '&',  '<',  '>',
                                    0x1F, 0x7F, 0x80, 0xD0, '\'', 'Z'};
  for (int Round = 0; Round < 2000; ++Round) {
    std::vector<unsigned char> Bytes(Rng() % 70);
    // Mostly plain, so that a stop falls anywhere within a vector.
    for (unsigned char& B : Bytes)
      B = Rng() % 8 ? 'a' + Rng() % 26 : Alphabet[Rng() % sizeof Alphabet];
    ASSERT_EQ(PlainPrefix(Bytes.data(), Bytes.size()),
              PlainPrefixScalar(Bytes.data(), Bytes.size()));
  }
}

TEST(SetFileLayout, SharedTextsChangeAlone) {
  // Equal texts of a load share their characters, and strings made from them
  // share them too; a change to one leaves the others and the database alone,
  // and a string outlives the records whose characters it shares.
  TPropDB DB;
  Ok(LoadFromXMLBytes(DB, WritersDocument(), CommaRegional()));
  ASSERT_EQ(DB.PropCount(), 3);
  QString Curr = DB.Props(0)->Curr;
  EXPECT_EQ(Curr.constData(), DB.Props(1)->Curr.View().data());
  Curr += u'!';
  QString Name = DB.Props(1)->Name;
  Name[0] = u'X';
  DB.Props(1)->Name = Name;
  QString Last = DB.Props(2)->Name;
  EXPECT_EQ(DB.Props(0)->Curr, QStringLiteral("RUB"));
  EXPECT_EQ(DB.Props(0)->Name, QStringLiteral("Стол 😀"));
  EXPECT_EQ(DB.Props(1)->Name, QStringLiteral("Xтул\r\n"));
  EXPECT_EQ(Curr, QStringLiteral("RUB!"));
  DB.Clear();
  // The last holder of a block may change it where it stands.
  const QString Copy(Last.constData(), Last.size());
  Last.append(QStringLiteral(" more text than the block had after it"));
  EXPECT_EQ(Last, Copy + QStringLiteral(" more text than the block had after it"));
  EXPECT_EQ(Curr, QStringLiteral("RUB!"));
}

TEST(SetFileLayout, ProgressEndsAtTheDocumentsSize) {
  // Several reads' worth, in the layout and reformatted.
  TPropDB DB;
  const PTypeRecord Set = AddTestSet(DB, QStringLiteral("S"));
  for (int I = 0; I < 5000; ++I)
    AddTestItem(DB, Set, QStringLiteral("Предмет %1").arg(I));
  const QByteArray Writers = Ok(SaveToXMLBytes(DB, CommaRegional()));
  QTemporaryDir Dir;
  for (const QByteArray& Bytes : {Writers, QByteArray(Writers).replace("\r\n", "\n")}) {
    const QString Path = Dir.filePath(QStringLiteral("p.vsxml"));
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly | QIODevice::Truncate));
    File.write(Bytes);
    File.close();
    std::vector<std::pair<qint64, qint64>> Calls;
    Ok(LoadSetFile(Path, DB, CommaRegional(),
                   [&](qint64 Done, qint64 Total) { Calls.emplace_back(Done, Total); }));
    EXPECT_EQ(DB.PropCount(), 5000);
    ASSERT_GT(Calls.size(), 2U);
    EXPECT_EQ(Calls.back(), std::make_pair(qint64(Bytes.size()), qint64(Bytes.size())));
  }
}
