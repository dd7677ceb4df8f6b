// Feeds arbitrary text to every regional conversion under a few fixed
// settings. Besides the sanitizers, it checks that whatever a reader accepts
// comes back unchanged through the matching writer.

#include "regional/Guid.h"
#include "regional/Regional.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool Condition) {
  if (!Condition)
    std::abort();
}

const TRegional& Settings(int Index) {
  static const TRegional All[] = {
      TRegional::FromPattern("%d.%m.%Y", u',', "CP1251"),
      TRegional::FromPattern("%m/%d/%y", u'.', "UTF-8"),
      TRegional::FromPattern("%Y-%-m-%e", u'.', "ISO-8859-1"),
  };
  return All[Index];
}

void OneSetting(const QString& Text, const QByteArray& Bytes, const TRegional& R) {
  try {
    const double Date = StrToDate(Text, R, 2026);
    Check(StrToDate(DateToFileStr(Date, R), R, 2026) == Date);
    Check(!DateToStr(Date, R).isEmpty());
  } catch (const TError&) {
  }

  try {
    const double Cost = StrToCost(Text, R.DecimalSeparator);
    Check(std::isfinite(Cost));
    const QString Written = CostToStr(Cost, R.DecimalSeparator);
    const double Back = StrToCost(Written, R.DecimalSeparator);
    Check(CostToStr(Back, R.DecimalSeparator) == Written);
  } catch (const TError&) {
  }

  if (const std::optional<double> Price = ParseCost(Text, R.DecimalSeparator)) {
    Check(std::isfinite(*Price));
    const QString Shown = FormatCost(*Price, R.DecimalSeparator);
    const std::optional<double> Again = ParseCost(Shown, R.DecimalSeparator);
    // The dialog shows two decimals below 10^18 and reads them back; only where
    // a double still resolves hundredths well is the shown text a fixed point.
    if (std::fabs(*Price) < 1e18)
      Check(Again.has_value());
    if (std::fabs(*Price) < 1e12)
      Check(FormatCost(*Again, R.DecimalSeparator) == Shown);
  }

  const QByteArray Ansi = ToAnsi(Text, R);
  (void)FromAnsi(Ansi, R);
  (void)FromAnsi(Bytes, R);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const QByteArray Bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  const QString Text = QString::fromUtf8(Bytes);

  for (int I = 0; I < 3; ++I)
    OneSetting(Text, Bytes, Settings(I));

  try {
    const int32_t Value = StrToInt(Text);
    Check(StrToInt(QString::number(Value)) == Value);
  } catch (const TError&) {
  }

  try {
    const TGUID GUID = StringToGUID(Text);
    const QString Written = GUIDToString(GUID);
    Check(Written.compare(Text, Qt::CaseInsensitive) == 0);
    Check(StringToGUID(Written) == GUID);
  } catch (const TError&) {
  }
  return 0;
}
