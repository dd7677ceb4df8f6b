#pragma once

// Answers the program's modal seam in tests: dialogs are shown without a
// nested event loop and handed to a scripted answer; message boxes and file
// dialogs are recorded and answered from queues.

#include "ui/Modal.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

struct TStubMessage {
  QMessageBox::Icon Icon;
  QString Caption;
  QString Text;
};

struct TStubFileRequest {
  QString Proposed; // the file name the dialog offered
  QString Filter;
  QString DefaultExt;
  bool Save;
};

class TModalStub final : public TModalSeam {
public:
  TModalStub() { SetModal(this); }
  ~TModalStub() override { SetModal(nullptr); }

  // Answers for the next dialogs, in order. Each gets the shown dialog and
  // must close it (OK, Cancel, Escape...); one left open fails the test.
  std::deque<std::function<void(QDialog*)>> DialogAnswers;
  // Answers for message boxes, run after the message is recorded (may be empty).
  std::deque<std::function<void()>> MessageAnswers;
  // Answers to the question before unsaved changes go; none left fails the
  // test and cancels.
  std::deque<TSaveAnswer> SaveAnswers;
  // Paths the file dialogs return, in order; an empty text cancels.
  std::deque<QString> FileAnswers;

  QList<TStubMessage> Messages;
  QList<TStubFileRequest> FileRequests;
  QStringList SaveQuestions;
  QList<QDialog*> ShownDialogs;
  int AboutCount = 0;
  QString AboutTitle, AboutText;

  int Exec(QDialog* Dialog) override;
  void Message(QWidget* Owner, QMessageBox::Icon Icon, const QString& Caption,
               const QString& Text) override;
  QString ChooseFile(QWidget* Owner, const TFileDialog& Dialog, bool Save) override;
  TSaveAnswer AskToSave(QWidget* Owner, const QString& Caption, const QString& Text) override;
  void About(QWidget* Owner, const QString& Title, const QString& Text, const QIcon& Icon) override;
};
