#pragma once

// Fixed regional settings for tests and benchmarks, so that dates, prices and
// the 8-bit charset do not depend on the machine's locale.

#include "regional/Regional.h"

inline TRegional MakeRegional(TDateOrder Order, int DayWidth, int MonthWidth, int YearWidth,
                              QChar DateSeparator, QChar Decimal,
                              const QByteArray& Charset = "UTF-8") {
  TRegional R;
  R.DateOrder = Order;
  R.DayWidth = DayWidth;
  R.MonthWidth = MonthWidth;
  R.YearWidth = YearWidth;
  R.DateSeparator = DateSeparator;
  R.DecimalSeparator = Decimal;
  R.Charset = Charset;
  return R;
}

// 05.03.2024 and 0,13.
inline TRegional CommaRegional(const QByteArray& Charset = "UTF-8") {
  return MakeRegional(TDateOrder::DMY, 2, 2, 4, u'.', u',', Charset);
}

// 3/5/2024 and 0.13.
inline TRegional StopRegional() {
  return MakeRegional(TDateOrder::MDY, 1, 1, 4, u'/', u'.');
}

// Makes Settings the process-wide ones for its lifetime, then puts back the
// earlier ones, so that no test leaks its settings into the next.
class TRegionalScope {
public:
  explicit TRegionalScope(const TRegional& Settings) { TRegional::SetCurrent(Settings); }
  ~TRegionalScope() { TRegional::SetCurrent(FSaved); }
  TRegionalScope(const TRegionalScope&) = delete;
  TRegionalScope& operator=(const TRegionalScope&) = delete;

private:
  TRegional FSaved = TRegional::Current();
};
