#pragma once

// Reading a set file: the parser's events in, records out. ReadSetFile
// (database/SetFile.h) is its entry.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/Entities.h"
#include "database/setfile/Expat.h"
#include "database/setfile/ReadContext.h"
#include "database/setfile/Schema.h"
#include "database/setfile/SourceLine.h"
#include "database/setfile/TextStore.h"
#include "failures/Reasons.h"

#include <QString>

#include <array>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QIODevice;

// The general reader alone, as ReadSetFile without the layout reader.
TResult<TWarnings> ReadThroughExpat(QIODevice& Device, TPropDB& DB, const TRegional& Settings,
                                    const TLoadProgress& Progress = {});

// Raised inside a handler once the reason for stopping is recorded.
struct TStop {};

class TReader {
public:
  TReader(TPropDB& DB, const TRegional& Settings);
  ~TReader();
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // The warnings, or the failure; raises std::bad_alloc.
  TResult<TWarnings> Read(QIODevice& Device, const TLoadProgress& Progress);

private:
  // What an open element is to its children: outside the root (where the
  // root is looked for), the root, a set, an item, or another whose content
  // is not read. Items and skipped elements both have their content skipped;
  // only the names of the latter are counted.
  enum class TElement : unsigned char { Outside, Root, Type, Prop, Skipped };

  TPropDB& FDB;
  // The rows' conversions and what they noted on the item being read, which
  // is said once the item has been read, with its name.
  TReadContext FContext;
  TArena FArena; // outlives the parser
  XML_Parser FParser = nullptr;
  QIODevice* FDevice = nullptr;
  qint64 FStart = 0;    // where the document starts on the device
  TStreamLines FStream; // for a device that cannot be read again
  TSourceEncoding FEncoding;
  std::vector<TElement> FOpen; // the open elements, innermost last
  bool FDone = false;          // the root closed, or a failure stopped the adding
  bool FTextOn = false;        // text is reported: under the root, a set or an item
  bool FInNode = false;        // in text or CDATA inside a set that was already warned about
  PTypeRecord FType = nullptr;
  qint64 FFed = 0;           // bytes given to the parser so far
  qint64 FAttributes = 0;    // counted while the document type declares defaults
  bool FHasDefaults = false; // an ATTLIST was declared
  bool FStandalone = false;
  bool FUtf8Mark = false;
  bool FUnreadSubset = false; // entities may be declared where nothing is read
  TEntityGraph FEntities;
  // The element names other than the format's own, as the parser met them.
  std::unordered_set<std::string, TNameHash, std::equal_to<>> FNames;
  // The attribute names that nothing reads, likewise; the parser gives each
  // from one copy for the whole document, so its address stands for it.
  std::unordered_set<const XML_Char*> FAttributeNames;
  std::unordered_map<std::string, int> FAttlists; // declared attributes by element
  // The first failure that keeps the records read before it.
  std::optional<TFailure> FPending;
  // A reason of our own for stopping the parser.
  std::optional<TFailure> FStop;
  TWarnings FWarnings;

  void Attach();
  // The failure, with its source line; LoadNothing empties the database.
  TFailure Failed(TFailure Failure, bool LoadNothing);
  qint64 Line() const { return qint64(XML_GetCurrentLineNumber(FParser)); }
  void UpdateTextHandler();
  [[noreturn]] void Stop(TFailure Reason);
  [[noreturn]] void Stop(const char* Reason) { Stop(TFailure::Own(Reason)); }
  void Unexpected();
  // A node that the format does not know, passed over.
  void Skipped(const XML_Char* Name);
  void WarnNoted(const TPropRecord& Prop, unsigned Noted);
  // A value of a set or item (Atts its attributes) that did not convert: the
  // failure says where, with the record's name when it has one.
  void ConversionFailed(TFailure Failure, const XML_Char** Atts, bool Set);
  template <class TBody> void Guard(TBody Body);
  static TReader* Self(void* Data) { return static_cast<TReader*>(Data); }

  // The last text of each attribute, by element.
  std::array<TLastText, TypeAttributes.size()> FLastType;
  std::array<TLastText, PropAttributes.size()> FLastProp;
  // The parser gives each attribute name from one copy for the whole
  // document: the names found so far, by element, in table order.
  std::array<const XML_Char*, TypeAttributes.size()> FTypeKeys{};
  std::array<const XML_Char*, PropAttributes.size()> FPropKeys{};
  template <class TTable>
  void Find(const XML_Char** Atts, const TTable& Table,
            std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
            std::array<const XML_Char*, std::tuple_size_v<TTable>>& Values, int Specified);
  void CheckEntitiesInTag();
  TElement ReadChild(TElement Parent, const XML_Char* Name, const XML_Char** Atts);
  TElement ReadType(const XML_Char** Atts);
  void ReadProp(const XML_Char** Atts);
  // Reads the attributes that Table knows into Rec, and fails as the first
  // value that does not convert; stops the parse when the values outgrow
  // their bound.
  template <class TTable, class TRec>
  TDone ReadAttributes(const XML_Char** Atts, const TTable& Table,
                       std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys, TRec& Rec,
                       std::array<TLastText, std::tuple_size_v<TTable>>& Last);

  void OnStart(const XML_Char* Name, const XML_Char** Atts);
  void OnEnd();
  // Text other than layout whitespace.
  void OnText();
  // A comment, processing instruction or CDATA section, by the name it is
  // warned about under.
  void OnOtherNode(const XML_Char* Name, bool Cdata = false);
  void CheckRawReferences(int Count);
  void CheckEntitiesInDefault();
  void CountName(const XML_Char* Name);
  int CheckAttributeCount();
  void CountAttributeName(const XML_Char* Name);

  static void XMLCALL StartHandler(void* Data, const XML_Char* Name, const XML_Char** Atts);
  static void XMLCALL EndHandler(void* Data, const XML_Char* Name);
  static void XMLCALL TextHandler(void* Data, const XML_Char* Text, int Length);
  static void XMLCALL CommentHandler(void* Data, const XML_Char* Text);
  static void XMLCALL PIHandler(void* Data, const XML_Char* Target, const XML_Char* Text);
  static void XMLCALL CdataHandler(void* Data);
  static void XMLCALL EndCdataHandler(void* Data);
  static void XMLCALL XmlDeclHandler(void* Data, const XML_Char* Version, const XML_Char* Encoding,
                                     int Standalone);
  static void XMLCALL DoctypeHandler(void* Data, const XML_Char* Name, const XML_Char* SysId,
                                     const XML_Char* PubId, int HasInternalSubset);
  static void XMLCALL EndDoctypeHandler(void* Data);
  static void XMLCALL DtdDefaultHandler(void* Data, const XML_Char* Text, int Length);
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

// Expat is C: nothing may unwind through it.
template <class TBody> void TReader::Guard(TBody Body) {
  if (FStop)
    return;
  try {
    Body();
  } catch (const TStop&) {
  } catch (const std::bad_alloc&) {
    FStop = TFailure::Own(Reason::OutOfMemory).At(Line());
    XML_StopParser(FParser, XML_FALSE);
  } catch (const std::exception& E) {
    FStop = TFailure::Foreign(QString::fromUtf8(E.what())).At(Line());
    XML_StopParser(FParser, XML_FALSE);
  }
}
