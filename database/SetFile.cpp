// The set file: writing the database as XML and reading it back.
//
// The reader streams the file through expat and adds the records as it goes.
// Whatever makes the document fail to parse (not well-formed, or beyond one
// of the limits below) empties the database again, so such a file loads
// nothing. A value that does not convert, or a node under the root that is
// not a set, stops the adding but not the parsing: the records read before
// stay, and the failure is reported once the rest proved well-formed.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "regional/Iconv.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamWriter>

// The library is built with document type support; its header hides the
// entity amplification limits without this.
#define XML_DTD
#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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
const std::array<const char*, 4> TypeAttrKeys = {"GUID", "name", "language", "country"};
const std::array<const char*, 7> PropAttrKeys = {"GUID", "name", "detail", "default",
                                                 "date", "cost", "curr"};

enum TTypeAttr { tGUID, tName, tLanguage, tCountry };
enum TPropAttr { pGUID, pName, pDetail, pDefault, pDate, pCost, pCurr };

// ---------------------------------------------------------------------------
// Limits that keep any input within time and memory in proportion to its size

constexpr int ChunkSize = 64 * 1024;
// A set file needs three levels; each open element costs the parser about a
// hundred bytes.
constexpr int MaxDepth = 10000;
// Entity expansion: free up to the threshold, then at most this many bytes
// out for each byte in.
constexpr float MaxAmplification = 4.0f;
constexpr unsigned long long AmplificationThreshold = 8 * 1024;
// Attribute defaults of the document type are copied into every element that
// lacks them; attributes and kept value bytes are bounded by the input.
constexpr qint64 AttributeAllowance = 64 * 1024;
constexpr qint64 ValueAllowance = 1 << 20;
constexpr qint64 ValueFactor = 4;
constexpr int MaxAttlist = 10000;

// ---------------------------------------------------------------------------
// Error messages

const QString CRLF = QStringLiteral("\r\n");

TError ParseError(const QString& Reason, qint64 Line, const QString& Source) {
  // "%s%s%s: %d%s%s"
  return TError(Reason + CRLF + QStringLiteral("Line") + QStringLiteral(": ") +
                QString::number(Line) + CRLF + Source);
}

QString OutOfMemoryText() {
  return QStringLiteral("Not enough memory to read the file.");
}

// ---------------------------------------------------------------------------
// Encodings

// A single-byte encoding as expat takes it: the code point of every byte, -1
// for a byte that is not in the encoding.
using TByteTable = std::array<int, 256>;

// XML's EncName: [A-Za-z] ([A-Za-z0-9._] | '-')*. Nothing else may reach iconv,
// whose names take suffixes such as //IGNORE.
bool IsEncName(const char* Name) {
  if (!((Name[0] >= 'A' && Name[0] <= 'Z') || (Name[0] >= 'a' && Name[0] <= 'z')))
    return false;
  for (const char* C = Name; *C; ++C) {
    const bool Ok = (*C >= 'A' && *C <= 'Z') || (*C >= 'a' && *C <= 'z') ||
                    (*C >= '0' && *C <= '9') || *C == '.' || *C == '_' || *C == '-';
    if (!Ok)
      return false;
  }
  return true;
}

// The table of a single-byte encoding from iconv, built once per name; nullptr
// for an encoding that iconv does not know or that is not single-byte.
const TByteTable* ByteTable(const char* Name) {
  static std::mutex Lock;
  static std::map<std::string, std::unique_ptr<TByteTable>> Tables;
  if (!IsEncName(Name))
    return nullptr;
  std::string Key(Name);
  std::transform(Key.begin(), Key.end(), Key.begin(),
                 [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; });
  const std::lock_guard<std::mutex> Guard(Lock);
  const auto Found = Tables.find(Key);
  if (Found != Tables.end())
    return Found->second.get();
  std::unique_ptr<TByteTable> Table;
  const TIconv Cd("UTF-32LE", Name);
  if (Cd.IsOpen()) {
    Table = std::make_unique<TByteTable>();
    for (int B = 0; B < 256 && Table; ++B) {
      iconv(Cd.Handle(), nullptr, nullptr, nullptr, nullptr);
      char In = char(B);
      unsigned char Out[8] = {};
      char* InPtr = &In;
      char* OutPtr = reinterpret_cast<char*>(Out);
      size_t InLeft = 1, OutLeft = sizeof Out;
      const size_t R = iconv(Cd.Handle(), &InPtr, &InLeft, &OutPtr, &OutLeft);
      if (R == size_t(-1) && errno == EILSEQ) {
        (*Table)[size_t(B)] = -1;
      } else if (R == size_t(-1) || sizeof Out - OutLeft != 4) {
        Table.reset(); // a lead byte or a shift: not single-byte
      } else {
        const uint32_t Code = uint32_t(Out[0]) | uint32_t(Out[1]) << 8 | uint32_t(Out[2]) << 16 |
                              uint32_t(Out[3]) << 24;
        (*Table)[size_t(B)] = Code < 0x110000 && (Code < 0xD800 || Code > 0xDFFF) ? int(Code) : -1;
      }
    }
  }
  return Tables.emplace(Key, std::move(Table)).first->second.get();
}

// How the bytes of a failing line are shown: leniently for UTF-8 and UTF-16
// (U+FFFD for what does not decode), up to the first byte that is not in the
// encoding for the single-byte ones.
struct TSourceEncoding {
  enum { Utf8, Utf16LE, Utf16BE, Latin1, Ascii, Table } Kind = Utf8;
  const TByteTable* Map = nullptr;

  int UnitSize() const { return Kind == Utf16LE || Kind == Utf16BE ? 2 : 1; }

  QString Decode(const QByteArray& Bytes) const {
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
};

// The first 40 characters of line Line (counted from 1 as the parser counts:
// CR, LF and CR LF each end a line), read again from the device. Reads up to
// the line and 168 bytes of it, never more; a sequential device gives nothing.
QString SourceLine(QIODevice& Device, qint64 Start, qint64 Line, const TSourceEncoding& Encoding) {
  if (Line < 1 || Device.isSequential() || !Device.seek(Start))
    return QString();
  const int Unit = Encoding.UnitSize();
  const auto UnitAt = [&](const char* P) -> unsigned {
    const auto* U = reinterpret_cast<const unsigned char*>(P);
    if (Unit == 1)
      return U[0];
    return Encoding.Kind == TSourceEncoding::Utf16LE ? unsigned(U[0] | U[1] << 8)
                                                     : unsigned(U[0] << 8 | U[1]);
  };
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
      const unsigned U = UnitAt(Chunk.constData() + I);
      const bool LF = U == 0x0A, CR = U == 0x0D;
      if (LF && AfterCR) {
        // the second half of CR LF
      } else if (Current == Line) {
        if (LF || CR)
          break;
        Head.append(Chunk.constData() + I, Unit);
        if (Head.size() >= 168)
          break;
      } else if (CR || LF) {
        ++Current;
      }
      AfterCR = CR;
    }
    if (Current == Line && (I + Unit <= Size || Head.size() >= 168)) {
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
  if (Text.size() > 40)
    Text.truncate(Text[39].isHighSurrogate() ? 39 : 40); // never half a pair
  return Text;
}

// ---------------------------------------------------------------------------
// The parser's memory

// Expat frees little before the parser goes, and a document with 200,000
// attribute names would spend a fifth of its time in malloc and free; so its
// memory comes from blocks that are all released with the parser. Blocks grow
// only geometrically in expat (buffers, pools, hash tables), so what a
// reallocation leaves behind is at most as much again.
class TArena {
public:
  TArena() : FPrevious(Current) { Current = this; }
  ~TArena() {
    Current = FPrevious;
    for (void* Block : FBlocks)
      std::free(Block);
  }
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  static const XML_Memory_Handling_Suite Suite;

private:
  static constexpr size_t Header = 16; // the size, and alignment for any type
  // Small documents take little; large ones get ever larger blocks.
  static constexpr size_t FirstBlock = size_t(16) << 10;
  static constexpr size_t LargestBlock = size_t(4) << 20;
  static thread_local TArena* Current;

  TArena* FPrevious;
  std::vector<void*> FBlocks;
  char* FNext = nullptr;
  size_t FLeft = 0;
  char* FLast = nullptr; // the latest allocation, which may grow in place
  size_t FBlockSize = FirstBlock;

  static size_t& SizeOf(void* Ptr) {
    return *reinterpret_cast<size_t*>(static_cast<char*>(Ptr) - Header);
  }
  static size_t Rounded(size_t Size) { return (Size + Header - 1) / Header * Header; }

  void* Allocate(size_t Size) {
    if (Size > (size_t(1) << 40))
      return nullptr;
    const size_t Need = Header + Rounded(Size);
    if (Need > FLeft) {
      const size_t Length = std::max(Need, FBlockSize);
      FBlockSize = std::min(2 * FBlockSize, LargestBlock);
      void* Block = std::malloc(Length);
      if (!Block)
        return nullptr;
      try {
        FBlocks.push_back(Block);
      } catch (...) {
        std::free(Block);
        return nullptr;
      }
      FNext = static_cast<char*>(Block);
      FLeft = Length;
    }
    FLast = FNext + Header;
    FNext += Need;
    FLeft -= Need;
    SizeOf(FLast) = Rounded(Size);
    return FLast;
  }
  void* Reallocate(void* Old, size_t Size) {
    if (!Old)
      return Allocate(Size);
    const size_t OldSize = SizeOf(Old);
    if (Old == FLast && Rounded(Size) <= OldSize + FLeft) {
      FLeft -= Rounded(Size) - std::min(OldSize, Rounded(Size));
      FNext = FLast + std::max(OldSize, Rounded(Size));
      SizeOf(Old) = std::max(OldSize, Rounded(Size));
      return Old;
    }
    void* New = Allocate(Size);
    if (New)
      std::memcpy(New, Old, std::min(OldSize, Size));
    return New;
  }

  static void* Malloc(size_t Size) { return Current->Allocate(Size); }
  static void* Realloc(void* Ptr, size_t Size) { return Current->Reallocate(Ptr, Size); }
  static void Free(void*) {}
};

thread_local TArena* TArena::Current = nullptr;
const XML_Memory_Handling_Suite TArena::Suite = {TArena::Malloc, TArena::Realloc, TArena::Free};

// ---------------------------------------------------------------------------
// Reading

// Fast forms of the conversions for the texts the writer produces; anything
// else goes to the general conversion, which also words the failure.

// A single decimal digit; -1 for any other text.
int SingleDigit(const char* Text) {
  return Text && Text[0] >= '0' && Text[0] <= '9' && Text[1] == 0 ? Text[0] - '0' : -1;
}

// Raised inside a handler once the reason for stopping is recorded.
struct TStop {};

class TReader {
public:
  TReader(TPropDB& DB, const TRegional& Settings)
      : FDB(DB), FSettings(Settings), FThisYear(QDate::currentDate().year()) {}
  ~TReader() {
    if (FParser)
      XML_ParserFree(FParser);
  }
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  void Read(QIODevice& Device);

private:
  enum class TState { Seeking, InPropdb, InType, Done };
  enum class TPending { None, Conversion, Node };

  TPropDB& FDB;
  const TRegional& FSettings;
  // Two-digit years are read against one year for the whole file.
  const int FThisYear;
  TArena FArena; // outlives the parser
  XML_Parser FParser = nullptr;
  TSourceEncoding FEncoding;
  TState FState = TState::Seeking;
  int FDepth = 0;       // open elements
  int FPropdbDepth = 0; // depth of the first "propdb"
  int FSkipDepth = 0;   // > 0 while inside an element whose content is not looked at
  PTypeRecord FType = nullptr;
  qint64 FFed = 0;           // bytes given to the parser so far
  qint64 FAttributes = 0;    // counted while the document type declares defaults
  qint64 FValueBytes = 0;    // bytes of the values taken into records
  bool FHasDefaults = false; // an ATTLIST was declared
  bool FStandalone = false;
  bool FUtf8Mark = false;
  bool FUnreadSubset = false; // entities may be declared where nothing is read
  std::unordered_set<std::string> FEntities;
  std::unordered_map<std::string, int> FAttlists; // declared attributes by element
  QString FScratch;
  // The first failure that keeps the records read before it.
  TPending FPending = TPending::None;
  QString FPendingText;
  qint64 FPendingLine = 0;
  // A reason of our own for stopping the parser.
  QString FStopReason;
  qint64 FStopLine = 0;

  qint64 Line() const { return qint64(XML_GetCurrentLineNumber(FParser)); }
  void SetState(TState State);
  [[noreturn]] void Stop(const QString& Reason);
  void Unexpected();
  void ConversionFailed(const TError& Error);
  template <class TBody> void Guard(TBody Body);

  const QString& Scratch(const char* Value);
  // A text that repeats the one before shares its characters.
  struct TLastText {
    std::string Raw;
    QString Text;
  };
  TLastText FLastLanguage, FLastCountry, FLastCurr;
  QString Text(const char* Value, TLastText* Last = nullptr);
  template <size_t N>
  void Find(const XML_Char** Atts, const std::array<const char*, N>& Keys,
            std::array<const char*, N>& Values);
  void CheckEntitiesInTag();
  void ReadType(const XML_Char** Atts);
  void ReadProp(const XML_Char** Atts);

  void OnStart(const XML_Char* Name, const XML_Char** Atts);
  void OnEnd();
  void OnText(const XML_Char* Text, int Length);
  void OnOtherNode();

  static void XMLCALL StartHandler(void* Data, const XML_Char* Name, const XML_Char** Atts);
  static void XMLCALL EndHandler(void* Data, const XML_Char* Name);
  static void XMLCALL TextHandler(void* Data, const XML_Char* Text, int Length);
  static void XMLCALL CommentHandler(void* Data, const XML_Char* Text);
  static void XMLCALL PIHandler(void* Data, const XML_Char* Target, const XML_Char* Text);
  static void XMLCALL CdataHandler(void* Data);
  static void XMLCALL XmlDeclHandler(void* Data, const XML_Char* Version, const XML_Char* Encoding,
                                     int Standalone);
  static void XMLCALL DoctypeHandler(void* Data, const XML_Char* Name, const XML_Char* SysId,
                                     const XML_Char* PubId, int HasInternalSubset);
  static void XMLCALL EntityDeclHandler(void* Data, const XML_Char* Name, int IsParameter,
                                        const XML_Char* Value, int Length, const XML_Char* Base,
                                        const XML_Char* SysId, const XML_Char* PubId,
                                        const XML_Char* Notation);
  static void XMLCALL AttlistHandler(void* Data, const XML_Char* Element, const XML_Char* Name,
                                     const XML_Char* Type, const XML_Char* Default, int Required);
  static void XMLCALL SkippedEntityHandler(void* Data, const XML_Char* Name, int IsParameter);
  static int XMLCALL ExternalEntityHandler(XML_Parser Parser, const XML_Char* Context,
                                           const XML_Char* Base, const XML_Char* SysId,
                                           const XML_Char* PubId);
  static int XMLCALL UnknownEncodingHandler(void* Data, const XML_Char* Name, XML_Encoding* Info);
};

void TReader::Stop(const QString& Reason) {
  if (FStopReason.isEmpty()) {
    FStopReason = Reason;
    FStopLine = Line();
  }
  XML_StopParser(FParser, XML_FALSE);
  throw TStop();
}

// Expat is C: nothing may unwind through it.
template <class TBody> void TReader::Guard(TBody Body) {
  if (!FStopReason.isEmpty())
    return;
  try {
    Body();
  } catch (const TStop&) {
  } catch (const std::bad_alloc&) {
    FStopReason = OutOfMemoryText();
    FStopLine = Line();
    XML_StopParser(FParser, XML_FALSE);
  } catch (const std::exception& E) {
    FStopReason = QString::fromUtf8(E.what());
    FStopLine = Line();
    XML_StopParser(FParser, XML_FALSE);
  }
}

void TReader::SetState(TState State) {
  // Text counts only directly under the root; elsewhere the parser need not
  // report it at all.
  if ((State == TState::InPropdb) != (FState == TState::InPropdb))
    XML_SetCharacterDataHandler(FParser, State == TState::InPropdb ? TextHandler : nullptr);
  FState = State;
}

void TReader::Unexpected() {
  // The records before it stay; nothing after it is added.
  if (FPending == TPending::None) {
    FPending = TPending::Node;
    FPendingLine = Line();
  }
  SetState(TState::Done);
}

void TReader::ConversionFailed(const TError& Error) {
  if (FPending == TPending::None) {
    FPending = TPending::Conversion;
    FPendingText = Error.Message();
  }
  SetState(TState::Done);
  FSkipDepth = 0;
}

// The value as a QString for the conversions, in one buffer reused for all.
const QString& TReader::Scratch(const char* Value) {
  if (!Value) {
    FScratch.resize(0);
    return FScratch;
  }
  const size_t Length = std::strlen(Value);
  FValueBytes += qint64(Length);
  bool Ascii = true;
  for (size_t I = 0; I < Length && Ascii; ++I)
    Ascii = static_cast<unsigned char>(Value[I]) < 0x80;
  if (!Ascii) {
    FScratch = QString::fromUtf8(Value, qsizetype(Length));
    return FScratch;
  }
  FScratch.resize(qsizetype(Length));
  QChar* Out = FScratch.data();
  for (size_t I = 0; I < Length; ++I)
    Out[I] = QLatin1Char(Value[I]);
  return FScratch;
}

QString TReader::Text(const char* Value, TLastText* Last) {
  if (!Value)
    return QString();
  const size_t Length = std::strlen(Value);
  FValueBytes += qint64(Length);
  if (FValueBytes > ValueAllowance + ValueFactor * FFed)
    Stop(QStringLiteral("Attribute values expand the document beyond the limit."));
  if (!Last)
    return QString::fromUtf8(Value, qsizetype(Length));
  if (Last->Raw != std::string_view(Value, Length)) {
    Last->Raw.assign(Value, Length);
    Last->Text = QString::fromUtf8(Value, qsizetype(Length));
  }
  return Last->Text;
}

template <size_t N>
void TReader::Find(const XML_Char** Atts, const std::array<const char*, N>& Keys,
                   std::array<const char*, N>& Values) {
  Values.fill(nullptr);
  for (const XML_Char** A = Atts; *A; A += 2) {
    for (size_t I = 0; I < N; ++I) {
      if (A[0][0] == Keys[I][0] && std::strcmp(A[0], Keys[I]) == 0) {
        Values[I] = A[1];
        break;
      }
    }
  }
}

// Where entities may be declared in a part that is never read, the parser
// drops a reference it cannot resolve from an attribute value without a word.
// Such a value cannot be known, so the raw start tag is looked at for one.
void TReader::CheckEntitiesInTag() {
  const int Count = XML_GetCurrentByteCount(FParser);
  int Offset = 0, Size = 0;
  const char* Buffer = XML_GetInputContext(FParser, &Offset, &Size);
  if (Count <= 0 || !Buffer || Offset + Count > Size)
    return;
  const int Unit = FEncoding.UnitSize();
  const auto* Raw = reinterpret_cast<const unsigned char*>(Buffer + Offset);
  const auto At = [&](int I) -> unsigned {
    if (Unit == 1)
      return Raw[I];
    return FEncoding.Kind == TSourceEncoding::Utf16LE ? unsigned(Raw[I] | Raw[I + 1] << 8)
                                                      : unsigned(Raw[I] << 8 | Raw[I + 1]);
  };
  for (int I = 0; I + Unit <= Count; I += Unit) {
    if (At(I) != '&')
      continue;
    std::string Name;
    int J = I + Unit;
    for (; J + Unit <= Count && At(J) != ';'; J += Unit)
      Name += At(J) < 0x80 ? char(At(J)) : '\x01';
    if (Name.empty() || Name[0] == '#')
      continue;
    if (Name == "amp" || Name == "lt" || Name == "gt" || Name == "quot" || Name == "apos" ||
        FEntities.count(Name))
      continue;
    Stop(QStringLiteral("Entity reference in attribute value cannot be resolved."));
  }
}

void TReader::ReadType(const XML_Char** Atts) {
  std::array<const char*, 4> V;
  Find(Atts, TypeAttrKeys, V);
  // The record is added before its values are read, so a value that does not
  // convert leaves it with the values read before.
  FType = FDB.AddType();
  try {
    TGUID GUID;
    FType->GUID = ParseGUID(V[tGUID], GUID) ? GUID : StringToGUID(Scratch(V[tGUID]));
    FType->Name = Text(V[tName]);
    FType->Language = Text(V[tLanguage], &FLastLanguage);
    FType->Country = Text(V[tCountry], &FLastCountry);
  } catch (const TError& E) {
    ConversionFailed(E);
  }
}

void TReader::ReadProp(const XML_Char** Atts) {
  std::array<const char*, 7> V;
  Find(Atts, PropAttrKeys, V);
  const PPropRecord Prop = FDB.AddProp(FType);
  try {
    TGUID GUID;
    Prop->GUID = ParseGUID(V[pGUID], GUID) ? GUID : StringToGUID(Scratch(V[pGUID]));
    Prop->Name = Text(V[pName]);
    const int Detail = SingleDigit(V[pDetail]);
    Prop->Detail = Detail >= 0 ? Detail : StrToInt(Scratch(V[pDetail]));
    const int Default = SingleDigit(V[pDefault]);
    Prop->Default = ((Default >= 0 ? Default : StrToInt(Scratch(V[pDefault]))) & 0xFF) != 0;
    Prop->Date = StrToDate(Scratch(V[pDate]), FSettings, FThisYear);
    Prop->Cost = StrToCost(Scratch(V[pCost]), FSettings.DecimalSeparator);
    Prop->Curr = Text(V[pCurr], &FLastCurr);
  } catch (const TError& E) {
    ConversionFailed(E);
  }
  if (FValueBytes > ValueAllowance + ValueFactor * FFed)
    Stop(QStringLiteral("Attribute values expand the document beyond the limit."));
}

void TReader::OnStart(const XML_Char* Name, const XML_Char** Atts) {
  if (++FDepth > MaxDepth)
    Stop(QStringLiteral("Elements are nested too deeply."));
  if (FHasDefaults) {
    qint64 Count = 0;
    for (const XML_Char** A = Atts; *A; A += 2)
      ++Count;
    FAttributes += Count;
    // A set file spends at least four bytes on each attribute.
    if (FAttributes > AttributeAllowance + FFed / 4)
      Stop(QStringLiteral("Attribute defaults expand the document beyond the limit."));
  }
  if (FUnreadSubset)
    CheckEntitiesInTag();
  if (FSkipDepth > 0) {
    ++FSkipDepth;
    return;
  }
  switch (FState) {
  case TState::Seeking:
    if (std::strcmp(Name, "propdb") == 0) {
      SetState(TState::InPropdb);
      FPropdbDepth = FDepth;
    }
    break;
  case TState::InPropdb:
    if (std::strcmp(Name, "type") != 0) {
      Unexpected();
      break;
    }
    SetState(TState::InType);
    ReadType(Atts);
    break;
  case TState::InType:
    if (std::strcmp(Name, "prop") == 0)
      ReadProp(Atts);
    // Nothing below an item, nor inside any other element, is looked at.
    if (FState == TState::InType)
      FSkipDepth = 1;
    break;
  case TState::Done:
    break;
  }
}

void TReader::OnEnd() {
  --FDepth;
  if (FSkipDepth > 0) {
    --FSkipDepth;
    return;
  }
  if (FState == TState::InType)
    SetState(TState::InPropdb);
  else if (FState == TState::InPropdb && FDepth < FPropdbDepth)
    SetState(TState::Done);
}

void TReader::OnText(const XML_Char* Text, int Length) {
  if (FState != TState::InPropdb || FSkipDepth > 0)
    return;
  // Layout whitespace is no node; any other text is.
  for (int I = 0; I < Length; ++I) {
    const char C = Text[I];
    if (C != ' ' && C != '\t' && C != '\r' && C != '\n') {
      Unexpected();
      return;
    }
  }
}

void TReader::OnOtherNode() {
  if (FState == TState::InPropdb && FSkipDepth == 0)
    Unexpected();
}

TReader* Self(void* Data) {
  return static_cast<TReader*>(Data);
}

void XMLCALL TReader::StartHandler(void* Data, const XML_Char* Name, const XML_Char** Atts) {
  TReader* R = Self(Data);
  R->Guard([&] { R->OnStart(Name, Atts); });
}
void XMLCALL TReader::EndHandler(void* Data, const XML_Char*) {
  Self(Data)->OnEnd();
}
void XMLCALL TReader::TextHandler(void* Data, const XML_Char* Text, int Length) {
  Self(Data)->OnText(Text, Length);
}
void XMLCALL TReader::CommentHandler(void* Data, const XML_Char*) {
  Self(Data)->OnOtherNode();
}
void XMLCALL TReader::PIHandler(void* Data, const XML_Char*, const XML_Char*) {
  Self(Data)->OnOtherNode();
}
void XMLCALL TReader::CdataHandler(void* Data) {
  // CDATA is a node even when it holds only whitespace.
  Self(Data)->OnOtherNode();
}
void XMLCALL TReader::XmlDeclHandler(void* Data, const XML_Char* Version, const XML_Char* Encoding,
                                     int Standalone) {
  TReader* R = Self(Data);
  R->FStandalone = Standalone == 1;
  R->Guard([&] {
    // The parser takes any 1.x as 1.0, and lets a declaration overrule a
    // UTF-8 byte-order mark.
    if (Version && std::strcmp(Version, "1.0") != 0)
      R->Stop(QStringLiteral("Unsupported XML version."));
    if (!Encoding)
      return;
    const QByteArray Name = QByteArray(Encoding).toLower();
    if (R->FUtf8Mark && Name != "utf-8")
      R->Stop(QStringLiteral("The encoding declaration does not match the byte-order mark."));
    if (R->FEncoding.Kind != TSourceEncoding::Utf8)
      return; // UTF-16 was told by the first bytes
    if (Name == "iso-8859-1")
      R->FEncoding.Kind = TSourceEncoding::Latin1;
    else if (Name == "us-ascii")
      R->FEncoding.Kind = TSourceEncoding::Ascii;
    else if (Name != "utf-8" && (R->FEncoding.Map = ByteTable(Encoding)))
      R->FEncoding.Kind = TSourceEncoding::Table;
  });
}
void XMLCALL TReader::DoctypeHandler(void* Data, const XML_Char*, const XML_Char* SysId,
                                     const XML_Char*, int) {
  TReader* R = Self(Data);
  if (SysId && !R->FStandalone)
    R->FUnreadSubset = true;
}
void XMLCALL TReader::EntityDeclHandler(void* Data, const XML_Char* Name, int IsParameter,
                                        const XML_Char*, int, const XML_Char*, const XML_Char*,
                                        const XML_Char*, const XML_Char*) {
  TReader* R = Self(Data);
  if (!IsParameter)
    R->Guard([&] { R->FEntities.insert(Name); });
}
void XMLCALL TReader::AttlistHandler(void* Data, const XML_Char* Element, const XML_Char*,
                                     const XML_Char*, const XML_Char*, int) {
  TReader* R = Self(Data);
  R->FHasDefaults = true;
  // The parser compares each new default with all earlier ones of the element.
  R->Guard([&] {
    if (++R->FAttlists[Element] > MaxAttlist)
      R->Stop(QStringLiteral("Too many attributes declared for one element."));
  });
}
void XMLCALL TReader::SkippedEntityHandler(void* Data, const XML_Char* Name, int IsParameter) {
  TReader* R = Self(Data);
  if (IsParameter) {
    // Declarations after an unread parameter entity are not processed either.
    R->FUnreadSubset = true;
    return;
  }
  R->Guard(
      [&] { R->Stop(QStringLiteral("Entity '%1' not declared.").arg(QString::fromUtf8(Name))); });
}
// An external entity is never read: its reference fails the load rather than
// leave out what it would have added.
int XMLCALL TReader::ExternalEntityHandler(XML_Parser, const XML_Char*, const XML_Char*,
                                           const XML_Char*, const XML_Char*) {
  return XML_STATUS_ERROR;
}
int XMLCALL TReader::UnknownEncodingHandler(void* Data, const XML_Char* Name, XML_Encoding* Info) {
  TReader* R = Self(Data);
  try {
    const TByteTable* Table = ByteTable(Name);
    if (!Table)
      return XML_STATUS_ERROR;
    std::copy(Table->begin(), Table->end(), Info->map);
    Info->data = nullptr;
    Info->convert = nullptr;
    Info->release = nullptr;
    R->FEncoding.Kind = TSourceEncoding::Table;
    R->FEncoding.Map = Table;
    return XML_STATUS_OK;
  } catch (...) {
    return XML_STATUS_ERROR;
  }
}

void TReader::Read(QIODevice& Device) {
  FParser = XML_ParserCreate_MM(nullptr, &TArena::Suite, nullptr);
  if (!FParser)
    throw std::bad_alloc();
  XML_SetUserData(FParser, this);
  XML_SetElementHandler(FParser, StartHandler, EndHandler);
  XML_SetCommentHandler(FParser, CommentHandler);
  XML_SetProcessingInstructionHandler(FParser, PIHandler);
  XML_SetStartCdataSectionHandler(FParser, CdataHandler);
  XML_SetXmlDeclHandler(FParser, XmlDeclHandler);
  XML_SetStartDoctypeDeclHandler(FParser, DoctypeHandler);
  XML_SetEntityDeclHandler(FParser, EntityDeclHandler);
  XML_SetAttlistDeclHandler(FParser, AttlistHandler);
  XML_SetSkippedEntityHandler(FParser, SkippedEntityHandler);
  XML_SetExternalEntityRefHandler(FParser, ExternalEntityHandler);
  XML_SetUnknownEncodingHandler(FParser, UnknownEncodingHandler, this);
  XML_SetParamEntityParsing(FParser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(FParser, MaxAmplification);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(FParser, AmplificationThreshold);

  const qint64 Start = Device.isSequential() ? 0 : Device.pos();
  // A file that grows while it is read is read no further than its size.
  const qint64 Limit =
      qobject_cast<QFileDevice*>(&Device) && !Device.isSequential() ? Device.size() - Start : -1;
  int Want = ChunkSize;
  bool First = true;
  XML_Status Status = XML_STATUS_OK;
  for (;;) {
    if (Limit >= 0)
      Want = int(std::min<qint64>(Want, Limit - FFed + 1));
    void* Buffer = XML_GetBuffer(FParser, Want);
    if (!Buffer)
      throw std::bad_alloc();
    const qint64 Got = Device.read(static_cast<char*>(Buffer), Want);
    if (Got < 0 || (Limit >= 0 && FFed + Got > Limit)) {
      FDB.Clear();
      throw ParseError(Got < 0 ? Device.errorString()
                               : QStringLiteral("The file grew while it was read."),
                       0, QString());
    }
    if (First && Got >= 2) {
      // Expat tells UTF-16 by these bytes; the message decoder follows it.
      const auto* B = static_cast<const unsigned char*>(Buffer);
      FUtf8Mark = Got >= 3 && B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF;
      if ((B[0] == 0xFF && B[1] == 0xFE) || (B[0] == '<' && B[1] == 0))
        FEncoding.Kind = TSourceEncoding::Utf16LE;
      else if ((B[0] == 0xFE && B[1] == 0xFF) || (B[0] == 0 && B[1] == '<'))
        FEncoding.Kind = TSourceEncoding::Utf16BE;
      First = false;
    }
    FFed += Got;
    Status = XML_ParseBuffer(FParser, int(Got), Got == 0);
    if (Status != XML_STATUS_OK || Got == 0)
      break;
    // A token longer than a chunk is scanned again from its start at every
    // call; reading at least as much again as is pending keeps that linear.
    int Offset = 0, Size = 0;
    Want = ChunkSize;
    if (XML_GetInputContext(FParser, &Offset, &Size))
      Want = int(std::clamp<qint64>(2 * qint64(Size - Offset), ChunkSize, 1 << 28));
  }
  if (Status != XML_STATUS_OK) {
    QString Reason;
    qint64 ErrorLine = 0;
    if (XML_GetErrorCode(FParser) == XML_ERROR_ABORTED && !FStopReason.isEmpty()) {
      Reason = FStopReason;
      ErrorLine = FStopLine;
    } else if (XML_GetErrorCode(FParser) == XML_ERROR_NO_MEMORY) {
      throw std::bad_alloc();
    } else {
      Reason = QString::fromLatin1(XML_ErrorString(XML_GetErrorCode(FParser)));
      ErrorLine = Line();
    }
    FDB.Clear();
    throw ParseError(Reason, ErrorLine, SourceLine(Device, Start, ErrorLine, FEncoding));
  }
  switch (FPending) {
  case TPending::None:
    return;
  case TPending::Conversion:
    throw TError(FPendingText);
  case TPending::Node:
    throw ParseError(QStringLiteral("Unexpected node"), FPendingLine,
                     SourceLine(Device, Start, FPendingLine, FEncoding));
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
  const std::array<QString, 3> Details = {Zero, One, QStringLiteral("2")}; // the usual levels
  // Items share dates more often than not; each day is formatted once.
  // Keyed by the day as DecodeDate takes it from the count (to the
  // millisecond, a negative count's day in its integer part).
  QHash<qint64, QString> DateTexts;
  const auto DateText = [&](double Date) {
    if (!(Date > -1e7 && Date < 1e7))
      return DateToFileStr(Date, Settings); // raises for a date it cannot write
    const qint64 Key = std::llround(Date * 86400000.0) / 86400000;
    auto It = DateTexts.find(Key);
    if (It == DateTexts.end())
      It = DateTexts.insert(Key, DateToFileStr(Date, Settings));
    return It.value();
  };
  // The GUID text in one buffer that every attribute reuses.
  QString GUIDText(38, Qt::Uninitialized);
  const auto GUIDAsText = [&](const TGUID& GUID) -> const QString& {
    GUIDToChars(GUID, GUIDText.data());
    return GUIDText;
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
    W.writeAttribute(TypeAttrNames[tGUID], GUIDAsText(Type->GUID));
    W.writeAttribute(TypeAttrNames[tName], XmlSafe(Type->Name));
    W.writeAttribute(TypeAttrNames[tLanguage], XmlSafe(Type->Language));
    W.writeAttribute(TypeAttrNames[tCountry], XmlSafe(Type->Country));
    for (size_t P = First[T]; P < First[T + 1]; ++P) {
      const PPropRecord Prop = Grouped[P];
      W.writeCharacters(PropIndent);
      W.writeEmptyElement(QStringLiteral("prop"));
      W.writeAttribute(PropAttrNames[pGUID], GUIDAsText(Prop->GUID));
      W.writeAttribute(PropAttrNames[pName], XmlSafe(Prop->Name));
      W.writeAttribute(PropAttrNames[pDetail], Prop->Detail >= 0 && Prop->Detail < 3
                                                   ? Details[size_t(Prop->Detail)]
                                                   : QString::number(Prop->Detail));
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

void ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings) {
  // Nothing but TError leaves the reader; a load that ran out of memory
  // loads nothing.
  try {
    TReader Reader(DB, Settings);
    Reader.Read(Device);
  } catch (const TError&) {
    throw;
  } catch (const std::bad_alloc&) {
    DB.Clear();
    throw TError(OutOfMemoryText());
  } catch (const std::exception& E) {
    DB.Clear();
    throw TError(QString::fromUtf8(E.what()));
  }
}

void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings) {
  DB.Clear();
  // Opened without waiting (a FIFO would wait for a writer) and looked at
  // before anything is read: only a regular file is a set file.
  const int Fd = ::open(QFile::encodeName(FileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Fd < 0)
    throw ParseError(qt_error_string(errno), 0, QString());
  struct stat Info;
  if (::fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) {
    ::close(Fd);
    throw ParseError(QStringLiteral("Not a regular file"), 0, QString());
  }
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
  QFile Source;
  if (!Source.open(Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(Fd);
    throw ParseError(Source.errorString(), 0, QString());
  }
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

void TPropDB::LoadFromXML(const QString& FileName, const TRegional& Settings) {
  LoadSetFile(FileName, *this, Settings);
}

void TPropDB::SaveToXML(const QString& FileName, const TRegional& Settings) const {
  SaveSetFile(FileName, *this, Settings);
}

void TPropDB::LoadFromXMLBytes(const QByteArray& Bytes, const TRegional& Settings) {
  Clear();
  QBuffer Device;
  Device.setData(Bytes);
  Device.open(QIODevice::ReadOnly);
  ReadSetFile(Device, *this, Settings);
}

QByteArray TPropDB::SaveToXMLBytes(const TRegional& Settings) const {
  QBuffer Device;
  Device.open(QIODevice::WriteOnly);
  WriteSetFile(Device, *this, Settings);
  return Device.data();
}
