#include "ui/Modal.h"

#include "database/FileNames.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace {

// Icons and types from the kind of entry and the name alone. Qt's own
// provider asks the MIME database, which opens a file whose name it does not
// know and reads its start, on the window's thread: a FIFO, a file in /proc
// or a stalled network file then hangs the program.
class TNameIconProvider final : public QFileIconProvider {
public:
  using QFileIconProvider::icon;

  QIcon icon(const QFileInfo& Info) const override {
    if (Info.isRoot())
      return icon(Drive);
    if (Info.isDir())
      return icon(Folder);
    const QIcon Themed = QIcon::fromTheme(ByName(Info).iconName());
    return Themed.isNull() ? icon(File) : Themed;
  }

  QString type(const QFileInfo& Info) const override {
    // The base class reads only a regular file, to learn its type.
    if (!Info.isFile())
      return QFileIconProvider::type(Info);
    const QMimeType Mime = ByName(Info);
    return Mime.comment().isEmpty() ? Mime.name() : Mime.comment();
  }

private:
  QMimeType ByName(const QFileInfo& Info) const {
    return FMime.mimeTypeForFile(Info.fileName(), QMimeDatabase::MatchExtension);
  }

  QMimeDatabase FMime;
};

// Qt's own dialog opens with its name, size, type and date columns whole:
// wide enough for them at the font's size, within the screen.
void FitColumns(QFileDialog& Chooser) {
  Chooser.setViewMode(QFileDialog::Detail);
  const int Char = Chooser.fontMetrics().averageCharWidth();
  QSize Size(Char * 120, Char * 60);
  if (const QScreen* Screen = Chooser.screen())
    Size = Size.boundedTo(Screen->availableGeometry().size() * 9 / 10);
  Chooser.resize(Size);
  if (auto* Files = Chooser.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* Header = Files->header();
    Header->setStretchLastSection(false);
    Header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int Column = 1; Column < Header->count(); ++Column)
      Header->setSectionResizeMode(Column, QHeaderView::ResizeToContents);
  }
}

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
    // Before the dialog, which uses it until it is destroyed.
    TNameIconProvider Icons;
    QFileDialog Chooser(Owner);
    // The desktop's own dialog wherever the platform offers one (the portal's
    // runs outside the process); Qt's own elsewhere, with icons by name.
    Chooser.setIconProvider(&Icons);
    FitColumns(Chooser);
    Chooser.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    Chooser.setFileMode(QFileDialog::AnyFile);
    Chooser.setNameFilter(QtFilter(Dialog.Filter));
    Chooser.setDefaultSuffix(Dialog.DefaultExt);
    // Opens where the proposal is, never where a Qt dialog last went: Qt
    // keeps that folder, across runs too, even when the dialog was cancelled
    // or its command failed there.
    const QFileInfo Proposed(QDir::current(), Dialog.FileName);
    Chooser.setDirectory(Dialog.FileName.isEmpty() ? QDir::currentPath() : Proposed.absolutePath());
    if (!Dialog.FileName.isEmpty())
      Chooser.selectFile(Proposed.absoluteFilePath());
    if (Chooser.exec() != QDialog::Accepted || Chooser.selectedFiles().isEmpty())
      return {};
    return Chooser.selectedFiles().constFirst();
  }

  TSaveAnswer AskToSave(QWidget* Owner, const QString& Caption, const QString& Text) override {
    QMessageBox Box(QMessageBox::Warning, Caption, Text, QMessageBox::NoButton, Owner);
    // Own texts rather than the standard buttons', whose wording depends on
    // the catalogue and the desktop.
    QPushButton* Save = Box.addButton(QStringLiteral("Сохранить"), QMessageBox::AcceptRole);
    QPushButton* Discard =
        Box.addButton(QStringLiteral("Не сохранять"), QMessageBox::DestructiveRole);
    QPushButton* Cancel = Box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    Box.setDefaultButton(Save);
    Box.setEscapeButton(Cancel);
    Box.exec();
    if (Box.clickedButton() == Save)
      return TSaveAnswer::Save;
    if (Box.clickedButton() == Discard)
      return TSaveAnswer::Discard;
    return TSaveAnswer::Cancel;
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
  if (FProposed) {
    FileName = *FProposed;
    FProposed.reset();
  }
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
  FProposed = FileName;
  FileName = Chosen;
  return true;
}

void TFileDialog::Remember() {
  FProposed.reset();
}
