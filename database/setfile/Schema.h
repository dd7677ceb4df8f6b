#pragma once

// The set file's elements and, for each, its attributes: the name, how the
// reader takes a value into the record and how the writer gives it. A field
// of a record is added here and in the record only; the order of a table is
// the order in which the values are read and written.

#include "database/PropDB.h"
#include "database/setfile/Reader.h"
#include "database/setfile/Writer.h"
#include "regional/Guid.h"
#include "regional/Regional.h"

#include <QString>

#include <array>

constexpr const char* RootKey = "propdb";
constexpr const char* TypeKey = "type";
constexpr const char* PropKey = "prop";
inline const QString RootName = QStringLiteral("propdb");
inline const QString TypeName = QStringLiteral("type");
inline const QString PropName = QStringLiteral("prop");

template <class TRec> struct TAttribute {
  const char* Key; // as the parser gives it
  QString Name;    // as the writer takes it; made once, not per attribute
  // Value is nullptr for an absent attribute; raises TError when it does not
  // convert.
  void (*Read)(TRec& Rec, const char* Value, TReader& Reader, TLastText& Last);
  QString (*Write)(const TRec& Rec, TValueTexts& Texts);
};

// Fast forms of the conversions for the texts the writer produces; anything
// else goes to the general conversion, which also words the failure.

inline TGUID ReadGUID(const char* Value, TReader& R) {
  TGUID GUID;
  return ParseGUID(Value, GUID) ? GUID : StringToGUID(R.Scratch(Value));
}

inline int32_t ReadInt(const char* Value, TReader& R) {
  const bool Digit = Value && Value[0] >= '0' && Value[0] <= '9' && Value[1] == 0;
  return Digit ? Value[0] - '0' : StrToInt(R.Scratch(Value));
}

template <class TRec> TAttribute<TRec> GUIDAttribute() {
  return {"GUID", QStringLiteral("GUID"),
          [](TRec& Rec, const char* V, TReader& R, TLastText&) { Rec.GUID = ReadGUID(V, R); },
          [](const TRec& Rec, TValueTexts& W) { return W.GUID(Rec.GUID); }};
}

// A text field; a Shared one takes the characters of a repeated text once.
template <class TRec, QString TRec::*Field, bool Shared>
TAttribute<TRec> TextAttribute(const char* Key) {
  return {Key, QString::fromLatin1(Key),
          [](TRec& Rec, const char* V, TReader& R, TLastText& L) {
            Rec.*Field = R.Text(V, Shared ? &L : nullptr);
          },
          [](const TRec& Rec, TValueTexts&) { return XmlSafe(Rec.*Field); }};
}

inline const std::array<TAttribute<TTypeRecord>, 4> TypeAttributes = {
    GUIDAttribute<TTypeRecord>(),
    TextAttribute<TTypeRecord, &TTypeRecord::Name, false>("name"),
    TextAttribute<TTypeRecord, &TTypeRecord::Language, true>("language"),
    TextAttribute<TTypeRecord, &TTypeRecord::Country, true>("country"),
};

inline const std::array<TAttribute<TPropRecord>, 7> PropAttributes = {
    GUIDAttribute<TPropRecord>(),
    TextAttribute<TPropRecord, &TPropRecord::Name, false>("name"),
    {"detail", QStringLiteral("detail"),
     [](TPropRecord& P, const char* V, TReader& R, TLastText&) { P.Detail = ReadInt(V, R); },
     [](const TPropRecord& P, TValueTexts& W) { return W.Detail(P.Detail); }},
    {"default", QStringLiteral("default"),
     [](TPropRecord& P, const char* V, TReader& R, TLastText&) {
       P.Default = (ReadInt(V, R) & 0xFF) != 0;
     },
     [](const TPropRecord& P, TValueTexts& W) { return P.Default ? W.One : W.Zero; }},
    {"date", QStringLiteral("date"),
     [](TPropRecord& P, const char* V, TReader& R, TLastText&) {
       P.Date = StrToDate(R.Scratch(V), R.Settings(), R.ThisYear());
     },
     [](const TPropRecord& P, TValueTexts& W) { return W.Date(P.Date); }},
    {"cost", QStringLiteral("cost"),
     [](TPropRecord& P, const char* V, TReader& R, TLastText&) {
       P.Cost = StrToCost(R.Scratch(V), R.Settings().DecimalSeparator);
     },
     [](const TPropRecord& P, TValueTexts& W) {
       return CostToStr(P.Cost, W.Settings.DecimalSeparator);
     }},
    TextAttribute<TPropRecord, &TPropRecord::Curr, true>("curr"),
};
