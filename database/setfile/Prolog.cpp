// The prolog: the XML declaration, which tells the encoding, and the document
// type, whose entities and attribute defaults are checked as they are
// declared, since the parser would expand or drop them without a word.

#include "database/setfile/Limits.h"
#include "database/setfile/Reader.h"
#include "failures/Reasons.h"

#include <cstring>
#include <string>

// Where entities may be declared in a part that is never read, the parser
// drops a reference it cannot resolve from an attribute value without a word.
// Such a value cannot be known, so the raw text is looked at for one: the
// Count bytes of the input from the current position.
void TReader::CheckRawReferences(int Count) {
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
    if (Name.empty() || Name[0] == '#' || FEntities.Resolves(Name))
      continue;
    Stop(TFailure::Own(Reason::UnresolvedInValue));
  }
}

void TReader::CheckEntitiesInTag() {
  CheckRawReferences(XML_GetCurrentByteCount(FParser));
}

// An attribute default is reported at the quote that opens its literal.
void TReader::CheckEntitiesInDefault() {
  int Offset = 0, Size = 0;
  const char* Buffer = XML_GetInputContext(FParser, &Offset, &Size);
  const int Unit = FEncoding.UnitSize();
  if (!Buffer || Offset + Unit > Size)
    return;
  const auto At = [&](int I) { return FEncoding.UnitAt(Buffer + Offset + I); };
  int Count = Unit;
  while (Offset + Count + Unit <= Size && At(Count) != At(0))
    Count += Unit;
  CheckRawReferences(Count);
}

void XMLCALL TReader::XmlDeclHandler(void* Data, const XML_Char* Version, const XML_Char* Encoding,
                                     int Standalone) {
  TReader* R = Self(Data);
  R->FStandalone = Standalone == 1;
  R->Guard([&] {
    // The parser takes any 1.x as 1.0, and lets a declaration overrule a
    // UTF-8 byte-order mark.
    if (Version && std::strcmp(Version, "1.0") != 0)
      R->Stop(TFailure::Own(Reason::XmlVersion));
    if (!Encoding)
      return;
    const QByteArray Name = QByteArray(Encoding).toLower();
    if (R->FUtf8Mark && Name != "utf-8")
      R->Stop(TFailure::Own(Reason::MarkMismatch));
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
  // The parser tells a parameter entity reference in the internal subset to
  // the default handler alone.
  XML_SetDefaultHandlerExpand(R->FParser, DtdDefaultHandler);
}
void XMLCALL TReader::EndDoctypeHandler(void* Data) {
  TReader* R = Self(Data);
  // Without a default handler internal entities are expanded, as before.
  XML_SetDefaultHandlerExpand(R->FParser, nullptr);
  R->Guard([&] {
    if (std::optional<TFailure> Failure = R->FEntities.CheckDeclared())
      R->Stop(std::move(*Failure));
  });
}
// Declarations after a parameter entity reference would not be processed,
// and the references to what they declare would be dropped; the entity is
// never read anyway, and our writer writes no document type.
void XMLCALL TReader::DtdDefaultHandler(void* Data, const XML_Char* Text, int Length) {
  if (Length < 3 || Text[0] != '%' || Text[Length - 1] != ';')
    return;
  TReader* R = Self(Data);
  R->Guard([&] { R->Stop(TFailure::Own(Reason::ParameterEntity)); });
}
void XMLCALL TReader::EntityDeclHandler(void* Data, const XML_Char* Name, int IsParameter,
                                        const XML_Char* Value, int Length, const XML_Char*,
                                        const XML_Char*, const XML_Char*, const XML_Char*) {
  TReader* R = Self(Data);
  if (IsParameter)
    return;
  R->Guard([&] {
    if (std::optional<TFailure> Failure = R->FEntities.Declare(Name, Value, Length))
      R->Stop(std::move(*Failure));
  });
}
void XMLCALL TReader::AttlistHandler(void* Data, const XML_Char* Element, const XML_Char*,
                                     const XML_Char*, const XML_Char* Default, int) {
  TReader* R = Self(Data);
  R->FHasDefaults = true;
  // The parser compares each new default with all earlier ones of the element.
  R->Guard([&] {
    if (++R->FAttlists[Element] > MaxAttlist)
      R->Stop(TFailure::Own(Reason::TooManyAttlist));
    if (Default && R->FUnreadSubset)
      R->CheckEntitiesInDefault();
  });
}
void XMLCALL TReader::SkippedEntityHandler(void* Data, const XML_Char* Name, int IsParameter) {
  TReader* R = Self(Data);
  R->Guard([&] {
    if (IsParameter)
      R->Stop(TFailure::Own(Reason::ParameterEntity));
    R->Stop(TFailure::Own(Reason::EntityNotDeclared, {QString::fromUtf8(Name)}));
  });
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
