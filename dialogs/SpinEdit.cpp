#include "dialogs/SpinEdit.h"

#include "regional/Regional.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

TSpinEdit::TSpinEdit(QWidget* Parent) : QAbstractSpinBox(Parent) {
  ShowNumber(0);
}

void TSpinEdit::SetRange(int AMinValue, int AMaxValue) {
  FMinValue = AMinValue;
  FMaxValue = std::max(AMinValue, AMaxValue);
}

std::optional<long long> TSpinEdit::ReadWhole(const QString& Text) {
  qsizetype I = 0;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == u'+' || Text[I] == u'-')) {
    Negative = Text[I] == u'-';
    ++I;
  }
  if (I == Text.size())
    return std::nullopt;
  // Saturating keeps a long run of digits a number far beyond the range
  // rather than letting it wrap round.
  constexpr long long Limit = 1000000000000LL;
  long long Result = 0;
  for (; I < Text.size(); ++I) {
    const char16_t C = Text[I].unicode();
    if (C < u'0' || C > u'9')
      return std::nullopt;
    Result = std::min(Limit, Result * 10 + (C - u'0'));
  }
  return Negative ? -Result : Result;
}

int TSpinEdit::Clamp(long long AValue) const {
  return static_cast<int>(std::clamp<long long>(AValue, FMinValue, FMaxValue));
}

int TSpinEdit::Value() const {
  const std::optional<long long> Number = ReadWhole(text());
  return Clamp(Number ? *Number : FMinValue);
}

void TSpinEdit::ShowNumber(long long AValue) {
  lineEdit()->setText(QString::number(Clamp(AValue)));
}

void TSpinEdit::SetValue(int AValue) {
  ShowNumber(AValue);
}

void TSpinEdit::stepBy(int Steps) {
  const std::optional<long long> Number = ReadWhole(text());
  ShowNumber((Number ? *Number : FMinValue) + Steps);
  selectAll();
}

// The arrows work from whatever the text says, so they are never disabled.
QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
  return StepUpEnabled | StepDownEnabled;
}

bool TSpinEdit::IsAllowed(QChar C) {
  return (C >= u'0' && C <= u'9') || C == u'+' || C == u'-' ||
         C == TRegional::Current().DecimalSeparator;
}

QValidator::State TSpinEdit::validate(QString& Input, int&) const {
  // Pasted text obeys the same rule as typed text.
  return std::all_of(Input.cbegin(), Input.cend(), IsAllowed) ? QValidator::Acceptable
                                                              : QValidator::Invalid;
}

void TSpinEdit::keyPressEvent(QKeyEvent* Event) {
  const QString Typed = Event->text();
  const bool Shortcut =
      Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const bool Printable = !Typed.isEmpty() && std::all_of(Typed.cbegin(), Typed.cend(),
                                                         [](QChar C) { return C.isPrint(); });
  if (Printable && !Shortcut && !std::all_of(Typed.cbegin(), Typed.cend(), IsAllowed)) {
    QApplication::beep();
    Event->accept();
    return;
  }
  QAbstractSpinBox::keyPressEvent(Event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* Event) {
  if (const std::optional<long long> Number = ReadWhole(text()))
    if (*Number < FMinValue || *Number > FMaxValue)
      ShowNumber(*Number);
  QAbstractSpinBox::focusOutEvent(Event);
}

QSize TSpinEdit::sizeHint() const {
  // The base class knows no values; size for the widest number of the range
  // with room for a sign and a digit more.
  ensurePolished();
  const QFontMetrics Metrics(font());
  const int TextWidth = std::max(Metrics.horizontalAdvance(QString::number(FMinValue)),
                                 Metrics.horizontalAdvance(QString::number(FMaxValue))) +
                        Metrics.horizontalAdvance(QStringLiteral("-0")) + 2;
  QStyleOptionSpinBox Option;
  initStyleOption(&Option);
  return style()->sizeFromContents(QStyle::CT_SpinBox, &Option,
                                   QSize(TextWidth, lineEdit()->sizeHint().height()), this);
}

QSize TSpinEdit::minimumSizeHint() const {
  return sizeHint();
}
