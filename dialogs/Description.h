#pragma once

#include "database/PropDB.h"
#include "dialogs/EditDialog.h"

#include <memory>
#include <optional>
#include <utility>

class QComboBox;

namespace Ui {
class FormProp;
}

// The item dialog: types a new item or changes one in place; refuses a price
// that does not read as a number.
class TFormProp : public TRecordDialog<TPropRecord> {
  Q_OBJECT

public:
  explicit TFormProp(QWidget* Parent = nullptr);
  ~TFormProp() override;

  // What OK wrote after an add.
  PPropRecord PropRec() { return &FOwnRec; }

  // The box that start-up fills from the currency list.
  QComboBox* eCurr() const;

private:
  void Prepare(const TPropRecord* Rec) override;
  bool Store(TPropRecord& Rec) override;

  std::unique_ptr<Ui::FormProp> FUi;
  // The picker's value while it stands in for a record's date that it cannot
  // show (a year below 100); OK keeps that date unless the user changed it.
  std::optional<double> FDateStandIn;
  // The price text shown for the record the dialog was opened with, and that
  // record's cost: while the text stays as shown, OK keeps the cost, which
  // the two decimals shown would round.
  std::optional<std::pair<QString, double>> FCostShown;
};
