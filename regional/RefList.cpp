#include "regional/RefList.h"

#include "failures/Reasons.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// CR LF, a lone LF and a lone CR all end a line; a line end at the very end
// adds no empty entry.
QStringList SplitLines(const QString& Text) {
  QStringList Lines;
  qsizetype Start = 0;
  const qsizetype Size = Text.size();
  for (qsizetype I = 0; I < Size; ++I) {
    const QChar C = Text.at(I);
    if (C != u'\r' && C != u'\n')
      continue;
    Lines.append(Text.mid(Start, I - Start));
    if (C == u'\r' && I + 1 < Size && Text.at(I + 1) == u'\n')
      ++I;
    Start = I + 1;
  }
  if (Start < Size)
    Lines.append(Text.mid(Start));
  return Lines;
}

QString Decode(QStringConverter::Encoding Encoding, QByteArrayView Bytes) {
  // The mark is cut off already; anything after it is text.
  QStringDecoder Decoder(Encoding, QStringConverter::Flag::Stateless |
                                       QStringConverter::Flag::ConvertInitialBom);
  return Decoder.decode(Bytes);
}

} // namespace

QStringList DecodeRefList(const QByteArray& Bytes, const TRegional& Settings) {
  const QByteArrayView View(Bytes);
  // The order matters: FF FE is tested before anything else.
  if (View.startsWith("\xFF\xFE"))
    return SplitLines(Decode(QStringConverter::Utf16LE, View.sliced(2)));
  if (View.startsWith("\xFE\xFF"))
    return SplitLines(Decode(QStringConverter::Utf16BE, View.sliced(2)));
  if (View.startsWith("\xEF\xBB\xBF"))
    return SplitLines(Decode(QStringConverter::Utf8, View.sliced(3)));
  return SplitLines(FromAnsi(Bytes, Settings));
}

TResult<QStringList> LoadRefList(const QString& FileName, const TRegional& Settings) {
  if (!QFileInfo(FileName).isFile())
    return TFailure::Own(Reason::NotRegularFile);
  QFile File(FileName);
  if (!File.open(QIODevice::ReadOnly))
    return TFailure::OfDevice(File);
  const QByteArray Bytes = File.readAll();
  if (File.error() != QFileDevice::NoError)
    return TFailure::OfDevice(File);
  return DecodeRefList(Bytes, Settings);
}
