#include "dialogs/Description.h"

#include "dialogs/KeyPreview.h"
#include "regional/Regional.h"
#include "ui/Modal.h"

#include "ui_Description.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>

#include <algorithm>
#include <limits>

TFormProp* FormProp = nullptr;

namespace {

// 19 March 2010, 16:38:56.193: what the first add offers.
constexpr double FirstDate = 40256.6937059375;

} // namespace

TFormProp::TFormProp(QWidget* Parent) : QDialog(Parent), FUi(new Ui::FormProp) {
  FUi->setupUi(this);
  // Texts have no length limit: Qt's default would cut a long one on OK.
  for (QLineEdit* Edit : {FUi->eName, FUi->eCurr->lineEdit()})
    Edit->setMaxLength(std::numeric_limits<int>::max());
  FUi->eDetail->SetRange(0, 2);
  FUi->eDetail->SetValue(0);
  FUi->eDate->SetValue(FirstDate);
  FKeyPreview = new TKeyPreview(
      this, [this](QKeyEvent* Event) { FormKeyDown(Event); },
      [this](QKeyEvent* Event) { return FormKeyPress(Event); });
  connect(FUi->bOK, &QPushButton::clicked, this, &TFormProp::bOKClick);
  connect(FUi->bCancel, &QPushButton::clicked, this, &TFormProp::bCancelClick);
}

TFormProp::~TFormProp() {
  delete FUi;
}

QComboBox* TFormProp::eCurr() const {
  return FUi->eCurr;
}

bool TFormProp::ShowEdit(PPropRecord APropRec) {
  const TRegional& Regional = TRegional::Current();
  FUi->eDate->ApplyRegional(Regional);
  if (APropRec) {
    FCurRec = APropRec;
    FUi->eName->setText(APropRec->Name);
    FUi->eDetail->SetValue(std::clamp(APropRec->Detail, 0, 2));
    FUi->eDefault->setChecked(APropRec->Default);
    FUi->eDate->SetDatePart(APropRec->Date);
    FUi->eCost->setText(FormatCost(APropRec->Cost, Regional.DecimalSeparator));
    FUi->eCurr->setEditText(APropRec->Curr);
  } else {
    // An add starts from whatever the dialog held when it last closed.
    FCurRec = &FPropRec;
  }
  FResult = false;
  // Centred over the owner at every showing, not only the first.
  setAttribute(Qt::WA_Moved, false);
  Modal().Exec(this);
  // The record may be removed once the dialog is closed.
  FCurRec = nullptr;
  return FResult;
}

void TFormProp::bOKClick() {
  if (!FCurRec || !isVisible())
    return;
  // The price is read before anything is written, so a refusal changes nothing.
  const std::optional<double> Cost =
      ParseCost(FUi->eCost->text(), TRegional::Current().DecimalSeparator);
  if (!Cost) {
    ShowError(this, QStringLiteral("Введено неверное числовое значение цены!"));
    return;
  }
  FCurRec->Name = FUi->eName->text();
  FCurRec->Detail = FUi->eDetail->Value();
  FCurRec->Default = FUi->eDefault->isChecked();
  FCurRec->Date = FUi->eDate->Value();
  FCurRec->Cost = *Cost;
  FCurRec->Curr = FUi->eCurr->currentText();
  FResult = true;
  accept();
}

void TFormProp::bCancelClick() {
  reject();
}

void TFormProp::FormKeyDown(QKeyEvent* Event) {
  if (TKeyPreview::IsEnter(Event))
    bOKClick();
  else if (TKeyPreview::IsEscape(Event))
    bCancelClick();
}

bool TFormProp::FormKeyPress(QKeyEvent* Event) {
  // No control may react to Enter or Escape (a drop-down box would take
  // Enter as a new item, the spin field would beep).
  return TKeyPreview::IsEnterOrEscapeChar(Event);
}

void TFormProp::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous())
    FormShow();
}

void TFormProp::FormShow() {
  FUi->eName->setFocus(Qt::OtherFocusReason);
  FUi->eName->selectAll();
}
