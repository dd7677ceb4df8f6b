// The set file: writing the database as XML and reading it back.
//
// The reader parses the whole document before it adds the first record, so a
// file that is not well-formed anywhere leaves the database empty. What the
// reading rules look at is kept in a compact form meanwhile: every attribute
// value that may be read, in one shared text pool.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QSysInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

// The writer takes names as QString only; made once, not per attribute.
const std::array<QString, 4> TypeAttrNames = {QStringLiteral("GUID"), QStringLiteral("name"),
                                              QStringLiteral("language"),
                                              QStringLiteral("country")};
const std::array<QString, 7> PropAttrNames = {QStringLiteral("GUID"),   QStringLiteral("name"),
                                              QStringLiteral("detail"), QStringLiteral("default"),
                                              QStringLiteral("date"),   QStringLiteral("cost"),
                                              QStringLiteral("curr")};

enum TTypeAttr { tGUID, tName, tLanguage, tCountry };
enum TPropAttr { pGUID, pName, pDetail, pDefault, pDate, pCost, pCurr };

// ---------------------------------------------------------------------------
// Error messages

const QString CRLF = QStringLiteral("\r\n");

// The parser's reason for bytes that are not in the encoding; used for the
// same fault found here.
QString EncodingErrorText() {
  return QStringLiteral("Encountered incorrectly encoded content.");
}

// The text of line Line (counted from 1 as the parser counts: CR, LF and
// CR LF each end a line), at most 40 characters of it.
QString SourceLine(QStringView Text, qint64 Line) {
  qsizetype Pos = 0;
  const qsizetype N = Text.size();
  for (qint64 L = 1; L < Line; ++L) {
    while (Pos < N && Text[Pos] != u'\r' && Text[Pos] != u'\n')
      ++Pos;
    if (Pos >= N)
      return QString();
    if (Text[Pos] == u'\r' && Pos + 1 < N && Text[Pos + 1] == u'\n')
      ++Pos;
    ++Pos;
  }
  qsizetype End = Pos;
  while (End < N && End - Pos < 40 && Text[End] != u'\r' && Text[End] != u'\n')
    ++End;
  // Never cut a surrogate pair in half.
  if (End - Pos == 40 && Text[End - 1].isHighSurrogate())
    --End;
  return Text.mid(Pos, End - Pos).toString();
}

// Number of the line that Pos stands on.
qint64 LineAt(QStringView Text, qsizetype Pos) {
  qint64 Line = 1;
  for (qsizetype I = 0; I < Pos && I < Text.size(); ++I) {
    if (Text[I] == u'\n' || (Text[I] == u'\r' && (I + 1 >= Text.size() || Text[I + 1] != u'\n')))
      ++Line;
  }
  return Line;
}

TError ParseError(const QString& Reason, qint64 Line, const QString& Source) {
  // "%s%s%s: %d%s%s"
  return TError(Reason + CRLF + QStringLiteral("Line") + QStringLiteral(": ") +
                QString::number(Line) + CRLF + Source);
}

// ---------------------------------------------------------------------------
// Input: the bytes as the parser gets them

enum class TEncoding { Utf8, Utf16LE, Utf16BE, Other };

struct TInput {
  TEncoding Encoding = TEncoding::Utf8;
  QByteArray EncodingName; // as declared, for Other
  QString Decoded;         // the whole text, for Other
};

bool StartsWith(const QByteArray& Bytes, const char* Prefix, qsizetype Length) {
  return Bytes.size() >= Length && memcmp(Bytes.constData(), Prefix, size_t(Length)) == 0;
}

// The encoding named in an XML declaration written in an ASCII-compatible
// encoding; empty when there is none.
QByteArray DeclaredEncoding(const QByteArray& Bytes) {
  if (!Bytes.startsWith("<?xml") || Bytes.size() < 6)
    return QByteArray();
  const char After = Bytes[5];
  if (After != ' ' && After != '\t' && After != '\r' && After != '\n')
    return QByteArray();
  const qsizetype End = Bytes.indexOf("?>");
  if (End < 0)
    return QByteArray();
  const QByteArray Decl = Bytes.left(End);
  qsizetype Pos = Decl.indexOf("encoding");
  if (Pos < 0)
    return QByteArray();
  Pos += 8;
  auto SkipSpace = [&] {
    while (Pos < Decl.size() &&
           (Decl[Pos] == ' ' || Decl[Pos] == '\t' || Decl[Pos] == '\r' || Decl[Pos] == '\n'))
      ++Pos;
  };
  SkipSpace();
  if (Pos >= Decl.size() || Decl[Pos] != '=')
    return QByteArray();
  ++Pos;
  SkipSpace();
  if (Pos >= Decl.size() || (Decl[Pos] != '"' && Decl[Pos] != '\''))
    return QByteArray();
  const char Quote = Decl[Pos++];
  const qsizetype Close = Decl.indexOf(Quote, Pos);
  if (Close < 0)
    return QByteArray();
  return Decl.mid(Pos, Close - Pos);
}

// XML's EncName: [A-Za-z] ([A-Za-z0-9._] | '-')*. Anything else is left to
// the parser, which refuses it; it must never reach iconv, whose names take
// suffixes such as //IGNORE.
bool IsEncName(const QByteArray& Name) {
  if (Name.isEmpty() || !((Name[0] >= 'A' && Name[0] <= 'Z') || (Name[0] >= 'a' && Name[0] <= 'z')))
    return false;
  for (const char C : Name) {
    const bool Ok = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
                    C == '.' || C == '_' || C == '-';
    if (!Ok)
      return false;
  }
  return true;
}

// False when the bytes end inside a multi-byte sequence: the parser's decoder
// keeps such a remainder to itself instead of reporting it.
bool Utf8TailComplete(const QByteArray& Bytes) {
  int Continuation = 0;
  for (qsizetype I = Bytes.size() - 1; I >= 0 && Continuation < 4; --I) {
    const auto C = static_cast<unsigned char>(Bytes[I]);
    if ((C & 0xC0) == 0x80) {
      ++Continuation;
      continue;
    }
    int Needed = 0;
    if ((C & 0xE0) == 0xC0)
      Needed = 1;
    else if ((C & 0xF0) == 0xE0)
      Needed = 2;
    else if ((C & 0xF8) == 0xF0)
      Needed = 3;
    return Needed <= Continuation;
  }
  return true;
}

// The whole text decoded leniently, only to quote a failing line.
QString DecodeForMessage(const QByteArray& Bytes, const TInput& Input) {
  switch (Input.Encoding) {
  // Stateless: an unfinished sequence at the end shows as U+FFFD too.
  case TEncoding::Utf8:
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)(Bytes);
  case TEncoding::Utf16LE:
    return QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless)(Bytes);
  case TEncoding::Utf16BE:
    return QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless)(Bytes);
  case TEncoding::Other:
    break;
  }
  return Input.Decoded;
}

// Byte position of the first sequence that is not UTF-8 (overlong forms and
// surrogates included), or -1.
qsizetype FirstInvalidUtf8(const QByteArray& Bytes) {
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes.constData());
  const qsizetype N = Bytes.size();
  for (qsizetype I = 0; I < N;) {
    const unsigned C = P[I];
    if (C < 0x80) {
      ++I;
      continue;
    }
    int Length = 0;
    uint32_t Code = 0, Least = 0;
    if ((C & 0xE0) == 0xC0) {
      Length = 2, Code = C & 0x1F, Least = 0x80;
    } else if ((C & 0xF0) == 0xE0) {
      Length = 3, Code = C & 0x0F, Least = 0x800;
    } else if ((C & 0xF8) == 0xF0) {
      Length = 4, Code = C & 0x07, Least = 0x10000;
    } else {
      return I;
    }
    if (I + Length > N)
      return I;
    for (int K = 1; K < Length; ++K) {
      if ((P[I + K] & 0xC0) != 0x80)
        return I;
      Code = Code << 6 | (P[I + K] & 0x3F);
    }
    if (Code < Least || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
      return I;
    I += Length;
  }
  return -1;
}

// Byte position of the first unpaired surrogate or odd byte of UTF-16, or -1.
qsizetype FirstInvalidUtf16(const QByteArray& Bytes, bool BigEndian) {
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes.constData());
  const qsizetype N = Bytes.size();
  auto Unit = [&](qsizetype I) {
    return BigEndian ? char16_t(P[I] << 8 | P[I + 1]) : char16_t(P[I + 1] << 8 | P[I]);
  };
  for (qsizetype I = 0; I < N; I += 2) {
    if (I + 1 >= N)
      return I;
    const char16_t U = Unit(I);
    if (QChar::isHighSurrogate(U)) {
      if (I + 3 >= N || !QChar::isLowSurrogate(Unit(I + 2)))
        return I;
      I += 2;
    } else if (QChar::isLowSurrogate(U)) {
      return I;
    }
  }
  return -1;
}

struct TIconv {
  iconv_t Cd;
  explicit TIconv(iconv_t ACd) : Cd(ACd) {}
  ~TIconv() { iconv_close(Cd); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
};

// Decodes Bytes from the named encoding, refusing every byte sequence that is
// not in it (the parser's own decoders for these encodings substitute).
QString DecodeStrict(const QByteArray& Bytes, const QByteArray& Name) {
  const char* Unicode = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
  const iconv_t Cd = iconv_open(Unicode, Name.constData());
  if (Cd == reinterpret_cast<iconv_t>(-1))
    throw ParseError(QStringLiteral("Encoding %1 is unsupported").arg(QString::fromLatin1(Name)), 1,
                     QString());
  TIconv Guard(Cd);
  QString Out;
  Out.resize(Bytes.size() + 16);
  char* In = const_cast<char*>(Bytes.constData());
  size_t InLeft = size_t(Bytes.size());
  qsizetype Done = 0;
  bool Flushing = false;
  for (;;) {
    char* OutPtr = reinterpret_cast<char*>(Out.data() + Done);
    size_t OutLeft = size_t(Out.size() - Done) * 2;
    const size_t R = Flushing ? iconv(Cd, nullptr, nullptr, &OutPtr, &OutLeft)
                              : iconv(Cd, &In, &InLeft, &OutPtr, &OutLeft);
    const int Err = errno;
    Done = (OutPtr - reinterpret_cast<char*>(Out.data())) / 2;
    if (R != size_t(-1)) {
      if (Flushing)
        break;
      Flushing = true;
      continue;
    }
    if (Err == E2BIG) {
      Out.resize(Out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: a sequence that is not in the encoding, or an
    // unfinished one at the end.
    Out.truncate(Done);
    throw ParseError(EncodingErrorText(), LineAt(Out, Done), SourceLine(Out, LineAt(Out, Done)));
  }
  Out.truncate(Done);
  return Out;
}

TInput PrepareInput(const QByteArray& Bytes) {
  TInput Input;
  if (StartsWith(Bytes, "\xEF\xBB\xBF", 3)) {
    Input.Encoding = TEncoding::Utf8;
  } else if (StartsWith(Bytes, "\xFF\xFE", 2) || StartsWith(Bytes, "<\0", 2)) {
    Input.Encoding = TEncoding::Utf16LE;
  } else if (StartsWith(Bytes, "\xFE\xFF", 2) || StartsWith(Bytes, "\0<", 2)) {
    Input.Encoding = TEncoding::Utf16BE;
  } else {
    const QByteArray Name = DeclaredEncoding(Bytes);
    const QByteArray Lower = Name.toLower();
    // UTF-8 and UTF-16 stay with the parser, whose decoders report every
    // ill-formed sequence but an unfinished one at the very end.
    if (!Name.isEmpty() && IsEncName(Name) && Lower != "utf-8" && Lower != "utf8" &&
        !Lower.startsWith("utf-16") && !Lower.startsWith("utf-32") && !Lower.startsWith("ucs")) {
      Input.Encoding = TEncoding::Other;
      Input.EncodingName = Name;
      Input.Decoded = DecodeStrict(Bytes, Name);
    }
  }
  switch (Input.Encoding) {
  case TEncoding::Utf8:
    if (!Utf8TailComplete(Bytes)) {
      const QString Text = DecodeForMessage(Bytes, Input);
      const qint64 Line = LineAt(Text, Text.size());
      throw ParseError(EncodingErrorText(), Line, SourceLine(Text, Line));
    }
    break;
  case TEncoding::Utf16LE:
  case TEncoding::Utf16BE:
    if (Bytes.size() % 2 != 0) {
      const QString Text = DecodeForMessage(Bytes, Input);
      const qint64 Line = LineAt(Text, Text.size());
      throw ParseError(EncodingErrorText(), Line, SourceLine(Text, Line));
    }
    break;
  case TEncoding::Other:
    break;
  }
  return Input;
}

// ---------------------------------------------------------------------------
// What the reading rules look at

// A piece of the pool; a missing attribute reads as the empty text.
struct TSlice {
  uint32_t Offset = 0;
  uint32_t Length = 0;
};

struct TParsedType {
  std::array<TSlice, 4> Attr;
  uint32_t FirstProp = 0; // its items are Props[FirstProp .. next type's FirstProp)
};

struct TParsedProp {
  std::array<TSlice, 7> Attr;
};

struct TParsedFile {
  QString Pool;
  qsizetype PoolLimit = 0;
  std::vector<TParsedType> Types;
  std::vector<TParsedProp> Props;

  // False when the values would outgrow the limit.
  bool Keep(QStringView Value, TSlice& Slice) {
    if (Value.size() > PoolLimit - Pool.size())
      return false;
    Slice = TSlice{static_cast<uint32_t>(Pool.size()), static_cast<uint32_t>(Value.size())};
    Pool.append(Value);
    return true;
  }
  // Shares the pool's characters; valid while the pool is unchanged.
  QString Raw(const TSlice& S) const {
    return QString::fromRawData(Pool.constData() + S.Offset, S.Length);
  }
  QString Copy(const TSlice& S) const {
    return QStringView(Pool).mid(S.Offset, S.Length).toString();
  }
};

template <size_t N>
bool KeepAttributes(TParsedFile& File, const QXmlStreamAttributes& Attributes,
                    const std::array<QString, N>& Names, std::array<TSlice, N>& Out) {
  for (const QXmlStreamAttribute& A : Attributes) {
    const QStringView Name = A.qualifiedName();
    for (size_t I = 0; I < N; ++I) {
      if (Name == Names[I]) {
        if (!File.Keep(A.value(), Out[I]))
          return false;
        break;
      }
    }
  }
  return true;
}

bool IsLayoutSpace(QStringView Text) {
  for (const QChar C : Text) {
    const char16_t U = C.unicode();
    if (U != u' ' && U != u'\t' && U != u'\r' && U != u'\n')
      return false;
  }
  return true;
}

QString TooLargeText() {
  return QStringLiteral("Entity references expand the attribute values beyond the limit.");
}

// Parses the whole document; fails with the parse error message.
void Parse(const QByteArray& Bytes, TParsedFile& File) {
  const TInput Input = PrepareInput(Bytes);
  // A generous start that the pool rarely outgrows; pages never written
  // cost no memory.
  const qsizetype InputSize =
      Input.Encoding == TEncoding::Other ? Input.Decoded.size() : Bytes.size();
  File.Pool.reserve(InputSize);
  // The values of a set file take less room than the file. Only entities can
  // make them larger, each reference by up to the parser's expansion limit;
  // a file made to fill the memory that way fails instead.
  File.PoolLimit = std::min<qsizetype>(std::numeric_limits<uint32_t>::max(),
                                       InputSize * 16 + (qsizetype(1) << 20));
  // A decoded text locks the parser's encoding: the declaration then names
  // the encoding that has already been undone.
  //
  // Bytes are read through a device: given a whole byte array, the parser
  // would decode all of it up front, at twice its size in memory, and more
  // slowly.
  QXmlStreamReader Reader;
  QBuffer Device;
  if (Input.Encoding == TEncoding::Other) {
    Reader.addData(Input.Decoded);
  } else {
    Device.setData(Bytes);
    Device.open(QIODevice::ReadOnly);
    Reader.setDevice(&Device);
  }
  // Names are compared as written, prefixes included; XML 1.0 knows no
  // namespaces.
  Reader.setNamespaceProcessing(false);

  enum class TState { Seeking, InPropdb, InType, Done };
  TState State = TState::Seeking;
  int Depth = 0;       // open elements
  int PropdbDepth = 0; // depth inside the first "propdb"
  int SkipDepth = 0;   // > 0 while inside an element whose content is not looked at
  bool SeenRoot = false;
  bool SeenDoctype = false;
  bool UnreadDtdSubset = false;
  QString OwnError;

  auto Fail = [&](const QString& Reason) { OwnError = Reason; };

  while (!Reader.atEnd() && OwnError.isEmpty()) {
    const QXmlStreamReader::TokenType Token = Reader.readNext();
    switch (Token) {
    case QXmlStreamReader::StartElement: {
      SeenRoot = true;
      ++Depth;
      // Entities of an external subset that was not read stay as "&name;" in
      // attribute values; such a value cannot be known.
      if (UnreadDtdSubset) {
        for (const QXmlStreamAttribute& A : Reader.attributes())
          if (A.value().contains(u'&'))
            Fail(QStringLiteral("Entity reference in attribute value cannot be resolved."));
      }
      if (SkipDepth > 0) {
        ++SkipDepth;
        break;
      }
      const QStringView Name = Reader.qualifiedName();
      switch (State) {
      case TState::Seeking:
        if (Name == QLatin1StringView("propdb")) {
          State = TState::InPropdb;
          PropdbDepth = Depth;
        }
        break;
      case TState::InPropdb:
        if (Name == QLatin1StringView("type")) {
          TParsedType& Type = File.Types.emplace_back();
          Type.FirstProp = static_cast<uint32_t>(File.Props.size());
          if (!KeepAttributes(File, Reader.attributes(), TypeAttrNames, Type.Attr))
            Fail(TooLargeText());
          State = TState::InType;
        } else {
          State = TState::Done;
        }
        break;
      case TState::InType:
        if (Name == QLatin1StringView("prop")) {
          TParsedProp& Prop = File.Props.emplace_back();
          if (!KeepAttributes(File, Reader.attributes(), PropAttrNames, Prop.Attr))
            Fail(TooLargeText());
        }
        // Nothing below an item, nor inside any other element, is looked at.
        SkipDepth = 1;
        break;
      case TState::Done:
        break;
      }
      break;
    }
    case QXmlStreamReader::EndElement:
      --Depth;
      if (SkipDepth > 0) {
        --SkipDepth;
        break;
      }
      if (State == TState::InType)
        State = TState::InPropdb;
      else if (State == TState::InPropdb && Depth < PropdbDepth)
        State = TState::Done;
      break;
    case QXmlStreamReader::Characters:
      // Layout whitespace is no node; CDATA and any other text is.
      if (State == TState::InPropdb && SkipDepth == 0 &&
          (Reader.isCDATA() || !IsLayoutSpace(Reader.text())))
        State = TState::Done;
      break;
    case QXmlStreamReader::Comment:
    case QXmlStreamReader::ProcessingInstruction:
      if (State == TState::InPropdb && SkipDepth == 0)
        State = TState::Done;
      break;
    case QXmlStreamReader::DTD:
      // The parser takes a document type declaration anywhere, and more than one.
      if (SeenRoot || SeenDoctype) {
        Fail(QStringLiteral("Unexpected document type declaration."));
        break;
      }
      SeenDoctype = true;
      UnreadDtdSubset = !Reader.isStandaloneDocument() &&
                        (!Reader.dtdSystemId().isEmpty() || !Reader.dtdPublicId().isEmpty());
      break;
    case QXmlStreamReader::EntityReference:
      // An entity that the parser could not resolve (it reads no external
      // subset): its content cannot be known.
      Fail(QStringLiteral("Entity '%1' not declared.").arg(Reader.name()));
      break;
    case QXmlStreamReader::StartDocument:
    case QXmlStreamReader::EndDocument:
    case QXmlStreamReader::NoToken:
    case QXmlStreamReader::Invalid:
      break;
    }
  }

  if (!OwnError.isEmpty() || Reader.hasError()) {
    const QString Reason = OwnError.isEmpty() ? Reader.errorString() : OwnError;
    const QString Text = DecodeForMessage(Bytes, Input);
    qint64 Line = Reader.lineNumber();
    // The parser decodes ahead of what it has parsed, so it names the line it
    // had reached rather than the line of the bad bytes.
    if (Reason == EncodingErrorText() && Input.Encoding != TEncoding::Other) {
      const qsizetype Bad = Input.Encoding == TEncoding::Utf8
                                ? FirstInvalidUtf8(Bytes)
                                : FirstInvalidUtf16(Bytes, Input.Encoding == TEncoding::Utf16BE);
      if (Bad >= 0) {
        const QString Before = DecodeForMessage(Bytes.left(Bad), Input);
        Line = LineAt(Before, Before.size());
      }
    }
    File = TParsedFile();
    throw ParseError(Reason, Line, SourceLine(Text, Line));
  }
}

// ---------------------------------------------------------------------------
// Writing

// XML 1.0 cannot carry control characters other than tab, LF and CR, nor
// U+FFFE, U+FFFF or a lone surrogate; they become U+FFFD so that the file
// always reads again.
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

// AfterSet runs after each set, when the writer has nothing pending.
template <class TAfterSet>
void WriteDocument(const TPropDB& DB, const TRegional& Settings, QXmlStreamWriter& W,
                   TAfterSet AfterSet) {
  // The items of each set in item-list order, grouped in one pass instead of
  // a scan of the whole item list for every set.
  const size_t TypeCount = size_t(DB.TypeCount());
  const size_t PropCount = size_t(DB.PropCount());
  QHash<PTypeRecord, size_t> TypeIndex;
  TypeIndex.reserve(qsizetype(TypeCount));
  for (size_t T = 0; T < TypeCount; ++T)
    TypeIndex.insert(DB.Types(int(T)), T);
  constexpr size_t NoType = std::numeric_limits<size_t>::max();
  std::vector<size_t> PropType(PropCount, NoType);
  std::vector<size_t> First(TypeCount + 1, 0); // items of set T: Grouped[First[T] .. First[T + 1])
  for (size_t P = 0; P < PropCount; ++P) {
    const auto It = TypeIndex.constFind(DB.Props(int(P))->Parent);
    if (It == TypeIndex.constEnd())
      continue; // not in the set list, so never written
    PropType[P] = It.value();
    ++First[It.value() + 1];
  }
  for (size_t T = 0; T < TypeCount; ++T)
    First[T + 1] += First[T];
  std::vector<PPropRecord> Grouped(First[TypeCount]);
  std::vector<size_t> Next(First.begin(), First.end() - 1);
  for (size_t P = 0; P < PropCount; ++P)
    if (PropType[P] != NoType)
      Grouped[Next[PropType[P]]++] = DB.Props(int(P));

  const QString Break = QStringLiteral("\r\n");
  const QString TypeIndent = QStringLiteral("\r\n  ");
  const QString PropIndent = QStringLiteral("\r\n    ");
  const QString One = QStringLiteral("1");
  const QString Zero = QStringLiteral("0");
  // Items share dates more often than not; each day is formatted once.
  QHash<int, QString> DateTexts;
  const auto DateText = [&](double Date) {
    int Year = 0, Month = 0, Day = 0;
    if (!DecodeDate(Date, Year, Month, Day))
      return DateToFileStr(Date, Settings); // raises for a date it cannot write
    const int Key = (Year * 16 + Month) * 32 + Day;
    auto It = DateTexts.find(Key);
    if (It == DateTexts.end())
      It = DateTexts.insert(Key, DateToFileStr(Date, Settings));
    return It.value();
  };

  // The writer puts no encoding into the declaration of a document written to
  // a string; the text is UTF-8 once it reaches the file.
  W.writeProcessingInstruction(QStringLiteral("xml"),
                               QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
  W.writeCharacters(Break);
  if (TypeCount == 0)
    W.writeEmptyElement(QStringLiteral("propdb"));
  else
    W.writeStartElement(QStringLiteral("propdb"));
  for (size_t T = 0; T < TypeCount; ++T) {
    const PTypeRecord Type = DB.Types(int(T));
    const bool HasItems = First[T + 1] > First[T];
    W.writeCharacters(TypeIndent);
    if (HasItems)
      W.writeStartElement(QStringLiteral("type"));
    else
      W.writeEmptyElement(QStringLiteral("type"));
    W.writeAttribute(TypeAttrNames[tGUID], GUIDToString(Type->GUID));
    W.writeAttribute(TypeAttrNames[tName], XmlSafe(Type->Name));
    W.writeAttribute(TypeAttrNames[tLanguage], XmlSafe(Type->Language));
    W.writeAttribute(TypeAttrNames[tCountry], XmlSafe(Type->Country));
    for (size_t P = First[T]; P < First[T + 1]; ++P) {
      const PPropRecord Prop = Grouped[P];
      W.writeCharacters(PropIndent);
      W.writeEmptyElement(QStringLiteral("prop"));
      W.writeAttribute(PropAttrNames[pGUID], GUIDToString(Prop->GUID));
      W.writeAttribute(PropAttrNames[pName], XmlSafe(Prop->Name));
      W.writeAttribute(PropAttrNames[pDetail], QString::number(Prop->Detail));
      W.writeAttribute(PropAttrNames[pDefault], Prop->Default ? One : Zero);
      W.writeAttribute(PropAttrNames[pDate], DateText(Prop->Date));
      W.writeAttribute(PropAttrNames[pCost], CostToStr(Prop->Cost, Settings.DecimalSeparator));
      W.writeAttribute(PropAttrNames[pCurr], XmlSafe(Prop->Curr));
    }
    if (HasItems) {
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

// ---------------------------------------------------------------------------

namespace {

// Adds the parsed sets and items in document order.
void Fill(TPropDB& DB, const TParsedFile& File, const TRegional& Settings) {
  for (size_t T = 0; T < File.Types.size(); ++T) {
    const TParsedType& Parsed = File.Types[T];
    // Each record is added before its values are read, so a value that does
    // not convert leaves it with the values read before.
    const PTypeRecord Type = DB.AddType();
    Type->GUID = StringToGUID(File.Raw(Parsed.Attr[tGUID]));
    Type->Name = File.Copy(Parsed.Attr[tName]);
    Type->Language = File.Copy(Parsed.Attr[tLanguage]);
    Type->Country = File.Copy(Parsed.Attr[tCountry]);
    const size_t End = T + 1 < File.Types.size() ? File.Types[T + 1].FirstProp : File.Props.size();
    for (size_t P = Parsed.FirstProp; P < End; ++P) {
      const auto& A = File.Props[P].Attr;
      const PPropRecord Prop = DB.AddProp(Type);
      Prop->GUID = StringToGUID(File.Raw(A[pGUID]));
      Prop->Name = File.Copy(A[pName]);
      Prop->Detail = StrToInt(File.Raw(A[pDetail]));
      Prop->Default = (StrToInt(File.Raw(A[pDefault])) & 0xFF) != 0;
      Prop->Date = StrToDate(File.Raw(A[pDate]), Settings);
      Prop->Cost = StrToCost(File.Raw(A[pCost]), Settings.DecimalSeparator);
      Prop->Curr = File.Copy(A[pCurr]);
    }
  }
}

} // namespace

void ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings) {
  TParsedFile File;
  {
    const QByteArray Bytes = Device.readAll();
    const auto* Source = qobject_cast<const QFileDevice*>(&Device);
    if (Source && Source->error() != QFileDevice::NoError)
      throw ParseError(Device.errorString(), 0, QString());
    Parse(Bytes, File);
  } // the file's bytes go before the records come
  Fill(DB, File, Settings);
}

void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings) {
  DB.Clear();
  QFile Source(FileName);
  if (!Source.open(QIODevice::ReadOnly))
    throw ParseError(Source.errorString(), 0, QString());
  ReadSetFile(Source, DB, Settings);
}

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

void SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings) {
  WriteFileAtomically(FileName, [&](QIODevice& Device) { WriteSetFile(Device, DB, Settings); });
}

void TPropDB::LoadFromXML(const QString& FileName) {
  LoadSetFile(FileName, *this, TRegional::Current());
}

void TPropDB::SaveToXML(const QString& FileName) const {
  SaveSetFile(FileName, *this, TRegional::Current());
}

void TPropDB::LoadFromXMLBytes(const QByteArray& Bytes) {
  Clear();
  QBuffer Device;
  Device.setData(Bytes);
  Device.open(QIODevice::ReadOnly);
  ReadSetFile(Device, *this, TRegional::Current());
}

QByteArray TPropDB::SaveToXMLBytes() const {
  QBuffer Device;
  Device.open(QIODevice::WriteOnly);
  WriteSetFile(Device, *this, TRegional::Current());
  return Device.data();
}
