#pragma once

// The set file's elements and, for each, its attributes: the name, how the
// reader takes a value into the record and how the writer puts it out. A
// field of a record is added here and in the record; the order of a table is
// the order in which the values are read and written.

#include "database/PropDB.h"
#include "database/setfile/Reader.h"
#include "database/setfile/ValueOut.h"
#include "database/setfile/Values.h"
#include "regional/Guid.h"
#include "regional/Regional.h"

#include <array>
#include <cmath>
#include <string_view>

constexpr const char* RootKey = "propdb";
constexpr const char* TypeKey = "type";
constexpr const char* PropKey = "prop";

template <class TRec> struct TAttribute {
  const char* Key; // as the parser gives it
  // Value's data is nullptr for an absent attribute; raises TError when it
  // does not convert.
  void (*Read)(TRec& Rec, std::string_view Value, TReader& Reader, TLastText& Last);
  void (*Write)(const TRec& Rec, TValueOut& Out);
  // Raises TError for a value that the reader could not take back; none
  // where every value can be.
  void (*Check)(const TRec& Rec, const TRegional& Settings) = nullptr;
};

// The fast forms of the conversions take the texts the writer produces;
// anything else goes to the general conversion, which also words the failure.

inline TGUID ReadGUID(std::string_view Value, TReader& R) {
  TGUID GUID;
  return ParseGUID(Value, GUID) ? GUID : StringToGUID(R.Scratch(Value));
}

inline int32_t ReadInt(std::string_view Value, TReader& R) {
  int32_t Int = 0;
  return IntFromBytes(Value, Int) ? Int : StrToInt(R.Scratch(Value));
}

template <class TRec> constexpr TAttribute<TRec> GUIDAttribute() {
  return {"GUID",
          [](TRec& Rec, std::string_view V, TReader& R, TLastText&) { Rec.GUID = ReadGUID(V, R); },
          [](const TRec& Rec, TValueOut& Out) { Out.GUID(Rec.GUID); }};
}

// A text field; a Shared one takes the characters of a repeated text once.
template <class TRec, QString TRec::*Field, bool Shared>
constexpr TAttribute<TRec> TextAttribute(const char* Key) {
  return {Key,
          [](TRec& Rec, std::string_view V, TReader& R, TLastText& L) {
            Rec.*Field = R.Text(V, Shared ? &L : nullptr);
          },
          [](const TRec& Rec, TValueOut& Out) { Out.Text(Rec.*Field); }};
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
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) { P.Detail = ReadInt(V, R); },
     [](const TPropRecord& P, TValueOut& Out) { Out.Int(P.Detail); }},
    {"default",
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) {
       P.Default = (ReadInt(V, R) & 0xFF) != 0;
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Raw(P.Default ? "1" : "0"); }},
    {"date",
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) {
       if (!DateFromBytes(V, R.Settings(), P.Date))
         P.Date = StrToDate(R.Scratch(V), R.Settings(), R.ThisYear());
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Date(P.Date); },
     [](const TPropRecord& P, const TRegional& Settings) {
       int Y = 0, M = 0, D = 0;
       if (!DecodeDate(P.Date, Y, M, D))
         DateToFileStr(P.Date, Settings); // raises the date's own message
     }},
    {"cost",
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) {
       if (!CostFromBytes(V, R.Settings().DecimalSeparator, P.Cost))
         P.Cost = StrToCost(R.Scratch(V), R.Settings().DecimalSeparator);
     },
     [](const TPropRecord& P, TValueOut& Out) { Out.Cost(P.Cost); },
     [](const TPropRecord& P, const TRegional&) {
       if (!std::isfinite(P.Cost))
         throw TError(QStringLiteral("The cost of item \"%1\" in set \"%2\" is %3, which a "
                                     "set file cannot hold")
                          .arg(P.Name, P.Parent->Name, CostToStr(P.Cost, u'.')));
     }},
    TextAttribute<TPropRecord, &TPropRecord::Curr, true>("curr"),
};
