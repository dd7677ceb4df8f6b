// TFormType, the set dialog; the file keeps the unit name the program has always used.

#include "dialogs/SetC.h"

#include "ui_SetC.h"

#include <QLineEdit>

TFormType::TFormType(QWidget* Parent) : TRecordDialog(Parent), FUi(new Ui::FormType) {
  FUi->setupUi(this);
  BindControls(FUi->bOK, FUi->bCancel, FUi->eName,
               {FUi->eName, FUi->eLang->lineEdit(), FUi->eCountry->lineEdit()});
}

TFormType::~TFormType() = default;

QComboBox* TFormType::eLang() const {
  return FUi->eLang;
}

QComboBox* TFormType::eCountry() const {
  return FUi->eCountry;
}

void TFormType::Prepare(const TTypeRecord* Rec) {
  if (!Rec)
    return;
  FUi->eName->setText(Rec->Name);
  FUi->eLang->setEditText(Rec->Language);
  FUi->eCountry->setEditText(Rec->Country);
}

bool TFormType::Store(TTypeRecord& Rec) {
  Rec.Name = FUi->eName->text();
  Rec.Language = FUi->eLang->currentText();
  Rec.Country = FUi->eCountry->currentText();
  return true;
}
