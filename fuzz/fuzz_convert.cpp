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
  if (const TResult<double> Date = StrToDate(Text, R, 2026)) {
    const TResult<QString> Written = DateToFileStr(*Date, R);
    Check(bool(Written));
    const TResult<double> Back = StrToDate(*Written, R, 2026);
    Check(Back && *Back == *Date);
    Check(!DateToStr(*Date, R).isEmpty());
  }

  if (const TResult<double> Cost = StrToCost(Text, R.DecimalSeparator)) {
    Check(std::isfinite(*Cost));
    const QString Written = CostToStr(*Cost, R.DecimalSeparator);
    const TResult<double> Back = StrToCost(Written, R.DecimalSeparator);
    Check(Back && CostToStr(*Back, R.DecimalSeparator) == Written);
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

  if (const TResult<int32_t> Value = StrToInt(Text)) {
    const TResult<int32_t> Back = StrToInt(QString::number(*Value));
    Check(Back && *Back == *Value);
  }

  if (const TResult<TGUID> GUID = StringToGUID(Text)) {
    const QString Written = GUIDToString(*GUID);
    Check(Written.compare(Text, Qt::CaseInsensitive) == 0);
    const TResult<TGUID> Back = StringToGUID(Written);
    Check(Back && *Back == *GUID);
  }
  return 0;
}
