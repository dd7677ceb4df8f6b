#pragma once

#include "database/PropDB.h"

#include <QDialog>

class QComboBox;
class QKeyEvent;
class TKeyPreview;

namespace Ui {
class FormType;
}

// The set dialog: types a new set or changes one in place.
class TFormType : public QDialog {
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

private slots:
  void bOKClick();
  void bCancelClick();

protected:
  void showEvent(QShowEvent* Event) override;

private:
  void FormKeyDown(QKeyEvent* Event);
  bool FormKeyPress(QKeyEvent* Event);
  void FormShow();

  Ui::FormType* FUi;
  TKeyPreview* FKeyPreview;
  TTypeRecord FTypeRec;
  PTypeRecord FCurRec = nullptr;
  bool FResult = false;
};

extern TFormType* FormType;
