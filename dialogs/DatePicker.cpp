#include "dialogs/DatePicker.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

namespace {

constexpr int MsPerDay = 86400000;

const QDate FirstDate(100, 1, 1);
const QDate LastDate(9999, 12, 31);

} // namespace

TDatePicker::TDatePicker(QWidget* Parent) : QDateTimeEdit(Parent) {
  // UTC has no gaps or repeated hours that could move a date.
  setTimeSpec(Qt::UTC);
  setCalendarPopup(true);
  // Every date a set file can hold, so that loading an item and confirming
  // never moves its date.
  setDateRange(FirstDate, LastDate);
  ApplyRegional(TRegional::Current());
}

QString TDatePicker::DisplayFormat(const TRegional& Settings) {
  const QString Day = Settings.DayWidth == 2 ? QStringLiteral("dd") : QStringLiteral("d");
  const QString Month = Settings.MonthWidth == 2 ? QStringLiteral("MM") : QStringLiteral("M");
  const QString Year = Settings.YearWidth == 4 ? QStringLiteral("yyyy") : QStringLiteral("yy");
  // Quoted, so that a letter as separator stays a literal; a quote is doubled.
  const QChar Sep = Settings.DateSeparator;
  const QString Literal =
      Sep == u'\'' ? QStringLiteral("''") : QStringLiteral("'") + Sep + QStringLiteral("'");
  switch (Settings.DateOrder) {
  case TDateOrder::DMY:
    return Day + Literal + Month + Literal + Year;
  case TDateOrder::YMD:
    return Year + Literal + Month + Literal + Day;
  case TDateOrder::MDY:
    break;
  }
  return Month + Literal + Day + Literal + Year;
}

void TDatePicker::ApplyRegional(const TRegional& Settings) {
  FSettings = Settings;
  const QString Format = DisplayFormat(Settings);
  if (Format != displayFormat())
    setDisplayFormat(Format);
}

double TDatePicker::Value() const {
  QDate Shown = date();
  // Text typed but not yet taken in (a year typed with two digits under a
  // four-digit pattern, and Enter goes to OK first) counts as it reads by the
  // regional rules. Untouched text is left alone, so that a two-digit year
  // never moves a loaded date into another century.
  const QString Typed = text();
  if (Typed != textFromDateTime(dateTime())) {
    try {
      int Year = 0, Month = 0, Day = 0;
      if (DecodeDate((FYearClock ? StrToDate(Typed, FSettings, FYearClock())
                                 : StrToDate(Typed, FSettings)),
                     Year, Month, Day))
        Shown = QDate(Year, Month, Day);
    } catch (const TError&) {
      // Unreadable text: the picker's own date stands.
    }
  }
  const double Day = EncodeDate(Shown.year(), Shown.month(), Shown.day());
  const double Time = static_cast<double>(FTimeOfDayMs) / MsPerDay;
  // Before day 0 the count keeps its day in the integer part and the time of
  // day counts away from zero.
  return Day < 0 ? Day - Time : Day + Time;
}

void TDatePicker::SetDatePart(double ADate) {
  if (std::isnan(ADate))
    return;
  int Year = 0, Month = 0, Day = 0;
  if (DecodeDate(ADate, Year, Month, Day))
    setDate(QDate(Year, Month, Day));
  else
    setDate(ADate < 0 ? FirstDate : LastDate);
}

void TDatePicker::SetValue(double ADate) {
  if (std::isnan(ADate))
    return;
  SetDatePart(ADate);
  int Year = 0, Month = 0, Day = 0;
  if (!DecodeDate(ADate, Year, Month, Day))
    return;
  // Milliseconds as DecodeDate rounds them, so that date and time agree.
  const long long Ms = std::llround(std::fabs(ADate) * MsPerDay);
  FTimeOfDayMs = static_cast<int>(Ms % MsPerDay);
}

bool TDatePicker::event(QEvent* Event) {
  if (Event->type() != QEvent::KeyPress)
    return QDateTimeEdit::event(Event);
  const auto* Key = static_cast<QKeyEvent*>(Event);
  const QString Typed = Key->text();
  const bool Printable = !Typed.isEmpty() && Typed.at(0).isPrint();
  // The editor moves on by itself once a section can take no more digits; the
  // separator that the user types after it must not skip the next section.
  if (FAdvanced && Printable && !Typed.at(0).isLetterOrNumber()) {
    FAdvanced = false;
    Event->accept();
    return true;
  }
  // Typing over the whole text starts a new date at its first section; the
  // editor would refuse the lone digit as a date and drop it.
  const QLineEdit* Edit = lineEdit();
  if (Printable && Edit->hasSelectedText() && Edit->selectedText() == Edit->text() &&
      sectionCount() > 1)
    setSelectedSection(sectionAt(0));

  const int Before = currentSectionIndex();
  const bool Was = FTabbing;
  FTabbing = (Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) &&
             !(Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  const bool Result = QDateTimeEdit::event(Event);
  FTabbing = Was;
  FAdvanced = Printable && Typed.at(0).isDigit() && currentSectionIndex() != Before;
  return Result;
}

bool TDatePicker::focusNextPrevChild(bool Next) {
  if (FTabbing)
    return QWidget::focusNextPrevChild(Next);
  // A separator typed in the last section (or a step back from the first)
  // stays in the field.
  const int Section = currentSectionIndex();
  if (Next ? Section >= sectionCount() - 1 : Section <= 0)
    return true;
  return QDateTimeEdit::focusNextPrevChild(Next);
}
