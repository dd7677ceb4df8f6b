#include "dialogs/SetC.h"

#include "dialogs/KeyPreview.h"
#include "ui/Modal.h"

#include "ui_SetC.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>

#include <limits>

TFormType* FormType = nullptr;

TFormType::TFormType(QWidget* Parent) : QDialog(Parent), FUi(new Ui::FormType) {
  FUi->setupUi(this);
  // Texts have no length limit: Qt's default would cut a long one on OK.
  for (QLineEdit* Edit : {FUi->eName, FUi->eLang->lineEdit(), FUi->eCountry->lineEdit()})
    Edit->setMaxLength(std::numeric_limits<int>::max());
  FKeyPreview = new TKeyPreview(
      this, [this](QKeyEvent* Event) { FormKeyDown(Event); },
      [this](QKeyEvent* Event) { return FormKeyPress(Event); });
  connect(FUi->bOK, &QPushButton::clicked, this, &TFormType::bOKClick);
  connect(FUi->bCancel, &QPushButton::clicked, this, &TFormType::bCancelClick);
}

TFormType::~TFormType() {
  delete FUi;
}

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
  FResult = false;
  // Centred over the owner at every showing, not only the first.
  setAttribute(Qt::WA_Moved, false);
  Modal().Exec(this);
  // The record may be removed once the dialog is closed.
  FCurRec = nullptr;
  return FResult;
}

void TFormType::bOKClick() {
  if (!FCurRec || !isVisible())
    return;
  FCurRec->Name = FUi->eName->text();
  FCurRec->Language = FUi->eLang->currentText();
  FCurRec->Country = FUi->eCountry->currentText();
  FResult = true;
  accept();
}

void TFormType::bCancelClick() {
  reject();
}

void TFormType::FormKeyDown(QKeyEvent* Event) {
  if (TKeyPreview::IsEnter(Event))
    bOKClick();
  else if (TKeyPreview::IsEscape(Event))
    bCancelClick();
}

bool TFormType::FormKeyPress(QKeyEvent* Event) {
  // No control may react to Enter or Escape (a drop-down box would take
  // Enter as a new item).
  return TKeyPreview::IsEnterOrEscapeChar(Event);
}

void TFormType::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous())
    FormShow();
}

void TFormType::FormShow() {
  FUi->eName->setFocus(Qt::OtherFocusReason);
  FUi->eName->selectAll();
}
