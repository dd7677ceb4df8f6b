// The reader streams the file through expat and adds the records as it goes.
// Whatever makes the document fail to parse (not well-formed, or beyond one
// of the limits) empties the database again, so such a file loads nothing. A
// value that does not convert, or a node under the root that is not a set,
// stops the adding but not the parsing: the records read before stay, and the
// failure is reported once the rest proved well-formed.

#include "database/setfile/Reader.h"

#include "database/SetFile.h"
#include "database/setfile/Limits.h"
#include "database/setfile/Schema.h"
#include "database/setfile/Values.h"

#include <QDate>
#include <QFileDevice>

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

namespace {

QString OutOfMemoryText() {
  return QStringLiteral("Not enough memory to read the file.");
}

TReader* Self(void* Data) {
  return static_cast<TReader*>(Data);
}

} // namespace

TReader::TReader(TPropDB& DB, const TRegional& Settings)
    : FDB(DB), FSettings(Settings), FThisYear(QDate::currentDate().year()),
      FLastType(TypeAttributes.size()), FLastProp(PropAttributes.size()) {}

void TReader::Stop(const QString& Reason) {
  if (FStop.Reason.isEmpty())
    FStop = TLoadFailure::Parsing(Reason, Line());
  XML_StopParser(FParser, XML_FALSE);
  throw TStop();
}

// Expat is C: nothing may unwind through it.
template <class TBody> void TReader::Guard(TBody Body) {
  if (!FStop.Reason.isEmpty())
    return;
  try {
    Body();
  } catch (const TStop&) {
  } catch (const std::bad_alloc&) {
    FStop = TLoadFailure::Parsing(OutOfMemoryText(), Line());
    XML_StopParser(FParser, XML_FALSE);
  } catch (const std::exception& E) {
    FStop = TLoadFailure::Parsing(QString::fromUtf8(E.what()), Line());
    XML_StopParser(FParser, XML_FALSE);
  }
}

void TReader::UpdateTextHandler() {
  // Text counts only directly under the root; elsewhere the parser need not
  // report it at all.
  const bool Want = !FDone && !FOpen.empty() && FOpen.back() == TElement::Root;
  if (Want != FTextOn)
    XML_SetCharacterDataHandler(FParser, Want ? TextHandler : nullptr);
  FTextOn = Want;
}

void TReader::Unexpected() {
  // The records before it stay; nothing after it is added.
  if (!FPending)
    FPending = TLoadFailure::Parsing(QStringLiteral("Unexpected node"), Line());
  FDone = true;
}

void TReader::ConversionFailed(const TError& Error) {
  if (!FPending)
    FPending = TLoadFailure::Conversion(Error.Message());
  FDone = true;
}

// The value as a QString for the general conversions, in one buffer reused
// for all.
const QString& TReader::Scratch(std::string_view Value) {
  const size_t Length = Value.size();
  bool Ascii = true;
  for (size_t I = 0; I < Length && Ascii; ++I)
    Ascii = static_cast<unsigned char>(Value[I]) < 0x80;
  if (!Ascii) {
    FScratch = Utf8ToText(Value);
    return FScratch;
  }
  FScratch.resize(qsizetype(Length));
  QChar* Out = FScratch.data();
  for (size_t I = 0; I < Length; ++I)
    Out[I] = QLatin1Char(Value[I]);
  return FScratch;
}

QString TReader::Text(std::string_view Value, TLastText* Last) {
  if (!Value.data())
    return QString();
  if (FValueBytes > ValueAllowance + ValueFactor * FFed)
    Stop(QStringLiteral("Attribute values expand the document beyond the limit."));
  if (!Last)
    return Utf8ToText(Value);
  if (Last->Raw != Value) {
    Last->Raw.assign(Value);
    Last->Text = Utf8ToText(Value);
  }
  return Last->Text;
}

template <class TTable>
void TReader::Find(const XML_Char** Atts, const TTable& Table,
                   std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                   std::array<std::string_view, std::tuple_size_v<TTable>>& Values) {
  constexpr size_t Count = std::tuple_size_v<TTable>;
  Values.fill({});
  // The writer's order is the table's: the attribute after the last one found
  // is tried first.
  size_t Next = 0;
  for (const XML_Char** A = Atts; *A; A += 2) {
    size_t I = Next;
    if (I >= Count || A[0] != Keys[I]) {
      I = 0;
      while (I < Count && A[0] != Keys[I] &&
             (A[0][0] != Table[I].Key[0] || std::strcmp(A[0], Table[I].Key) != 0))
        ++I;
      if (I == Count)
        continue;
      Keys[I] = A[0];
    }
    Values[I] = std::string_view(A[1]);
    Next = I + 1;
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
  const auto At = [&](int I) { return FEncoding.UnitAt(Buffer + Offset + I); };
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

// Reads the attributes that Table knows into Rec, in the table's order;
// others are skipped. Raises TError for a value that does not convert.
template <class TTable, class TRec>
void TReader::ReadAttributes(const XML_Char** Atts, const TTable& Table,
                             std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                             TRec& Rec, std::vector<TLastText>& Last) {
  std::array<std::string_view, std::tuple_size_v<TTable>> Values;
  Find(Atts, Table, Keys, Values);
  // Unrolled over the table, so that each conversion is a direct call.
  const auto ReadAll = [&]<size_t... I>(std::index_sequence<I...>) {
    ((FValueBytes += qint64(Values[I].size()), Table[I].Read(Rec, Values[I], *this, Last[I])), ...);
  };
  ReadAll(std::make_index_sequence<std::tuple_size_v<TTable>>());
}

TReader::TElement TReader::ReadType(const XML_Char** Atts) {
  // The record is added before its values are read, so a value that does not
  // convert leaves it with the values read before.
  FType = FDB.AddType();
  try {
    ReadAttributes(Atts, TypeAttributes, FTypeKeys, *FType, FLastType);
  } catch (const TError& E) {
    ConversionFailed(E);
  }
  return TElement::Type;
}

void TReader::ReadProp(const XML_Char** Atts) {
  const PPropRecord Prop = FDB.AddProp(FType);
  try {
    ReadAttributes(Atts, PropAttributes, FPropKeys, *Prop, FLastProp);
  } catch (const TError& E) {
    ConversionFailed(E);
  }
  if (FValueBytes > ValueAllowance + ValueFactor * FFed)
    Stop(QStringLiteral("Attribute values expand the document beyond the limit."));
}

// Whatever comes before the root is looked through for it; nothing after it
// is read.
TReader::TElement TReader::ReadRoot(const XML_Char**) {
  return TElement::Root;
}

// The element Name with Atts under Parent, read; what it is to its children.
TReader::TElement TReader::ReadChild(TElement Parent, const XML_Char* Name, const XML_Char** Atts) {
  switch (Parent) {
  case TElement::Outside:
    return std::strcmp(Name, RootKey) == 0 ? ReadRoot(Atts) : TElement::Outside;
  case TElement::Root:
    if (std::strcmp(Name, TypeKey) == 0)
      return ReadType(Atts);
    Unexpected();
    return TElement::Skipped;
  case TElement::Type:
    // Nothing below an item, nor inside any other element, is looked at.
    if (std::strcmp(Name, PropKey) == 0)
      ReadProp(Atts);
    return TElement::Skipped;
  case TElement::Skipped:
    break;
  }
  return TElement::Skipped;
}

void TReader::OnStart(const XML_Char* Name, const XML_Char** Atts) {
  if (FOpen.size() >= size_t(MaxDepth))
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
  const TElement Parent = FOpen.empty() ? TElement::Outside : FOpen.back();
  FOpen.push_back(FDone ? TElement::Skipped : ReadChild(Parent, Name, Atts));
  UpdateTextHandler();
}

void TReader::OnEnd() {
  if (FOpen.empty())
    return;
  if (FOpen.back() == TElement::Root)
    FDone = true;
  FOpen.pop_back();
  UpdateTextHandler();
}

void TReader::OnText(const XML_Char* Text, int Length) {
  if (!FTextOn)
    return;
  // Layout whitespace is no node; any other text is.
  for (int I = 0; I < Length; ++I) {
    const char C = Text[I];
    if (C != ' ' && C != '\t' && C != '\r' && C != '\n') {
      Unexpected();
      UpdateTextHandler();
      return;
    }
  }
}

void TReader::OnOtherNode() {
  if (!FTextOn)
    return;
  Unexpected();
  UpdateTextHandler();
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
  const TByteTable* Table = FillEncoding(Name, Info);
  if (!Table)
    return XML_STATUS_ERROR;
  R->FEncoding.Kind = TSourceEncoding::Table;
  R->FEncoding.Map = Table;
  return XML_STATUS_OK;
}

void TReader::Attach() {
  FParser = NewParser();
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
}

void TReader::Read(QIODevice& Device) {
  Attach();

  FDevice = &Device;
  FStart = Device.isSequential() ? 0 : Device.pos();
  // A file that grows while it is read is read no further than its size.
  const qint64 Limit =
      qobject_cast<QFileDevice*>(&Device) && !Device.isSequential() ? Device.size() - FStart : -1;
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
      Fail(TLoadFailure::Parsing(Got < 0 ? Device.errorString()
                                         : QStringLiteral("The file grew while it was read."),
                                 0),
           true);
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
  const XML_Error Code = XML_GetErrorCode(FParser);
  if (Status != XML_STATUS_OK && Code == XML_ERROR_NO_MEMORY)
    throw std::bad_alloc();
  if (Status != XML_STATUS_OK && Code == XML_ERROR_ABORTED && !FStop.Reason.isEmpty())
    Fail(FStop, true);
  if (Status != XML_STATUS_OK)
    Fail(TLoadFailure::Parsing(QString::fromLatin1(XML_ErrorString(Code)), Line(), int(Code)),
         true);
  if (FPending)
    Fail(*FPending, false);
}

void TReader::Fail(TLoadFailure Failure, bool LoadNothing) {
  if (LoadNothing)
    FDB.Clear();
  if (Failure.Parse)
    Failure.Source = SourceLine(*FDevice, FStart, Failure.Line, FEncoding);
  throw TLoadError(std::move(Failure));
}

void ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings) {
  // Nothing but TLoadError leaves the reader; a load that ran out of memory
  // loads nothing.
  try {
    TReader Reader(DB, Settings);
    Reader.Read(Device);
  } catch (const TLoadError&) {
    throw;
  } catch (const std::bad_alloc&) {
    DB.Clear();
    throw TLoadError(TLoadFailure::Conversion(OutOfMemoryText()));
  } catch (const std::exception& E) {
    DB.Clear();
    throw TLoadError(TLoadFailure::Conversion(QString::fromUtf8(E.what())));
  }
}
