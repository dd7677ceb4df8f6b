#pragma once

// The set file's elements and, for each, its attributes: the name, how the
// reader takes a value into the record and how the writer puts it out. The
// order of a table is the order in which the values are read and written.
//
// A new field of a record touches, besides its row here:
// - the record (database/PropDB.h);
// - the printer that tests and the layout fuzz target compare whole records
//   with (tests/TestRecords.h, Printed);
// - its list column, if it is shown (ui/Columns.cpp);
// - the dialog's control and its form (dialogs/SetC.* or dialogs/Description.*,
//   forms/SetC.ui or forms/Description.ui);
// - the export line, if it is exported (testview/TestFilter.cpp, ExportLine);
// - the writer's test oracle (tests/core/test_setfile_writer.cpp), which fails
//   on a row that it does not know.
// Both readers take every value through these rows, and their arrays of
// attributes take their sizes from these tables.

#include "database/PropDB.h"
#include "database/setfile/ReadContext.h"
#include "database/setfile/ValueOut.h"
#include "database/setfile/Values.h"
#include "failures/Reasons.h"
#include "regional/Guid.h"
#include "regional/Regional.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

constexpr const char* RootKey = "propdb";
constexpr const char* TypeKey = "type";
constexpr const char* PropKey = "prop";

// How the writer starts each element's tag: its line, its indentation, its name.
constexpr const char* TypeStart = "\r\n  <type";
constexpr const char* PropStart = "\r\n    <prop";

// The writer's bytes around the elements: the declaration and the root's
// start, the end of an empty root, the end of a root that holds sets, and the
// end of a set that holds items. The root's start ends before its ">" or "/>".
constexpr std::string_view Prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb";
constexpr std::string_view EmptyRootEnd = "/>\r\n";
constexpr std::string_view RootEnd = "\r\n</propdb>\r\n";
constexpr std::string_view TypeEnd = "\r\n  </type>";

template <class TRec> struct TAttribute {
  const char* Key; // as the parser gives it
  // Gives the value's length in bytes, or why it does not convert.
  TResult<size_t> (*Read)(TRec& Rec, TRawValue Value, TReadContext& Context, TLastText& Last);
  void (*Write)(const TRec& Rec, TValueOut& Out);
  // Why the reader could not take a value back; nothing where every value
  // can be.
  TDone (*Check)(const TRec& Rec, const TRegional& Settings) = nullptr;
};

// What the writer puts before each value of Table's element: Start before
// the first, AfterValue (the closing quotation mark of the value before)
// otherwise, then the attribute's name. The writer and the reader of its
// layout take them, and the bytes around the elements above, from here, so
// that the two cannot drift apart.
template <class TRec, size_t N>
std::array<std::string, N> Leads(const std::array<TAttribute<TRec>, N>& Table,
                                 std::string_view Start, std::string_view AfterValue) {
  std::array<std::string, N> Result;
  for (size_t I = 0; I < N; ++I)
    Result[I] = std::string(I == 0 ? Start : AfterValue) + ' ' + Table[I].Key + "=\"";
  return Result;
}

// The fast forms of the conversions take the texts the writer produces;
// anything else goes to the general conversion, which also words the failure.

inline std::string_view View(TRawValue Value) {
  if (!Value.Bytes)
    return {};
  return {Value.Bytes, Value.Size == TRawValue::Unknown ? std::strlen(Value.Bytes) : Value.Size};
}

// Whether a file's fifteen digits give Cost back exactly.
inline bool KeepsCost(double Cost, QChar Decimal) {
  const TResult<double> Back = StrToCost(CostToStr(Cost, Decimal), Decimal);
  return Back && *Back == Cost;
}

inline TResult<size_t> ReadGUID(TRawValue Value, TReadContext& R, TGUID& GUID) {
  const std::string_view Text = View(Value);
  if (!ParseGUID(Text, GUID)) {
    const TResult<TGUID> Read = StringToGUID(R.Scratch(Text));
    if (!Read)
      return Read.Failure();
    GUID = *Read;
  }
  return Text.size();
}

// The numbers' fast forms read up to the value's end, so that only the
// general conversion counts its length.
template <class TValue, class TFast, class TGeneral>
TResult<size_t> ReadNumber(TRawValue Value, TValue& Out, TFast Fast, TGeneral General) {
  if (const size_t Length = Value.Bytes ? Fast(Value.Bytes, Out) : 0)
    return Length;
  const std::string_view Text = View(Value);
  TResult<TValue> Read = General(Text);
  if (!Read)
    return Read.Failure();
  Out = *Read;
  return Text.size();
}

inline TResult<size_t> ReadInt(TRawValue Value, TReadContext& R, int32_t& Int) {
  return ReadNumber(
      Value, Int, [](const char* V, int32_t& I) { return IntFromBytes(V, I); },
      [&R](std::string_view V) { return StrToInt(R.Scratch(V)); });
}

template <class TRec> constexpr TAttribute<TRec> GUIDAttribute() {
  return {
      "GUID",
      [](TRec& Rec, TRawValue V, TReadContext& R, TLastText&) { return ReadGUID(V, R, Rec.GUID); },
      [](const TRec& Rec, TValueOut& Out) { Out.GUID(Rec.GUID); }};
}

// A text field; a Shared one takes the characters of a repeated text once.
template <class TRec, TText TRec::*Field, bool Shared>
constexpr TAttribute<TRec> TextAttribute(const char* Key) {
  return {Key,
          [](TRec& Rec, TRawValue V, TReadContext& R, TLastText& L) -> TResult<size_t> {
            const std::string_view Text = View(V);
            Rec.*Field = R.Text(Text, Shared ? &L : nullptr);
            return Text.size();
          },
          [](const TRec& Rec, TValueOut& Out) { Out.Text((Rec.*Field).View()); }};
}

inline constexpr std::array<TAttribute<TTypeRecord>, 4> TypeAttributes = {
    GUIDAttribute<TTypeRecord>(),
    TextAttribute<TTypeRecord, &TTypeRecord::Name, false>("name"),
    TextAttribute<TTypeRecord, &TTypeRecord::Language, true>("language"),
    TextAttribute<TTypeRecord, &TTypeRecord::Country, true>("country"),
};

inline constexpr std::array<TAttribute<TPropRecord>, 7> PropAttributes = {
    GUIDAttribute<TPropRecord>(),
    TextAttribute<TPropRecord, &TPropRecord::Name, false>("name"),
    {"detail",
     [](TPropRecord& P, TRawValue V, TReadContext& R, TLastText&) {
       TResult<size_t> Length = ReadInt(V, R, P.Detail);
       // Such an item shows at no level of the test view.
       if (Length && (P.Detail < 0 || P.Detail > 2))
         R.Note(TWarningKind::DetailOutOfRange);
       return Length;
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Int(P.Detail); }},
    {"default",
     [](TPropRecord& P, TRawValue V, TReadContext& R, TLastText&) {
       int32_t Int = 0;
       TResult<size_t> Length = ReadInt(V, R, Int);
       if (!Length)
         return Length;
       P.Default = (Int & 0xFF) != 0;
       if (Int < 0 || Int > 0xFF)
         R.Note(TWarningKind::FlagModulo);
       return Length;
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Raw(P.Default ? "1" : "0"); }},
    {"date",
     [](TPropRecord& P, TRawValue V, TReadContext& R, TLastText&) {
       return ReadNumber(
           V, P.Date, [&R](const char* T, double& D) { return DateFromBytes(T, R.Settings(), D); },
           [&R](std::string_view T) {
             bool FromToday = false;
             TResult<double> Date = StrToDate(R.Scratch(T), R.Settings(), R.ThisYear(), &FromToday);
             if (Date && FromToday)
               R.Note(TWarningKind::YearFromToday);
             return Date;
           });
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Date(P.Date); },
     [](const TPropRecord& P, const TRegional& Settings) -> TDone {
       int Y = 0, M = 0, D = 0;
       if (DecodeDate(P.Date, Y, M, D))
         return {};
       return DateToFileStr(P.Date, Settings).Failure(); // the date's own message
     }},
    {"cost",
     [](TPropRecord& P, TRawValue V, TReadContext& R, TLastText&) {
       const QChar Decimal = R.Settings().DecimalSeparator;
       TResult<size_t> Length = ReadNumber(
           V, P.Cost, [Decimal](const char* T, double& C) { return CostFromBytes(T, Decimal, C); },
           [&R, Decimal](std::string_view T) { return StrToCost(R.Scratch(T), Decimal); });
       // Fifteen characters hold at most fifteen digits, which a file keeps;
       // a value too small for a number reads as zero, or nearly.
       if (Length &&
           ((*Length > 15 && !KeepsCost(P.Cost, Decimal)) || CostUnderflowed(P.Cost, V.Bytes)))
         R.Note(TWarningKind::CostRounded);
       return Length;
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Cost(P.Cost); },
     [](const TPropRecord& P, const TRegional&) -> TDone {
       if (std::isfinite(P.Cost))
         return {};
       return TFailure::Own(Reason::CostCannotBeHeld,
                            {P.Name, P.Parent->Name, CostToStr(P.Cost, u'.')});
     }},
    TextAttribute<TPropRecord, &TPropRecord::Curr, true>("curr"),
};
