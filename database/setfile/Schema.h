#pragma once

// The set file's elements and, for each, its attributes: the name and how the
// reader takes a value into the record. A field of a record is added here, in
// the record and in the writer; the order of a table is the order in which
// the values are read.

#include "database/PropDB.h"
#include "database/setfile/Reader.h"
#include "database/setfile/Values.h"
#include "regional/Guid.h"
#include "regional/Regional.h"

#include <array>
#include <string_view>

constexpr const char* RootKey = "propdb";
constexpr const char* TypeKey = "type";
constexpr const char* PropKey = "prop";

template <class TRec> struct TAttribute {
  const char* Key; // as the parser gives it
  // Value's data is nullptr for an absent attribute; raises TError when it
  // does not convert.
  void (*Read)(TRec& Rec, std::string_view Value, TReader& Reader, TLastText& Last);
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
          [](TRec& Rec, std::string_view V, TReader& R, TLastText&) { Rec.GUID = ReadGUID(V, R); }};
}

// A text field; a Shared one takes the characters of a repeated text once.
template <class TRec, QString TRec::*Field, bool Shared>
constexpr TAttribute<TRec> TextAttribute(const char* Key) {
  return {Key, [](TRec& Rec, std::string_view V, TReader& R, TLastText& L) {
            Rec.*Field = R.Text(V, Shared ? &L : nullptr);
          }};
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
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) { P.Detail = ReadInt(V, R); }},
    {"default", [](TPropRecord& P, std::string_view V, TReader& R,
                   TLastText&) { P.Default = (ReadInt(V, R) & 0xFF) != 0; }},
    {"date",
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) {
       if (!DateFromBytes(V, R.Settings(), P.Date))
         P.Date = StrToDate(R.Scratch(V), R.Settings(), R.ThisYear());
     }},
    {"cost",
     [](TPropRecord& P, std::string_view V, TReader& R, TLastText&) {
       if (!CostFromBytes(V, R.Settings().DecimalSeparator, P.Cost))
         P.Cost = StrToCost(R.Scratch(V), R.Settings().DecimalSeparator);
     }},
    TextAttribute<TPropRecord, &TPropRecord::Curr, true>("curr"),
};
