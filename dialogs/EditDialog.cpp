#include "dialogs/EditDialog.h"

#include "dialogs/KeyPreview.h"
#include "ui/Accessible.h"
#include "ui/Modal.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <limits>

TEditDialog::TEditDialog(QWidget* Parent) : QDialog(Parent) {
  // A child of the dialog, which owns it.
  new TKeyPreview(
      this, [this](QKeyEvent* Event) { FormKeyDown(Event); },
      [this](QKeyEvent* Event) { return FormKeyPress(Event); });
}

TEditDialog::~TEditDialog() = default;

void TEditDialog::BindControls(QPushButton* OK, QPushButton* Cancel, QLineEdit* Name,
                               std::initializer_list<QLineEdit*> Texts) {
  for (QLineEdit* Edit : Texts)
    Edit->setMaxLength(std::numeric_limits<int>::max());
  FName = Name;
  connect(OK, &QPushButton::clicked, this, [this] { bOKClick(); });
  connect(Cancel, &QPushButton::clicked, this, &TEditDialog::bCancelClick);
  NameFieldsAfterLabels(this);
}

bool TEditDialog::ShowModal() {
  FResult = false;
  setAttribute(Qt::WA_Moved, false);
  // Only OK accepts the dialog.
  FResult = Modal().Exec(this) == QDialog::Accepted;
  return FResult;
}

void TEditDialog::bCancelClick() {
  reject();
}

void TEditDialog::FormKeyDown(QKeyEvent* Event) {
  if (TKeyPreview::IsEnter(Event))
    bOKClick();
  else if (TKeyPreview::IsEscape(Event))
    bCancelClick();
}

bool TEditDialog::FormKeyPress(QKeyEvent* Event) {
  // No control may react to Enter or Escape (a drop-down box would take
  // Enter as a new item, the spin field would beep).
  return TKeyPreview::IsEnterOrEscapeChar(Event);
}

void TEditDialog::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous())
    FormShow();
}

void TEditDialog::FormShow() {
  if (!FName)
    return;
  FName->setFocus(Qt::OtherFocusReason);
  FName->selectAll();
}
