// Feeds arbitrary bytes to the set file reader. Besides the sanitizers, it
// checks that whatever loads saves and loads again to the same records, and
// that a second save writes the same bytes.

#include "database/PropDB.h"
#include "fuzz/FuzzSettings.h"
#include "tests/TestSetFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool Condition) {
  if (!Condition)
    std::abort();
}

void CheckSame(const TPropDB& A, const TPropDB& B) {
  Check(A.TypeCount() == B.TypeCount());
  Check(A.PropCount() == B.PropCount());
  for (int I = 0; I < A.TypeCount(); ++I)
    Check(*A.Types(I) == *B.Types(I));
  const QChar Decimal = TRegional::Current().DecimalSeparator;
  for (int I = 0; I < A.PropCount(); ++I) {
    const PPropRecord X = A.Props(I), Y = B.Props(I);
    // Every field, so that a new one is compared too; parents by position:
    // the item lists come back grouped set after set.
    TPropRecord Expected = *X;
    Expected.Parent = nullptr;
    for (int T = 0; T < A.TypeCount(); ++T)
      if (A.Types(T) == X->Parent)
        Expected.Parent = B.Types(T);
    Check(Expected.Parent != nullptr);
    // The file keeps 15 significant digits of a cost that had more.
    Check(CostToStr(X->Cost, Decimal) == CostToStr(Y->Cost, Decimal));
    Expected.Cost = Y->Cost;
    Check(Expected == *Y);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FixSettings();

  const QByteArray Bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
  TPropDB First;
  if (const TResult<TWarnings> Loaded = LoadFromXMLBytes(First, Bytes, TRegional::Current());
      !Loaded) {
    Check(!FailureText(Loaded.Failure()).isEmpty());
    return 0;
  }
  const TResult<QByteArray> Saved = SaveToXMLBytes(First, TRegional::Current());
  Check(bool(Saved));
  TPropDB Second;
  // A saved file always reads again, and with nothing left out: only a detail
  // level outside 0 to 2 is kept as it was, and so still said.
  const TResult<TWarnings> Again = LoadFromXMLBytes(Second, *Saved, TRegional::Current());
  Check(bool(Again));
  for (const TWarning& W : Again->All())
    Check(W.Kind == TWarningKind::DetailOutOfRange);
  CheckSame(First, Second);
  const TResult<QByteArray> Resaved = SaveToXMLBytes(Second, TRegional::Current());
  Check(Resaved && *Resaved == *Saved);
  return 0;
}
