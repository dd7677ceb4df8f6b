#pragma once

#include "regional/Regional.h"

#include <QDateTimeEdit>

#include <functional>
#include <optional>

// A date field with a drop-down calendar that holds a whole day count: the
// user sees and changes the date, the time of day is kept beside it.
// (QDateTimeEdit drops the time once its format shows no time sections.)
class TDatePicker : public QDateTimeEdit {
  Q_OBJECT

public:
  explicit TDatePicker(QWidget* Parent = nullptr);

  // The date shown with the held time of day, as a day count.
  double Value() const;
  // False while the text shown reads as no date (31.04.2022, a date cut
  // short): Value() then does not stand for what the user sees.
  bool Valid() const;
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
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  // Typed text is taken as it is until it is taken in: the editor's own
  // reading would fit it to the old date.
  QValidator::State validate(QString& Input, int& Pos) const override;
  void fixup(QString& Input) const override;
  void mousePressEvent(QMouseEvent* Event) override;

private:
  // A date typed over the whole text is collected here rather than by the
  // editor, which fits each section to the date shown before (a day 31 typed
  // while June is shown becomes 30) and puts the old date back whenever the
  // text is no date. True when Key was taken.
  bool TypeKey(const QKeyEvent& Key);
  // Takes the collected text in as the date, or keeps it shown when it reads
  // as none.
  void EndTyping();
  void ShowText(const QString& Text);
  bool Held(const QString& Text) const;
  // Runs the editor's own Base, with an unreadable text kept over it.
  void KeepingTyped(const std::function<void()>& Base);
  bool ReadText(const QString& Text, QDate& Date) const;
  // The date the field stands for: its own while the text is untouched, else
  // what the typed text reads as; none when that reads as no date.
  std::optional<QDate> ShownDate() const;
  int SectionDigits(qsizetype Section) const;

  TRegional FSettings;
  std::function<int()> FYearClock;
  int FTimeOfDayMs = 0;
  bool FTabbing = false;  // within a Tab key
  bool FAdvanced = false; // the last digit moved on to the next section
  bool FTyping = false;   // collecting a date typed over the whole text
  QString FUnreadable;    // typed text that reads as no date, kept shown
};
