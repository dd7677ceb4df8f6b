// The set file writer: every record's attributes from its element's table,
// checked before the first byte so that a refused save writes nothing.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/Schema.h"
#include "database/setfile/ValueOut.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Raises TError for the first value of Rec that would not read back.
template <class TRec, size_t N>
void Check(const std::array<TAttribute<TRec>, N>& Table, const TRec& Rec,
           const TRegional& Settings) {
  for (const TAttribute<TRec>& A : Table)
    if (A.Check)
      A.Check(Rec, Settings);
}

// The start tag of Rec's element up to its last value's closing quotation
// mark. Unrolled over the table, so that each value is a direct call.
template <class TRec, size_t N>
void PutStart(TValueOut& Out, const std::array<std::string, N>& Leads,
              const std::array<TAttribute<TRec>, N>& Table, const TRec& Rec) {
  [&]<size_t... I>(std::index_sequence<I...>) {
    ((Out.Raw(Leads[I]), Table[I].Write(Rec, Out)), ...);
  }
  (std::make_index_sequence<N>());
  Out.Raw("\"");
}

void Write(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  const TPropsBySet Groups(DB);
  for (int T = 0; T < DB.TypeCount(); ++T) {
    Check(TypeAttributes, *DB.Types(T), Settings);
    for (const PPropRecord Prop : Groups.Items(T))
      Check(PropAttributes, *Prop, Settings);
  }

  TValueOut Out(Device, Settings);
  Out.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<");
  Out.Raw(RootKey);
  Out.Raw(DB.TypeCount() == 0 ? "/>" : ">");
  const auto TypeLeads = Leads(TypeAttributes, TypeStart, "\"");
  const auto PropLeads = Leads(PropAttributes, PropStart, "\"");
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const std::span<const PPropRecord> Items = Groups.Items(T);
    PutStart(Out, TypeLeads, TypeAttributes, *DB.Types(T));
    Out.Raw(Items.empty() ? "/>" : ">");
    for (const PPropRecord Prop : Items) {
      PutStart(Out, PropLeads, PropAttributes, *Prop);
      Out.Raw("/>");
    }
    if (!Items.empty()) {
      Out.Raw("\r\n  </");
      Out.Raw(TypeKey);
      Out.Raw(">");
    }
    Out.FlushIfFull();
  }
  if (DB.TypeCount() > 0) {
    Out.Raw("\r\n</");
    Out.Raw(RootKey);
    Out.Raw(">");
  }
  // The file ends with a line break.
  Out.Raw("\r\n");
  Out.Flush();
}

} // namespace

TDone WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  return Caught([&] { Write(Device, DB, Settings); });
}
