#pragma once

#include <QDialog>

#include <initializer_list>

class QKeyEvent;
class QLineEdit;
class QPushButton;

// What the set dialog and the item dialog share: modal showing with the
// result of OK, Enter and Escape for OK and Cancel whatever control has the
// focus, and the name selected at every showing.
class TEditDialog : public QDialog {
  Q_OBJECT

public:
  explicit TEditDialog(QWidget* Parent = nullptr);
  ~TEditDialog() override;

protected:
  // Wires the buttons and the name field once the form is set up; Texts lose
  // Qt's default length limit, which would cut a long text on OK.
  void BindControls(QPushButton* OK, QPushButton* Cancel, QLineEdit* Name,
                    std::initializer_list<QLineEdit*> Texts);
  // Shows the dialog modally, centred over the owner at every showing, not
  // only the first; true only after a successful OK.
  bool ShowModal();

  virtual void bOKClick() = 0;
  void bCancelClick();
  void FormKeyDown(QKeyEvent* Event);
  bool FormKeyPress(QKeyEvent* Event);
  void FormShow();
  void showEvent(QShowEvent* Event) override;

  bool FResult = false;

private:
  QLineEdit* FName = nullptr;
};

// The part of a dialog that edits one record: OK writes into the record it
// was shown with, or into the dialog's own one for an add.
template <class TRec> class TRecordDialog : public TEditDialog {
public:
  using TEditDialog::TEditDialog;

  // Shows the dialog modally; true only after a successful OK. With a record,
  // OK writes into it; without, into the dialog's own record, and an add
  // starts from whatever the dialog held when it last closed.
  bool ShowEdit(TRec* Rec) {
    Prepare(Rec);
    FCurRec = Rec ? Rec : &FOwnRec;
    const bool Result = ShowModal();
    // The record may be removed once the dialog is closed.
    FCurRec = nullptr;
    return Result;
  }

protected:
  // Shows the fields of Rec; null for an add.
  virtual void Prepare(const TRec* Rec) = 0;
  // Writes the fields into Rec; false refuses OK before anything is written.
  virtual bool Store(TRec& Rec) = 0;

  TRec FOwnRec;

private:
  void bOKClick() final {
    if (FCurRec && isVisible() && Store(*FCurRec))
      accept();
  }

  TRec* FCurRec = nullptr;
};
