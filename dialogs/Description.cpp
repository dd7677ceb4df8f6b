// TFormProp, the item dialog; the file keeps the unit name the program has always used.

#include "dialogs/Description.h"

#include "regional/Regional.h"
#include "ui/Modal.h"

#include "ui_Description.h"

#include <QLineEdit>

#include <algorithm>

namespace {

// 19 March 2010, 16:38:56.193: what the first add offers.
constexpr double FirstDate = 40256.6937059375;

} // namespace

TFormProp::TFormProp(QWidget* Parent) : TEditDialog(Parent), FUi(new Ui::FormProp) {
  FUi->setupUi(this);
  BindControls(FUi->bOK, FUi->bCancel, FUi->eName, {FUi->eName, FUi->eCurr->lineEdit()});
  FUi->eDetail->SetRange(0, 2);
  FUi->eDetail->SetValue(0);
  FUi->eDate->SetValue(FirstDate);
}

TFormProp::~TFormProp() = default;

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
    int Year = 0, Month = 0, Day = 0;
    FDateStandIn.reset();
    if (!DecodeDate(APropRec->Date, Year, Month, Day) || Year < 100)
      FDateStandIn = FUi->eDate->Value();
    FUi->eCost->setText(FormatCost(APropRec->Cost, Regional.DecimalSeparator));
    FUi->eCurr->setEditText(APropRec->Curr);
  } else {
    // An add starts from whatever the dialog held when it last closed.
    FCurRec = &FPropRec;
    FDateStandIn.reset();
  }
  const bool Result = ShowModal();
  // The record may be removed once the dialog is closed.
  FCurRec = nullptr;
  return Result;
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
  const double Date = FUi->eDate->Value();
  if (!FDateStandIn || Date != *FDateStandIn)
    FCurRec->Date = Date;
  FCurRec->Cost = *Cost;
  FCurRec->Curr = FUi->eCurr->currentText();
  accept();
}
