#pragma once

#include "database/PropDB.h"
#include "dialogs/EditDialog.h"

#include <memory>

class QComboBox;

namespace Ui {
class FormType;
}

// The set dialog: types a new set or changes one in place.
class TFormType : public TRecordDialog<TTypeRecord> {
  Q_OBJECT

public:
  explicit TFormType(QWidget* Parent = nullptr);
  ~TFormType() override;

  // What OK wrote after an add.
  PTypeRecord TypeRec() { return &FOwnRec; }

  // The boxes that start-up fills from the reference lists.
  QComboBox* eLang() const;
  QComboBox* eCountry() const;

private:
  void Prepare(const TTypeRecord* Rec) override;
  bool Store(TTypeRecord& Rec) override;

  std::unique_ptr<Ui::FormType> FUi;
};
