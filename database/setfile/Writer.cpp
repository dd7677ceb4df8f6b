// The set file writer: every record's attributes from its element's table,
// checked before the first byte so that a refused save writes nothing.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/Schema.h"
#include "database/setfile/ValueOut.h"
#include "failures/Caught.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The first value of Rec that would not read back.
template <class TRec, size_t N>
TDone Check(const std::array<TAttribute<TRec>, N>& Table, const TRec& Rec,
            const TRegional& Settings) {
  for (const TAttribute<TRec>& A : Table)
    if (A.Check)
      if (TDone Kept = A.Check(Rec, Settings); !Kept)
        return Kept;
  return {};
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

TDone Write(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  const TPropsBySet Groups(DB);
  for (int T = 0; T < DB.TypeCount(); ++T) {
    if (TDone Kept = Check(TypeAttributes, *DB.Types(T), Settings); !Kept)
      return Kept;
    for (const PPropRecord Prop : Groups.Items(T))
      if (TDone Kept = Check(PropAttributes, *Prop, Settings); !Kept)
        return Kept;
  }

  TValueOut Out(Device, Settings);
  Out.Raw(Prolog);
  if (DB.TypeCount() == 0) {
    Out.Raw(EmptyRootEnd);
    return Out.Flush();
  }
  Out.Raw(">");
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
    if (!Items.empty())
      Out.Raw(TypeEnd);
    if (TDone Flushed = Out.FlushIfFull(); !Flushed)
      return Flushed;
  }
  Out.Raw(RootEnd);
  return Out.Flush();
}

} // namespace

TDone WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings) {
  return Caught([&] { return Write(Device, DB, Settings); });
}
