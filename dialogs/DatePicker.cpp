#include "dialogs/DatePicker.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

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

bool TDatePicker::ReadText(const QString& Text, QDate& Date) const {
  const TResult<double> Read =
      FYearClock ? StrToDate(Text, FSettings, FYearClock()) : StrToDate(Text, FSettings);
  int Year = 0, Month = 0, Day = 0;
  if (!Read || !DecodeDate(*Read, Year, Month, Day))
    return false;
  Date = QDate(Year, Month, Day);
  return Date >= minimumDate() && Date <= maximumDate();
}

std::optional<QDate> TDatePicker::ShownDate() const {
  const QString Shown = text();
  if (Shown == textFromDateTime(dateTime()))
    return date();
  QDate Read;
  if (ReadText(Shown, Read))
    return Read;
  return std::nullopt;
}

bool TDatePicker::Valid() const {
  return ShownDate().has_value();
}

double TDatePicker::Value() const {
  // Text typed but not yet taken in (a year typed with two digits under a
  // four-digit pattern, and Enter goes to OK first) counts as it reads by the
  // regional rules. Untouched text is left alone, so that a two-digit year
  // never moves a loaded date into another century.
  const QDate Shown = ShownDate().value_or(date());
  // A date the picker shows is one of 1..9999.
  const double Day = EncodeDate(Shown.year(), Shown.month(), Shown.day()).value_or(0);
  const double Time = static_cast<double>(FTimeOfDayMs) / MsPerDay;
  // Before day 0 the count keeps its day in the integer part and the time of
  // day counts away from zero.
  return Day < 0 ? Day - Time : Day + Time;
}

void TDatePicker::SetDatePart(double ADate) {
  if (std::isnan(ADate))
    return;
  FTyping = false;
  FUnreadable.clear();
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
  if (TypeKey(*Key)) {
    Event->accept();
    return true;
  }
  // Enter would put the last date back before OK sees the text.
  if ((Key->key() == Qt::Key_Return || Key->key() == Qt::Key_Enter) && !Valid()) {
    Event->ignore();
    return false;
  }

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

int TDatePicker::SectionDigits(qsizetype Section) const {
  const qsizetype YearAt = FSettings.DateOrder == TDateOrder::YMD ? 0 : 2;
  return Section == YearAt ? 4 : 2;
}

bool TDatePicker::TypeKey(const QKeyEvent& Key) {
  const QString Typed = Key.text();
  const QChar C = Typed.isEmpty() ? QChar() : Typed.at(0);
  const bool Digit = C >= u'0' && C <= u'9';
  const bool Plain = !(Key.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (!FTyping) {
    const QLineEdit* Edit = lineEdit();
    if (!Digit || !Plain || !Edit->hasSelectedText() || Edit->selectedText() != Edit->text())
      return false;
    FTyping = true;
    ShowText(QString());
  }
  QString Text = text();
  const QChar Sep = FSettings.DateSeparator;
  if (Key.key() == Qt::Key_Backspace && Plain) {
    Text.chop(1);
  } else if (Digit && Plain) {
    // A full section moves on to the next by itself, as in the editor.
    if (Text.size() - (Text.lastIndexOf(Sep) + 1) >= SectionDigits(Text.count(Sep)) &&
        Text.count(Sep) < 2)
      Text += Sep;
    if (Text.size() - (Text.lastIndexOf(Sep) + 1) < SectionDigits(Text.count(Sep)))
      Text += C;
  } else if (!C.isNull() && C.isPrint() && !C.isLetter() && Plain) {
    // Any mark stands for the separator; one after a section that moved on
    // by itself, or after the year, adds nothing.
    if (!Text.isEmpty() && !Text.endsWith(Sep) && Text.count(Sep) < 2)
      Text += Sep;
  } else if (!C.isNull() && C.isPrint()) {
    return true; // letters are no part of a date
  } else {
    EndTyping();
    return false;
  }
  ShowText(Text);
  return true;
}

bool TDatePicker::Held(const QString& Text) const {
  return FTyping || (!FUnreadable.isEmpty() && Text == FUnreadable);
}

QValidator::State TDatePicker::validate(QString& Input, int& Pos) const {
  return Held(Input) ? QValidator::Intermediate : QDateTimeEdit::validate(Input, Pos);
}

void TDatePicker::fixup(QString& Input) const {
  if (!Held(Input))
    QDateTimeEdit::fixup(Input);
}

void TDatePicker::ShowText(const QString& Text) {
  // Past the editor, which would read the text against the old date.
  QLineEdit* Edit = lineEdit();
  const QSignalBlocker Blocker(Edit);
  Edit->setText(Text);
}

void TDatePicker::EndTyping() {
  if (!FTyping)
    return;
  FTyping = false;
  const QString Typed = text();
  QDate Date;
  if (ReadText(Typed, Date)) {
    FUnreadable.clear();
    setDate(Date);
  } else {
    FUnreadable = Typed;
  }
}

void TDatePicker::KeepingTyped(const std::function<void()>& Base) {
  // The editor puts the last date back; what the user typed stays instead,
  // for OK to refuse.
  const bool Keep = Held(text());
  Base();
  if (Keep)
    ShowText(FUnreadable);
}

void TDatePicker::focusInEvent(QFocusEvent* Event) {
  KeepingTyped([&] { QDateTimeEdit::focusInEvent(Event); });
}

void TDatePicker::focusOutEvent(QFocusEvent* Event) {
  EndTyping();
  KeepingTyped([&] { QDateTimeEdit::focusOutEvent(Event); });
}

void TDatePicker::mousePressEvent(QMouseEvent* Event) {
  EndTyping();
  QDateTimeEdit::mousePressEvent(Event);
}
