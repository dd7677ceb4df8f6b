// TFormType, the set dialog; the file keeps the unit name the program has always used.

#include "dialogs/SetC.h"

#include "ui_SetC.h"

#include <QLineEdit>

TFormType::TFormType(QWidget* Parent) : TEditDialog(Parent), FUi(new Ui::FormType) {
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

bool TFormType::ShowEdit(PTypeRecord ATypeRec) {
  if (ATypeRec) {
    FCurRec = ATypeRec;
    FUi->eName->setText(ATypeRec->Name);
    FUi->eLang->setEditText(ATypeRec->Language);
    FUi->eCountry->setEditText(ATypeRec->Country);
  } else {
    // An add starts from whatever the dialog held when it last closed.
    FCurRec = &FTypeRec;
  }
  const bool Result = ShowModal();
  // The record may be removed once the dialog is closed.
  FCurRec = nullptr;
  return Result;
}

void TFormType::bOKClick() {
  if (!FCurRec || !isVisible())
    return;
  FCurRec->Name = FUi->eName->text();
  FCurRec->Language = FUi->eLang->currentText();
  FCurRec->Country = FUi->eCountry->currentText();
  accept();
}
