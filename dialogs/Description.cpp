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

TFormProp::TFormProp(QWidget* Parent) : TRecordDialog(Parent), FUi(new Ui::FormProp) {
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

void TFormProp::Prepare(const TPropRecord* Rec) {
  const TRegional& Regional = TRegional::Current();
  FUi->eDate->ApplyRegional(Regional);
  FDateStandIn.reset();
  FCostShown.reset();
  if (!Rec)
    return;
  FUi->eName->setText(Rec->Name);
  FUi->eDetail->SetValue(std::clamp(Rec->Detail, 0, 2));
  FUi->eDefault->setChecked(Rec->Default);
  FUi->eDate->SetDatePart(Rec->Date);
  int Year = 0, Month = 0, Day = 0;
  if (!DecodeDate(Rec->Date, Year, Month, Day) || Year < 100)
    FDateStandIn = FUi->eDate->Value();
  FCostShown.emplace(FormatCost(Rec->Cost, Regional.DecimalSeparator), Rec->Cost);
  FUi->eCost->setText(FCostShown->first);
  FUi->eCurr->setEditText(Rec->Curr);
}

bool TFormProp::Store(TPropRecord& Rec) {
  // The price is read before anything is written, so a refusal changes nothing.
  const TRegional& Regional = TRegional::Current();
  const QString CostText = FUi->eCost->text();
  const std::optional<double> Cost =
      FCostShown && CostText == FCostShown->first
          ? FCostShown->second
          : ParseCost(CostText, Regional.DecimalSeparator, Regional.GroupSeparator);
  if (!Cost) {
    ShowError(this, QStringLiteral("Введено неверное числовое значение цены!"));
    return false;
  }
  if (!FUi->eDate->Valid()) {
    ShowError(this, QStringLiteral("Неверная дата: «") + FUi->eDate->text() +
                        QStringLiteral("». Введите дату, которая есть в календаре."));
    FUi->eDate->setFocus(Qt::OtherFocusReason);
    return false;
  }
  Rec.Name = FUi->eName->text();
  Rec.Detail = FUi->eDetail->Value();
  Rec.Default = FUi->eDefault->isChecked();
  const double Date = FUi->eDate->Value();
  if (!FDateStandIn || Date != *FDateStandIn)
    Rec.Date = Date;
  Rec.Cost = *Cost;
  Rec.Curr = FUi->eCurr->currentText();
  return true;
}
