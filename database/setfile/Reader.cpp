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
#include "failures/Reasons.h"

#include <QDate>
#include <QFileDevice>

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>

TReader::TReader(TPropDB& DB, const TRegional& Settings)
    : FDB(DB), FContext(Settings, QDate::currentDate().year()) {}

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

void TReader::Skipped(const XML_Char* Name) {
  FWarnings.Add(TWarningKind::Skipped, [&] { return std::pair(Utf8ToText(Name), Line()); });
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

} // namespace

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
