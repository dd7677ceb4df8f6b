#pragma once

#include <QAbstractSpinBox>

#include <optional>

// A whole-number spin field that, unlike QSpinBox, lets any text made of
// digits, signs and the decimal separator stand while the user types: the
// range is applied only by the arrows, on leaving the field and by Value().
class TSpinEdit : public QAbstractSpinBox {
  Q_OBJECT

public:
  explicit TSpinEdit(QWidget* Parent = nullptr);

  int MinValue() const { return FMinValue; }
  int MaxValue() const { return FMaxValue; }
  void SetRange(int AMinValue, int AMaxValue);

  // The text read as a whole number and brought into the range; text that is
  // not a whole number counts as the lowest value.
  int Value() const;
  // Shows AValue brought into the range.
  void SetValue(int AValue);

  // The text as a whole number, saturated far outside the range; nullopt when
  // it is not one.
  static std::optional<long long> ReadWhole(const QString& Text);

  void stepBy(int Steps) override;
  QValidator::State validate(QString& Input, int& Pos) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;

private:
  static bool IsAllowed(QChar C);
  int Clamp(long long AValue) const;
  void ShowNumber(long long AValue);

  int FMinValue = 0;
  int FMaxValue = 100;
};
