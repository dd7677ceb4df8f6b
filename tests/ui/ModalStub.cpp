#include "ModalStub.h"

#include <QApplication>

#include <gtest/gtest.h>

int TModalStub::Exec(QDialog* Dialog) {
  ShownDialogs.append(Dialog);
  if (DialogAnswers.empty()) {
    ADD_FAILURE() << "a dialog was shown that the test did not expect";
    return QDialog::Rejected;
  }
  auto Answer = std::move(DialogAnswers.front());
  DialogAnswers.pop_front();
  // As QDialog::exec does: the result of an earlier showing does not count.
  Dialog->setResult(QDialog::Rejected);
  Dialog->setModal(true);
  Dialog->show();
  QApplication::processEvents();
  Answer(Dialog);
  QApplication::processEvents();
  if (Dialog->isVisible()) {
    ADD_FAILURE() << "the answer left the dialog open";
    Dialog->hide();
  }
  return Dialog->result();
}

void TModalStub::Message(QWidget*, QMessageBox::Icon Icon, const QString& Caption,
                         const QString& Text) {
  Messages.append({Icon, Caption, Text});
  if (!MessageAnswers.empty()) {
    auto Answer = std::move(MessageAnswers.front());
    MessageAnswers.pop_front();
    if (Answer)
      Answer();
  }
}

QString TModalStub::ChooseFile(QWidget*, const TFileDialog& Dialog, bool Save) {
  FileRequests.append({Dialog.FileName, Dialog.Filter, Dialog.DefaultExt, Save});
  if (FileAnswers.empty()) {
    ADD_FAILURE() << "a file dialog was shown that the test did not expect";
    return {};
  }
  QString Answer = FileAnswers.front();
  FileAnswers.pop_front();
  return Answer;
}

TSaveAnswer TModalStub::AskToSave(QWidget*, const QString&, const QString& Text) {
  SaveQuestions.append(Text);
  if (SaveAnswers.empty()) {
    ADD_FAILURE() << "a save question was asked that the test did not expect";
    return TSaveAnswer::Cancel;
  }
  const TSaveAnswer Answer = SaveAnswers.front();
  SaveAnswers.pop_front();
  return Answer;
}

void TModalStub::About(QWidget*, const QString& Title, const QString& Text, const QIcon&) {
  ++AboutCount;
  AboutTitle = Title;
  AboutText = Text;
}
