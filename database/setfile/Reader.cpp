// The reader streams the file through expat and adds the records as it goes.
// Whatever makes the document fail to parse (not well-formed, or beyond one
// of the limits) empties the database again, so such a file loads nothing. A
// value that does not convert, or a node under the root that is not a set,
// stops the adding but not the parsing: the records read before stay, and the
// failure is reported once the rest proved well-formed.

#include "database/setfile/Reader.h"

#include "database/SetFile.h"
#include "database/setfile/KeptReads.h"
#include "database/setfile/Limits.h"
#include "database/setfile/Schema.h"
#include "database/setfile/Values.h"
#include "regional/ParseReasons.h"

#include <QDate>
#include <QFileDevice>

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>

struct TReader::TKeys {
  std::array<const XML_Char*, TypeAttributes.size()> Type{};
  std::array<const XML_Char*, PropAttributes.size()> Prop{};
};

TReader::TReader(TPropDB& DB, const TRegional& Settings)
    : FDB(DB), FContext(Settings, QDate::currentDate().year()), FLastType(TypeAttributes.size()),
      FLastProp(PropAttributes.size()), FKeys(std::make_unique<TKeys>()) {}

TReader::~TReader() {
  if (FParser)
    XML_ParserFree(FParser);
}

void TReader::Stop(TFailure Reason) {
  if (!FStop)
    FStop = std::move(Reason).At(Line());
  XML_StopParser(FParser, XML_FALSE);
  throw TStop();
}

void TReader::UpdateTextHandler() {
  // Text counts only under the root, a set or an item; inside an element that
  // is skipped whole the parser need not report it at all.
  const bool Want = !FDone && !FOpen.empty() && FOpen.back() != TElement::Skipped &&
                    FOpen.back() != TElement::Outside;
  if (Want != FTextOn)
    XML_SetCharacterDataHandler(FParser, Want ? TextHandler : nullptr);
  FTextOn = Want;
}

void TReader::Unexpected() {
  // The records before it stay; nothing after it is added.
  if (!FPending) {
    FPending = TFailure::Own(Reason::UnexpectedNode).At(Line());
    FStream.Hold(FPending->Line);
  }
  FDone = true;
}

void TReader::ConversionFailed(TFailure Failure, const XML_Char** Atts, bool Set) {
  if (!FPending) {
    // The name from the tag: a value before it in the table fails first.
    QString Name;
    for (const XML_Char** A = Atts; *A; A += 2)
      if (std::string_view(A[0]) == "name")
        Name = Utf8ToText(A[1]);
    FPending =
        Failure.Kind == TReasonKind::Conversion && !Name.isEmpty()
            ? std::move(Failure).In(Set ? Conversion::InSet : Conversion::InItem, Name, Line())
            : std::move(Failure).At(Line());
    FStream.Hold(FPending->Line);
  }
  FDone = true;
}

void TReader::Skipped(const XML_Char* Name) {
  FWarnings.Add(TWarningKind::Skipped, [&] { return std::pair(Utf8ToText(Name), Line()); });
}

void TReader::WarnNoted(const TPropRecord& Prop, unsigned Noted) {
  for (unsigned Kind = 0; Noted >> Kind; ++Kind)
    if (Noted >> Kind & 1)
      FWarnings.Add(TWarningKind(Kind), [&] { return std::pair(Prop.Name, Line()); });
}

namespace {

// The attributes so far of a start tag that is still open at the end of what
// the parser was given, counted as the equals signs outside quoted values;
// none for any other markup.
qint64 AttributesSoFar(const char* Bytes, qint64 Length, const TSourceEncoding& Encoding) {
  const qint64 Step = Encoding.UnitSize();
  // Expat takes no byte table that moves a markup character.
  const auto Unit = [&](qint64 I) { return Encoding.UnitAt(Bytes + I * Step); };
  const qint64 Units = Length / Step;
  if (Units < 2 || Unit(0) != '<' || Unit(1) == '!' || Unit(1) == '?' || Unit(1) == '/')
    return 0;
  qint64 Count = 0;
  unsigned Quote = 0;
  for (qint64 I = 2; I < Units; ++I) {
    const unsigned U = Unit(I);
    if (Quote)
      Quote = U == Quote ? 0 : Quote;
    else if (U == '"' || U == '\'')
      Quote = U;
    else
      Count += U == '=';
  }
  return Count;
}

// Whether the token pending at the end of what the parser was given is a
// start or end tag.
bool InTag(const char* Bytes, qint64 Length, const TSourceEncoding& Encoding) {
  const qint64 Step = Encoding.UnitSize();
  if (Length < 2 * Step)
    return false;
  const unsigned Second = Encoding.UnitAt(Bytes + Step);
  return Encoding.UnitAt(Bytes) == '<' && Second != '!' && Second != '?';
}

// Name against one of the format's names, a byte at a time: these are short,
// and most elements are items.
bool IsName(const XML_Char* Name, const char* Key) {
  size_t I = 0;
  while (Key[I] != 0 && Name[I] == Key[I])
    ++I;
  return Key[I] == 0 && Name[I] == 0;
}

} // namespace

template <class TTable>
void TReader::Find(const XML_Char** Atts, const TTable& Table,
                   std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                   std::array<const XML_Char*, std::tuple_size_v<TTable>>& Values, int Specified) {
  constexpr size_t Count = std::tuple_size_v<TTable>;
  Values.fill(nullptr);
  // The writer's order is the table's: the attribute after the last one found
  // is tried first.
  size_t Next = 0;
  for (const XML_Char** A = Atts; *A; A += 2) {
    size_t I = Next;
    if (I >= Count || A[0] != Keys[I]) {
      I = 0;
      while (I < Count && A[0] != Keys[I] && !IsName(A[0], Table[I].Key))
        ++I;
      if (I == Count) {
        if (A - Atts < Specified) {
          CountAttributeName(A[0]);
          Skipped(A[0]);
        }
        continue;
      }
      Keys[I] = A[0];
    }
    Values[I] = A[1];
    Next = I + 1;
  }
}

// The attributes written in the tag, not those its document type adds (whose
// bound is their own); as many entries of Atts, two an attribute. A tag that
// came within one read is counted here, whole; one longer was counted while
// it came in. What the writer writes needs no count.
int TReader::CheckAttributeCount() {
  const int Specified = XML_GetSpecifiedAttributeCount(FParser);
  if (Specified > 2 * MaxAttributes)
    Stop(Reason::TooManyAttributes);
  return Specified;
}

// The parser keeps every element name it meets; the format's own are few.
void TReader::CountName(const XML_Char* Name) {
  if (IsName(Name, PropKey) || IsName(Name, TypeKey) || IsName(Name, RootKey) ||
      FNames.count(std::string_view(Name)))
    return;
  if (FNames.size() >= size_t(MaxElementNames))
    Stop(Reason::TooManyNames);
  FNames.emplace(Name);
}

// The same for the attribute names that nothing reads: the parser spends the
// most on a name it has not met before.
void TReader::CountAttributeName(const XML_Char* Name) {
  if (FAttributeNames.contains(Name))
    return;
  if (FAttributeNames.size() >= size_t(MaxAttributeNames))
    Stop(Reason::TooManyAttributeNames);
  FAttributeNames.emplace(Name);
}

// In the table's order; attributes that it does not know are skipped.
template <class TTable, class TRec>
TDone TReader::ReadAttributes(const XML_Char** Atts, const TTable& Table,
                              std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                              TRec& Rec, std::vector<TLastText>& Last) {
  constexpr size_t Count = std::tuple_size_v<TTable>;
  FContext.ValueBound = ValueAllowance + ValueFactor * FFed;
  // Unrolled over the table, so that each conversion is a direct call.
  const auto ReadAll = [&]<size_t... I>(const auto& Values, std::index_sequence<I...>) {
    std::optional<TFailure> Failed;
    const auto One = [&](TResult<size_t> Length) {
      if (!Length)
        Failed = Length.Failure();
      else
        FContext.ValueBytes += qint64(*Length);
      return bool(Length);
    };
    (One(Table[I].Read(Rec, Values[I], FContext, Last[I])) && ...);
    if (FContext.Overflowed())
      Stop(Reason::ValuesExpand);
    return Failed ? TDone(std::move(*Failed)) : TDone();
  };
  // What the writer writes, each attribute once in the table's order and no
  // other, is read straight from the parser's list.
  const auto InOrder = [&]<size_t... I>(std::index_sequence<I...>) {
    return ((Atts[2 * I] && Atts[2 * I] == Keys[I]) && ...) && !Atts[2 * Count];
  };
  if (InOrder(std::make_index_sequence<Count>())) {
    struct TInPlace {
      const XML_Char** Atts;
      const XML_Char* operator[](size_t I) const { return Atts[2 * I + 1]; }
    };
    return ReadAll(TInPlace{Atts}, std::make_index_sequence<Count>());
  }
  const int Specified = CheckAttributeCount();
  std::array<const XML_Char*, Count> Values;
  Find(Atts, Table, Keys, Values, Specified);
  return ReadAll(Values, std::make_index_sequence<Count>());
}

TReader::TElement TReader::ReadType(const XML_Char** Atts) {
  // The record is added before its values are read, so a value that does not
  // convert leaves it with the values read before.
  FType = FDB.AddType();
  if (TDone Read = ReadAttributes(Atts, TypeAttributes, FKeys->Type, *FType, FLastType); !Read)
    ConversionFailed(Read.Failure(), Atts, true);
  return TElement::Type;
}

void TReader::ReadProp(const XML_Char** Atts) {
  const PPropRecord Prop = FDB.AddProp(FType);
  if (TDone Read = ReadAttributes(Atts, PropAttributes, FKeys->Prop, *Prop, FLastProp); !Read)
    ConversionFailed(Read.Failure(), Atts, false);
  if (const unsigned Noted = FContext.TakeNoted())
    WarnNoted(*Prop, Noted);
  if (FContext.ValueBytes > FContext.ValueBound)
    Stop(Reason::ValuesExpand);
}

// The element Name with Atts under Parent, read; what it is to its children.
TReader::TElement TReader::ReadChild(TElement Parent, const XML_Char* Name, const XML_Char** Atts) {
  switch (Parent) {
  case TElement::Outside:
    // Another root is another kind of file, which a save would destroy.
    if (!IsName(Name, RootKey))
      Stop(Reason::NotPropdb);
    return TElement::Root; // the root's own attributes are not read
  case TElement::Root:
    if (IsName(Name, TypeKey))
      return ReadType(Atts);
    Unexpected();
    return TElement::Skipped;
  case TElement::Type:
    // Nothing below an item, nor inside any other element, is looked at.
    if (!IsName(Name, PropKey))
      return TElement::Skipped;
    ReadProp(Atts);
    return TElement::Prop;
  case TElement::Prop:
  case TElement::Skipped:
    break;
  }
  return TElement::Skipped;
}

void TReader::OnStart(const XML_Char* Name, const XML_Char** Atts) {
  if (FOpen.size() >= size_t(MaxDepth))
    Stop(Reason::NestedTooDeeply);
  if (FHasDefaults) {
    qint64 Count = 0;
    for (const XML_Char** A = Atts; *A; A += 2)
      ++Count;
    FAttributes += Count;
    // A set file spends at least four bytes on each attribute.
    if (FAttributes > AttributeAllowance + FFed / 4)
      Stop(Reason::DefaultsExpand);
  }
  if (FUnreadSubset)
    CheckEntitiesInTag();
  const TElement Parent = FOpen.empty() ? TElement::Outside : FOpen.back();
  const TElement Child = FDone ? TElement::Skipped : ReadChild(Parent, Name, Atts);
  if (Child == TElement::Skipped) {
    CountName(Name);
    if (!FDone)
      Skipped(Name);
  }
  if (Child == TElement::Skipped || Child == TElement::Root) {
    const int Specified = CheckAttributeCount();
    for (int A = 0; A < Specified; A += 2) {
      CountAttributeName(Atts[A]);
      // The root's own attributes are no part of the format either.
      if (Child == TElement::Root)
        Skipped(Atts[A]);
    }
  }
  FOpen.push_back(Child);
  FInNode = false;
  UpdateTextHandler();
}

void TReader::OnEnd() {
  if (FOpen.empty())
    return;
  if (FOpen.back() == TElement::Root)
    FDone = true;
  FOpen.pop_back();
  FInNode = false;
  UpdateTextHandler();
}

void TReader::OnText() {
  if (!FTextOn || FInNode)
    return;
  // Between sets it would change what the sets are; inside a set or an item
  // a save only drops it.
  if (FOpen.back() == TElement::Root) {
    Unexpected();
    UpdateTextHandler();
    return;
  }
  FInNode = true;
  Skipped("#text");
}

void TReader::OnOtherNode(const XML_Char* Name, bool Cdata) {
  if (!FTextOn)
    return;
  // Comments and processing instructions carry no data anywhere; CDATA
  // between sets is text there.
  if (Cdata && FOpen.back() == TElement::Root) {
    Unexpected();
    UpdateTextHandler();
    return;
  }
  Skipped(Name);
  FInNode = Cdata;
}

void XMLCALL TReader::StartHandler(void* Data, const XML_Char* Name, const XML_Char** Atts) {
  TReader* R = Self(Data);
  R->Guard([&] { R->OnStart(Name, Atts); });
}
void XMLCALL TReader::EndHandler(void* Data, const XML_Char*) {
  Self(Data)->OnEnd();
}
void XMLCALL TReader::TextHandler(void* Data, const XML_Char* Text, int Length) {
  // Layout whitespace, nearly all that comes here, is passed over at once.
  for (int I = 0; I < Length; ++I) {
    const char C = Text[I];
    if (C != ' ' && C != '\n' && C != '\r' && C != '\t') {
      TReader* R = Self(Data);
      R->Guard([&] { R->OnText(); });
      return;
    }
  }
}
void XMLCALL TReader::CommentHandler(void* Data, const XML_Char*) {
  TReader* R = Self(Data);
  R->Guard([&] { R->OnOtherNode("#comment"); });
}
void XMLCALL TReader::PIHandler(void* Data, const XML_Char* Target, const XML_Char*) {
  TReader* R = Self(Data);
  R->Guard([&] { R->OnOtherNode(Target); });
}
void XMLCALL TReader::CdataHandler(void* Data) {
  // CDATA is a node even when it holds only whitespace.
  TReader* R = Self(Data);
  R->Guard([&] { R->OnOtherNode("#cdata-section", true); });
}
void XMLCALL TReader::EndCdataHandler(void* Data) {
  Self(Data)->FInNode = false;
}

void TReader::Attach() {
  FParser = NewParser();
  XML_SetUserData(FParser, this);
  XML_SetElementHandler(FParser, StartHandler, EndHandler);
  XML_SetCommentHandler(FParser, CommentHandler);
  XML_SetProcessingInstructionHandler(FParser, PIHandler);
  XML_SetCdataSectionHandler(FParser, CdataHandler, EndCdataHandler);
  XML_SetXmlDeclHandler(FParser, XmlDeclHandler);
  XML_SetDoctypeDeclHandler(FParser, DoctypeHandler, EndDoctypeHandler);
  XML_SetEntityDeclHandler(FParser, EntityDeclHandler);
  XML_SetAttlistDeclHandler(FParser, AttlistHandler);
  XML_SetSkippedEntityHandler(FParser, SkippedEntityHandler);
  XML_SetExternalEntityRefHandler(FParser, ExternalEntityHandler);
  XML_SetUnknownEncodingHandler(FParser, UnknownEncodingHandler, this);
}

TResult<TWarnings> TReader::Read(QIODevice& Device, const TLoadProgress& Progress) {
  Attach();

  FDevice = &Device;
  FStart = Device.isSequential() ? 0 : Device.pos();
  // A file that grows while it is read is read no further than its size.
  const qint64 Limit =
      qobject_cast<QFileDevice*>(&Device) && !Device.isSequential() ? Device.size() - FStart : -1;
  int Want = ChunkSize;
  unsigned char Head[3] = {};
  int HeadSize = 0;
  XML_Status Status = XML_STATUS_OK;
  for (;;) {
    if (Limit >= 0)
      Want = int(std::min<qint64>(Want, Limit - FFed + 1));
    void* Buffer = XML_GetBuffer(FParser, Want);
    if (!Buffer)
      throw std::bad_alloc();
    const qint64 Got = Device.read(static_cast<char*>(Buffer), Want);
    if (Got > 0 && Device.isSequential()) {
      CountKeptRead();
      FStream.Append(static_cast<const char*>(Buffer), Got);
    }
    if (Got < 0 || (Limit >= 0 && FFed + Got > Limit)) {
      return Failed((Got < 0 ? TFailure::OfDevice(Device) : TFailure::Own(Reason::FileGrew)).At(0),
                    true);
    }
    if (HeadSize < 3 && Got > 0) {
      // Expat tells UTF-16 by the first two bytes (a zero byte among them
      // without a mark); the message decoder follows it. A pipe may give
      // them one by one.
      const int Before = HeadSize;
      for (qint64 I = 0; I < Got && HeadSize < 3; ++I)
        Head[HeadSize++] = static_cast<const unsigned char*>(Buffer)[I];
      FUtf8Mark = HeadSize == 3 && Head[0] == 0xEF && Head[1] == 0xBB && Head[2] == 0xBF;
      if (Before < 2 && HeadSize >= 2) {
        const bool Zero = Head[0] == 0 || Head[1] == 0;
        if ((Head[0] == 0xFF && Head[1] == 0xFE) || (Zero && Head[0] != 0))
          FEncoding.Kind = TSourceEncoding::Utf16LE;
        else if ((Head[0] == 0xFE && Head[1] == 0xFF) || Zero)
          FEncoding.Kind = TSourceEncoding::Utf16BE;
        // XML requires the mark in UTF-16; the marks have no zero byte.
        if (Zero)
          return Failed(TFailure::Own(Reason::Utf16WithoutMark).At(1), true);
      }
    }
    FFed += Got;
    if (Progress)
      Progress(FFed, Limit);
    Status = XML_ParseBuffer(FParser, int(Got), Got == 0);
    if (Status != XML_STATUS_OK || Got == 0)
      break;
    // A token longer than a chunk is scanned again from its start at every
    // call; reading at least as much again as is pending keeps that linear.
    int Offset = 0, Size = 0;
    Want = ChunkSize;
    if (const char* Pending = XML_GetInputContext(FParser, &Offset, &Size)) {
      Want = int(std::clamp<qint64>(2 * qint64(Size - Offset), ChunkSize, 1 << 28));
      if (Size - Offset > ChunkSize &&
          AttributesSoFar(Pending + Offset, Size - Offset, FEncoding) > MaxAttributes)
        return Failed(TFailure::Own(Reason::TooManyAttributes).At(Line()), true);
      if (InTag(Pending + Offset, Size - Offset, FEncoding)) {
        if (Size - Offset > MaxTagBytes)
          return Failed(TFailure::Own(Reason::TagTooLong).At(Line()), true);
        // No further than one byte past the bound, so that a longer tag is
        // seen here, whatever the reads' sizes.
        Want = int(
            std::min<qint64>(Want, std::max<qint64>(ChunkSize, MaxTagBytes + 1 - (Size - Offset))));
      }
      if (HeadSize >= 2 && Device.isSequential())
        FStream.Release(FFed - (Size - Offset), FEncoding);
    }
  }
  const XML_Error Code = XML_GetErrorCode(FParser);
  if (Status != XML_STATUS_OK && Code == XML_ERROR_NO_MEMORY)
    throw std::bad_alloc();
  if (Status != XML_STATUS_OK && Code == XML_ERROR_ABORTED && FStop)
    return Failed(std::move(*FStop), true);
  if (Status != XML_STATUS_OK)
    return Failed(TFailure::Parser(int(Code)).At(Line()), true);
  if (FPending)
    return Failed(std::move(*FPending), false);
  return std::move(FWarnings);
}

TFailure TReader::Failed(TFailure Failure, bool LoadNothing) {
  if (LoadNothing)
    FDB.Clear();
  // A stream is quoted as far as it was read: reading on could wait for a
  // writer that is done with its line.
  if (Failure.Parse)
    Failure.Source = FDevice->isSequential()
                         ? FStream.Source(Failure.Line, FEncoding)
                         : SourceLine(*FDevice, FStart, Failure.Line, FEncoding);
  return Failure;
}

TResult<TWarnings> ReadThroughExpat(QIODevice& Device, TPropDB& DB, const TRegional& Settings,
                                    const TLoadProgress& Progress) {
  // A load that ran out of memory loads nothing: what it read so far may be
  // what used it up.
  try {
    TReader Reader(DB, Settings);
    return Reader.Read(Device, Progress);
  } catch (const std::bad_alloc&) {
    DB.Clear();
    return TFailure::Own(Reason::OutOfMemory);
  } catch (const std::exception& E) {
    DB.Clear();
    return TFailure::Foreign(QString::fromUtf8(E.what()));
  }
}
