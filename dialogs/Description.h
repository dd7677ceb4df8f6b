#pragma once

#include "database/PropDB.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QKeyEvent;
class TKeyPreview;

namespace Ui {
class FormProp;
}

// The item dialog: types a new item or changes one in place; refuses a price
// that does not read as a number.
class TFormProp : public QDialog {
  Q_OBJECT

public:
  explicit TFormProp(QWidget* Parent = nullptr);
  ~TFormProp() override;

  // Shows the dialog modally; true only after a successful OK. With a record,
  // OK writes into it; without, into PropRec().
  bool ShowEdit(PPropRecord APropRec);
  PPropRecord PropRec() { return &FPropRec; }

  // The box that start-up fills from the currency list.
  QComboBox* eCurr() const;

private slots:
  void bOKClick();
  void bCancelClick();

protected:
  void showEvent(QShowEvent* Event) override;

private:
  void FormKeyDown(QKeyEvent* Event);
  bool FormKeyPress(QKeyEvent* Event);
  void FormShow();

  Ui::FormProp* FUi;
  TKeyPreview* FKeyPreview;
  TPropRecord FPropRec;
  PPropRecord FCurRec = nullptr;
  bool FResult = false;
  // The picker's value while it stands in for a record's date that it cannot
  // show (a year below 100); OK keeps that date unless the user changed it.
  std::optional<double> FDateStandIn;
};

extern TFormProp* FormProp;
