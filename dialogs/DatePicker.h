#pragma once

#include "regional/Regional.h"

#include <QDateTimeEdit>

#include <functional>

// A date field with a drop-down calendar that holds a whole day count: the
// user sees and changes the date, the time of day is kept beside it.
// (QDateTimeEdit drops the time once its format shows no time sections.)
class TDatePicker : public QDateTimeEdit {
  Q_OBJECT

public:
  explicit TDatePicker(QWidget* Parent = nullptr);

  // The date shown with the held time of day, as a day count.
  double Value() const;
  // Date and time of day from a day count; one outside the years 100..9999
  // takes the nearer end of the range, a NaN changes nothing.
  void SetValue(double ADate);
  // The date part of a day count; the time of day stays.
  void SetDatePart(double ADate);
  int TimeOfDayMs() const { return FTimeOfDayMs; }

  // The year that a typed two-digit year is read against; the clock's unless set.
  void SetYearClock(std::function<int()> Clock) { FYearClock = std::move(Clock); }

  // Shows the date in the short date pattern of Settings, and reads typed text by them.
  void ApplyRegional(const TRegional& Settings);
  static QString DisplayFormat(const TRegional& Settings);

protected:
  // Tab leaves the field, as in every other control, instead of visiting its
  // sections; Left and Right still move between them.
  bool event(QEvent* Event) override;
  // The editor also calls this to step to the next section when a separator
  // is typed: that must never take the focus to another field.
  bool focusNextPrevChild(bool Next) override;

private:
  TRegional FSettings;
  std::function<int()> FYearClock;
  int FTimeOfDayMs = 0;
  bool FTabbing = false;  // within a Tab key
  bool FAdvanced = false; // the last digit moved on to the next section
};
