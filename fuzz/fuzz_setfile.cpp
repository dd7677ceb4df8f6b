// Feeds arbitrary bytes to the set file reader. Besides the sanitizers, it
// checks that whatever loads saves and loads again to the same records, and
// that a second save writes the same bytes.

#include "database/PropDB.h"

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
  for (int I = 0; I < A.TypeCount(); ++I) {
    const PTypeRecord X = A.Types(I), Y = B.Types(I);
    Check(X->GUID == Y->GUID);
    Check(X->Name == Y->Name);
    Check(X->Language == Y->Language);
    Check(X->Country == Y->Country);
  }
  const QChar Decimal = TRegional::Current().DecimalSeparator;
  for (int I = 0; I < A.PropCount(); ++I) {
    const PPropRecord X = A.Props(I), Y = B.Props(I);
    Check(X->GUID == Y->GUID);
    // Parents by position: the item lists come back grouped set after set.
    int XParent = -1, YParent = -1;
    for (int T = 0; T < A.TypeCount(); ++T) {
      if (A.Types(T) == X->Parent)
        XParent = T;
      if (B.Types(T) == Y->Parent)
        YParent = T;
    }
    Check(XParent >= 0 && XParent == YParent);
    Check(X->Name == Y->Name);
    Check(X->Detail == Y->Detail);
    Check(X->Default == Y->Default);
    Check(X->Date == Y->Date);
    // The file keeps 15 significant digits of a cost that had more.
    Check(CostToStr(X->Cost, Decimal) == CostToStr(Y->Cost, Decimal));
    Check(X->Curr == Y->Curr);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Fixed = [] {
    TRegional::SetCurrent(TRegional::FromPattern("%d.%m.%Y", u',', "UTF-8"));
    return true;
  }();
  (void)Fixed;

  const QByteArray Bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
  TPropDB First;
  try {
    First.LoadFromXMLBytes(Bytes, TRegional::Current());
  } catch (const TError& E) {
    Check(!E.Message().isEmpty());
    return 0;
  }
  const QByteArray Saved = First.SaveToXMLBytes(TRegional::Current());
  TPropDB Second;
  try {
    Second.LoadFromXMLBytes(Saved, TRegional::Current());
  } catch (const TError&) {
    std::abort(); // a saved file must always read again
  }
  CheckSame(First, Second);
  Check(Second.SaveToXMLBytes(TRegional::Current()) == Saved);
  return 0;
}
