#include "database/setfile/Writer.h"

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/Schema.h"

#include <QHash>
#include <QIODevice>
#include <QXmlStreamWriter>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

QString XmlSafe(const QString& Text) {
  const qsizetype N = Text.size();
  const QChar* D = Text.constData();
  auto Bad = [&](qsizetype I) {
    const char16_t U = D[I].unicode();
    if (U < 0x20)
      return U != u'\t' && U != u'\n' && U != u'\r';
    if (U < 0xD800)
      return false;
    if (U >= 0xFFFE)
      return true;
    if (QChar::isHighSurrogate(U))
      return I + 1 >= N || !D[I + 1].isLowSurrogate();
    if (QChar::isLowSurrogate(U))
      return I == 0 || !D[I - 1].isHighSurrogate();
    return false;
  };
  qsizetype I = 0;
  while (I < N && !Bad(I))
    ++I;
  if (I == N)
    return Text;
  QString Out = Text;
  QChar* O = Out.data();
  for (; I < N; ++I)
    if (Bad(I))
      O[I] = QChar(QChar::ReplacementCharacter);
  return Out;
}

namespace {

// The items of each set in item-list order, grouped in one pass instead of a
// scan of the whole item list for every set: the items of set T are
// Props[First[T] .. First[T + 1]).
struct TGrouped {
  std::vector<size_t> First;
  std::vector<PPropRecord> Props;
};

TGrouped GroupBySet(const TPropDB& DB) {
  const size_t TypeCount = size_t(DB.TypeCount());
  const size_t PropCount = size_t(DB.PropCount());
  QHash<PTypeRecord, size_t> TypeIndex;
  TypeIndex.reserve(qsizetype(TypeCount));
  for (size_t T = 0; T < TypeCount; ++T)
    TypeIndex.insert(DB.Types(int(T)), T);
  constexpr size_t NoType = std::numeric_limits<size_t>::max();
  std::vector<size_t> PropType(PropCount, NoType);
  TGrouped Out;
  Out.First.assign(TypeCount + 1, 0);
  for (size_t P = 0; P < PropCount; ++P) {
    const auto It = TypeIndex.constFind(DB.Props(int(P))->Parent);
    if (It == TypeIndex.constEnd())
      continue; // not in the set list, so never written
    PropType[P] = It.value();
    ++Out.First[It.value() + 1];
  }
  for (size_t T = 0; T < TypeCount; ++T)
    Out.First[T + 1] += Out.First[T];
  Out.Props.resize(Out.First[TypeCount]);
  std::vector<size_t> Next(Out.First.begin(), Out.First.end() - 1);
  for (size_t P = 0; P < PropCount; ++P)
    if (PropType[P] != NoType)
      Out.Props[Next[PropType[P]]++] = DB.Props(int(P));
  return Out;
}

} // namespace

TValueTexts::TValueTexts(const TRegional& Settings)
    : Settings(Settings), One(QStringLiteral("1")),
      Zero(QStringLiteral("0")), Details{Zero, One, QStringLiteral("2")},
      FGUIDText(38, Qt::Uninitialized) {}

QString TValueTexts::Date(double Date) {
  if (!(Date > -1e7 && Date < 1e7))
    return DateToFileStr(Date, Settings); // raises for a date it cannot write
  const qint64 Key = std::llround(Date * 86400000.0) / 86400000;
  auto It = FDates.find(Key);
  if (It == FDates.end())
    It = FDates.insert(Key, DateToFileStr(Date, Settings));
  return It.value();
}

const QString& TValueTexts::GUID(const TGUID& GUID) {
  GUIDToChars(GUID, FGUIDText.data());
  return FGUIDText;
}

QString TValueTexts::Detail(int32_t Detail) const {
  return Detail >= 0 && Detail < 3 ? Details[size_t(Detail)] : QString::number(Detail);
}

namespace {

template <class TTable, class TRec>
void WriteAttributes(QXmlStreamWriter& W, const TTable& Table, const TRec& Rec,
                     TValueTexts& Texts) {
  for (const auto& Attribute : Table)
    W.writeAttribute(Attribute.Name, Attribute.Write(Rec, Texts));
}

// AfterSet runs after each set, when the writer has nothing pending.
template <class TAfterSet>
void WriteDocument(const TPropDB& DB, const TRegional& Settings, QXmlStreamWriter& W,
                   TAfterSet AfterSet) {
  const TGrouped Grouped = GroupBySet(DB);
  const size_t TypeCount = size_t(DB.TypeCount());
  const QString Break = QStringLiteral("\r\n");
  const QString TypeIndent = QStringLiteral("\r\n  ");
  const QString PropIndent = QStringLiteral("\r\n    ");
  TValueTexts Texts(Settings);

  // The writer puts no encoding into the declaration of a document written to
  // a string; the text is UTF-8 once it reaches the file.
  W.writeProcessingInstruction(QStringLiteral("xml"),
                               QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
  W.writeCharacters(Break);
  if (TypeCount == 0)
    W.writeEmptyElement(RootName);
  else
    W.writeStartElement(RootName);
  for (size_t T = 0; T < TypeCount; ++T) {
    const size_t First = Grouped.First[T], Last = Grouped.First[T + 1];
    W.writeCharacters(TypeIndent);
    if (Last > First)
      W.writeStartElement(TypeName);
    else
      W.writeEmptyElement(TypeName);
    WriteAttributes(W, TypeAttributes, *DB.Types(int(T)), Texts);
    for (size_t P = First; P < Last; ++P) {
      W.writeCharacters(PropIndent);
      W.writeEmptyElement(PropName);
      WriteAttributes(W, PropAttributes, *Grouped.Props[P], Texts);
    }
    if (Last > First) {
      W.writeCharacters(TypeIndent);
      W.writeEndElement();
    }
    AfterSet();
  }
  if (TypeCount > 0) {
    W.writeCharacters(Break);
    W.writeEndElement();
  }
  // The file ends with a line break; writeEndDocument would add a bare LF.
  W.writeCharacters(Break);
}

} // namespace

void WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  // The writer fills a string that goes to the device as UTF-8 in pieces of
  // about a million characters; every write is checked.
  QString Chunk;
  QXmlStreamWriter Writer(&Chunk);
  const auto Flush = [&] {
    const QByteArray Bytes = Chunk.toUtf8();
    for (qsizetype Done = 0; Done < Bytes.size();) {
      const qint64 Written = Device.write(Bytes.constData() + Done, Bytes.size() - Done);
      if (Written <= 0)
        throw TError(Device.errorString());
      Done += qsizetype(Written);
    }
    Chunk.resize(0); // keeps the allocation
  };
  WriteDocument(DB, Settings, Writer, [&] {
    if (Chunk.size() >= (1 << 20))
      Flush();
  });
  Flush();
}
