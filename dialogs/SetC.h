#pragma once

#include "database/PropDB.h"
#include "dialogs/EditDialog.h"

#include <memory>

class QComboBox;

namespace Ui {
class FormType;
}

// The set dialog: types a new set or changes one in place.
class TFormType : public TEditDialog {
  Q_OBJECT

public:
  explicit TFormType(QWidget* Parent = nullptr);
  ~TFormType() override;

  // Shows the dialog modally; true only after OK. With a record, OK writes
  // into it; without, into TypeRec().
  bool ShowEdit(PTypeRecord ATypeRec);
  PTypeRecord TypeRec() { return &FTypeRec; }

  // The boxes that start-up fills from the reference lists.
  QComboBox* eLang() const;
  QComboBox* eCountry() const;

private:
  void bOKClick() override;

  std::unique_ptr<Ui::FormType> FUi;
  TTypeRecord FTypeRec;
  PTypeRecord FCurRec = nullptr;
};
