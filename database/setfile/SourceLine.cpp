#include "database/setfile/SourceLine.h"

#include "database/setfile/Limits.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>

#include <cstring>

QString TSourceEncoding::Decode(const QByteArray& Bytes) const {
  switch (Kind) {
  case Utf8:
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)(Bytes);
  case Utf16LE:
    return QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless)(Bytes);
  case Utf16BE:
    return QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless)(Bytes);
  case Latin1:
    return QString::fromLatin1(Bytes);
  case Ascii:
  case Table:
    break;
  }
  QString Out;
  for (const char C : Bytes) {
    const auto B = static_cast<unsigned char>(C);
    const int Code = Kind == Ascii ? (B < 0x80 ? B : -1) : (*Map)[B];
    if (Code < 0)
      break;
    Out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&Code), 1);
  }
  return Out;
}

QString SourceLine(QIODevice& Device, qint64 Start, qint64 Line, const TSourceEncoding& Encoding) {
  if (Line < 1 || Device.isSequential() || !Device.seek(Start))
    return QString();
  const int Unit = Encoding.UnitSize();
  QByteArray Chunk(ChunkSize, Qt::Uninitialized);
  QByteArray Head;
  qint64 Current = 1;
  bool AfterCR = false;
  qsizetype Carry = 0; // bytes of an unfinished unit kept at the front of Chunk
  for (;;) {
    const qint64 Got = Device.read(Chunk.data() + Carry, ChunkSize - Carry);
    if (Got <= 0)
      break;
    const qsizetype Size = Carry + qsizetype(Got);
    qsizetype I = 0;
    for (; I + Unit <= Size; I += Unit) {
      const unsigned U = Encoding.UnitAt(Chunk.constData() + I);
      const bool LF = U == 0x0A, CR = U == 0x0D;
      if (LF && AfterCR) {
        // the second half of CR LF
      } else if (Current == Line) {
        if (LF || CR)
          break;
        Head.append(Chunk.constData() + I, Unit);
        if (Head.size() >= SourceBytes)
          break;
      } else if (CR || LF) {
        ++Current;
      }
      AfterCR = CR;
    }
    if (Current == Line && (I + Unit <= Size || Head.size() >= SourceBytes)) {
      Carry = 0;
      break;
    }
    Carry = Size - I;
    std::memmove(Chunk.data(), Chunk.constData() + I, size_t(Carry));
  }
  if (Current != Line)
    return QString();
  Head.append(Chunk.constData(), Carry); // half a unit at the end of the file
  QString Text = Encoding.Decode(Head);
  if (Text.size() > SourceChars) // never half a pair
    Text.truncate(Text[SourceChars - 1].isHighSurrogate() ? SourceChars - 1 : SourceChars);
  return Text;
}

void TStreamLines::Release(qint64 From, const TSourceEncoding& Encoding) {
  const int Unit = Encoding.UnitSize();
  for (; FScanned + Unit <= From; FScanned += Unit) {
    const unsigned U = Encoding.UnitAt(FKept.constData() + (FScanned - FKeptAt));
    if (U == 0x0A && FAfterCR) {
      FLineAt = FScanned + Unit; // the second half of CR LF
      FAfterCR = false;
    } else if (U == 0x0A || U == 0x0D) {
      ++FLine;
      FLineAt = FScanned + Unit;
      FAfterCR = U == 0x0D;
    } else {
      FAfterCR = false;
    }
  }
  // After a CR the line may yet start after an LF: the CR is kept, and read
  // again it ends the line before.
  const qint64 KeepAt = FAfterCR ? FLineAt - Unit : FLineAt;
  const qint64 KeepLine = FAfterCR ? FLine - 1 : FLine;
  if (KeepAt <= FKeptAt)
    return;
  if (FHeld >= FKeptLine && FHeld < FLine && FHeldSource.isEmpty())
    FHeldSource = Source(FHeld, Encoding);
  FKept.remove(0, KeepAt - FKeptAt);
  FKeptAt = KeepAt;
  FKeptLine = KeepLine;
}

QString TStreamLines::Source(qint64 Line, const TSourceEncoding& Encoding) const {
  if (Line == FHeld && !FHeldSource.isEmpty())
    return FHeldSource;
  if (Line < FKeptLine)
    return QString();
  QBuffer Kept;
  Kept.setData(FKept);
  Kept.open(QIODevice::ReadOnly);
  return SourceLine(Kept, 0, Line - FKeptLine + 1, Encoding);
}
