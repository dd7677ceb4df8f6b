#include "ui/Modal.h"

#include "database/AtomicFile.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// Qt names a filter by its description alone and reads the patterns from the
// parentheses; the part after "|" is the same pattern list.
QString QtFilter(const QString& Filter) {
  return Filter.section(u'|', 0, 0);
}

class TRealModal final : public TModalSeam {
public:
  int Exec(QDialog* Dialog) override { return Dialog->exec(); }

  void Message(QWidget* Owner, QMessageBox::Icon Icon, const QString& Caption,
               const QString& Text) override {
    QMessageBox Box(Icon, Caption, Text, QMessageBox::Ok, Owner);
    Box.exec();
  }

  QString ChooseFile(QWidget* Owner, const TFileDialog& Dialog, bool Save) override {
    QFileDialog Chooser(Owner);
    Chooser.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    Chooser.setFileMode(QFileDialog::AnyFile);
    Chooser.setOption(QFileDialog::DontConfirmOverwrite);
    Chooser.setNameFilter(QtFilter(Dialog.Filter));
    Chooser.setDefaultSuffix(Dialog.DefaultExt);
    if (!Dialog.FileName.isEmpty())
      Chooser.selectFile(Dialog.FileName);
    if (Chooser.exec() != QDialog::Accepted || Chooser.selectedFiles().isEmpty())
      return {};
    return Chooser.selectedFiles().constFirst();
  }

  void About(QWidget* Owner, const QString& Title, const QString& Text,
             const QIcon& Icon) override {
    QMessageBox Box(QMessageBox::NoIcon, Title, Text, QMessageBox::Ok, Owner);
    Box.setIconPixmap(Icon.pixmap(64, 64));
    Box.setTextFormat(Qt::RichText);
    Box.exec();
  }
};

TRealModal RealModal;
TModalSeam* Current = &RealModal;

} // namespace

TModalSeam& Modal() {
  return *Current;
}

void SetModal(TModalSeam* Seam) {
  Current = Seam ? Seam : &RealModal;
}

void ShowError(QWidget* Owner, const QString& Text) {
  Modal().Message(Owner, QMessageBox::Critical, QStringLiteral("Ошибка"), Text);
}

void ShowWarning(QWidget* Owner, const QString& Text) {
  Modal().Message(Owner, QMessageBox::Warning, QStringLiteral("Предупреждение"), Text);
}

bool TFileDialog::Execute(QWidget* Owner, bool Save) {
  QString Chosen = Modal().ChooseFile(Owner, *this, Save);
  if (Chosen.isEmpty())
    return false;
  if (!DefaultExt.isEmpty() && QFileInfo(Chosen).suffix().isEmpty())
    Chosen += u'.' + DefaultExt;
  if (!NameIsExact(Chosen)) {
    ShowError(Owner, QStringLiteral("Имя «") + Chosen +
                         QStringLiteral("» записано не в UTF-8, и программа не может открыть или "
                                        "записать файл под ним без искажения. Переименуйте файл."));
    return false;
  }
  FileName = Chosen;
  return true;
}
