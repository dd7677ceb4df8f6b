#pragma once

// Every modal thing of the program (its own dialogs, message boxes, file
// dialogs, the About box) goes through this seam, so that tests can answer it
// without a person and without a nested event loop.

#include <QIcon>
#include <QMessageBox>
#include <QString>

#include <optional>

class QDialog;
class QWidget;

// The settings of one file dialog and the full path it proposes.
struct TFileDialog {
  QString FileName;   // proposed next time; after Execute, the chosen path
  QString Filter;     // "Description (*.ext)|*.ext"
  QString DefaultExt; // without the dot; appended when a chosen name has no extension

  // Shows the dialog; false when the user cancelled (FileName unchanged).
  bool Execute(QWidget* Owner, bool Save);
  // Called once the command on the chosen path succeeded: the next showing
  // proposes it. Without this call it proposes what it proposed before, so
  // that a place where a command failed (a folder that cannot be listed
  // safely, say) is not where the next dialog opens.
  void Remember();

private:
  std::optional<QString> FProposed; // set while a chosen path awaits Remember
};

// The answers to the question before unsaved changes would be discarded.
enum class TSaveAnswer { Save, Discard, Cancel };

class TModalSeam {
public:
  virtual ~TModalSeam() = default;
  // Shows Dialog modally; returns its result (QDialog::Accepted or Rejected)
  // once it is hidden again.
  virtual int Exec(QDialog* Dialog) = 0;
  virtual void Message(QWidget* Owner, QMessageBox::Icon Icon, const QString& Caption,
                       const QString& Text) = 0;
  // The chosen path, or an empty text when the user cancelled.
  virtual QString ChooseFile(QWidget* Owner, const TFileDialog& Dialog, bool Save) = 0;
  // Asks whether to save changes first: "Сохранить", "Не сохранять" or
  // "Отмена" (also Escape and the box's close button).
  virtual TSaveAnswer AskToSave(QWidget* Owner, const QString& Caption, const QString& Text) = 0;
  virtual void About(QWidget* Owner, const QString& Title, const QString& Text,
                     const QIcon& Icon) = 0;
};

TModalSeam& Modal();
// Installs a replacement (tests); nullptr brings back the real one.
void SetModal(TModalSeam* Seam);

// Message boxes with one OK button.
void ShowError(QWidget* Owner, const QString& Text);
void ShowWarning(QWidget* Owner, const QString& Text);
