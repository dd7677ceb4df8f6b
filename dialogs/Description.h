#pragma once

#include "database/PropDB.h"
#include "dialogs/EditDialog.h"

#include <memory>

#include <optional>

class QComboBox;

namespace Ui {
class FormProp;
}

// The item dialog: types a new item or changes one in place; refuses a price
// that does not read as a number.
class TFormProp : public TEditDialog {
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

private:
  void bOKClick() override;

  std::unique_ptr<Ui::FormProp> FUi;
  TPropRecord FPropRec;
  PPropRecord FCurRec = nullptr;
  // The picker's value while it stands in for a record's date that it cannot
  // show (a year below 100); OK keeps that date unless the user changed it.
  std::optional<double> FDateStandIn;
};
