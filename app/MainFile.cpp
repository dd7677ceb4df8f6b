// The file commands, start-up's load, the reference lists, About and Exit.

#include "app/Main.h"

#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "regional/RefList.h"
#include "testview/Collections.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalBlocker>
#include <QToolBar>

#include <BrimsettVersion.h>

namespace {

const QString InitialSetFile = QStringLiteral("varnoke_set.vsxml");
const QString SetFileFilter = QStringLiteral("Varnoke sets (*.vsxml)|*.vsxml");
const QString SetFileExt = QStringLiteral("vsxml");

// Replaces the entries of Box by the lines of FileName when it can be read;
// the edit text stays whatever it was.
void LoadBox(QComboBox* Box, const QString& FileName) {
  if (!Box)
    return;
  // A list that is missing or cannot be read leaves the box its own entries,
  // and start-up goes on without a message.
  const TResult<QStringList> Lines = LoadRefList(FileName, TRegional::Current());
  if (!Lines)
    return;
  // Filling the box is not the user's choice: no handler of its window runs.
  const QSignalBlocker Blocker(Box);
  const QString Text = Box->currentText();
  Box->clear();
  Box->addItems(*Lines);
  Box->setEditText(Text);
}

// The wait cursor for as long as the window cannot answer.
class TBusyCursor {
public:
  TBusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // A Wayland client's requests, the cursor among them, reach the
    // compositor only when the event loop sends them: without this a load or
    // save would be over before the wait cursor showed.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// How far a long load has read, in the status bar; the window takes no
// command meanwhile. A short load shows nothing. The status bar itself stays
// enabled, so that its text is not drawn in the disabled grey.
class TLoadStatus {
public:
  TLoadStatus(QMainWindow* Window, QLabel* Panel)
      : FWindow(Window), FPanel(Panel), FText(Panel->text()) {
    FClock.start();
  }
  ~TLoadStatus() {
    if (!FShown)
      return;
    FPanel->setText(FText);
    SetParts(true);
  }
  TLoadStatus(const TLoadStatus&) = delete;
  TLoadStatus& operator=(const TLoadStatus&) = delete;

  void Show(qint64 Done, qint64 Total) {
    const qint64 Now = FClock.elapsed();
    if (Now < 500 || Now - FLast < 100)
      return;
    FLast = Now;
    if (!FShown)
      SetParts(false);
    FShown = true;
    FPanel->setText(Total > 0 ? QStringLiteral("Чтение файла: %1 %").arg(Done * 100 / Total)
                              : QStringLiteral("Чтение файла: %1 МБ").arg(Done >> 20));
    // Paints the bar; the user's input waits until the load is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

private:
  // Everything of the window but its status bar.
  void SetParts(bool Enabled) {
    QList<QWidget*> Parts{FWindow->menuBar(), FWindow->centralWidget()};
    for (QToolBar* Bar : FWindow->findChildren<QToolBar*>())
      if (Bar->window() == FWindow)
        Parts << Bar;
    for (QWidget* Part : Parts)
      if (Part)
        Part->setEnabled(Enabled);
  }

  QMainWindow* FWindow;
  QLabel* FPanel;
  QString FText;
  QElapsedTimer FClock;
  qint64 FLast = 0;
  bool FShown = false;
};

// The set file that a drag carries, or nothing: only one file is taken, and
// only one that "Открыть..." would offer.
QString DroppedSetFile(const QMimeData* Data) {
  if (!Data || !Data->hasUrls() || Data->urls().size() != 1)
    return {};
  const QFileInfo File(Data->urls().constFirst().toLocalFile());
  if (!File.isFile() || File.suffix().compare(SetFileExt, Qt::CaseInsensitive) != 0)
    return {};
  return File.filePath();
}

} // namespace

void TMainForm::SetUpFileDialogs() {
  for (TFileDialog* Dialog : {&OpenDialog, &SaveDialog}) {
    Dialog->FileName = InitialSetFile;
    Dialog->Filter = SetFileFilter;
    Dialog->DefaultExt = SetFileExt;
  }
}

void TMainForm::FormCreate(const QStringList& Args) {
  UpdateButtons();
  const QString Arg = Args.value(0);
  if (Arg.isEmpty() || !QFileInfo(Arg).isFile())
    return;
  // Read once the window shows, with its progress, and its failure or
  // warnings over it: the queued call runs before any input the window
  // could take, so nothing can be done before the document is there.
  QMetaObject::invokeMethod(
      this,
      [this, Arg] {
        LoadFile(Arg);
        FitLists();
      },
      Qt::QueuedConnection);
}

void TMainForm::StartNameRefused(const QString& File) {
  ShowError(this, QStringLiteral("Не удалось открыть файл «%1»: его имя записано не в UTF-8, и "
                                 "прочитать его под этим именем нельзя.")
                      .arg(File));
}

void TMainForm::SetFileName(const QString& Value) {
  FDoc.SetFileName(Value);
  FStatusPanel->setText(Value);
}

bool TMainForm::LoadFile(const QString& File) {
  const TResult<TWarnings> Loaded = [&] {
    const TBusyCursor Busy;
    TLoadStatus Status(this, FStatusPanel);
    // No row may outlive its record.
    return FDoc.Load(
        File, TRegional::Current(), [this] { ClearRows(); },
        [&](qint64 Done, qint64 Total) { Status.Show(Done, Total); });
  }();
  if (!Loaded) {
    ShowError(this, FileErrorText(TFileCommand::Open, File, Loaded.Failure()));
    return false;
  }
  SetFileName(FDoc.FileName());
  RefillLists();
  UpdateButtons();
  // The document that the load replaced.
  GiveBackMemory();
  // Once the window has been idle a moment: the test view may never be opened.
  FReorder.start();
  ShowWarnings(*Loaded);
  return true;
}

void TMainForm::ShowWarnings(const TWarnings& Warnings) {
  if (Warnings.Empty())
    return;
  // A line for each kind, then what a save makes of them.
  QStringList Lines;
  for (const TWarning& W : Warnings.All())
    Lines << QStringLiteral("• ") + WarningText(W);
  Lines << QString()
        << QStringLiteral(
               "«Сохранить» запишет значения так, как они показаны в окне: округлённые — "
               "округлёнными; пропущенное содержимое в файл не попадёт.");
  ShowWarning(this, Lines.join(u'\n'));
}

bool TMainForm::OpenFile(const QString& File) {
  {
    const TBusyCursor Busy;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  return LoadFile(File);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) {
  if (!DroppedSetFile(Event->mimeData()).isEmpty())
    Event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* Event) {
  if (!DroppedSetFile(Event->mimeData()).isEmpty())
    Event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* Event) {
  const QString File = DroppedSetFile(Event->mimeData());
  if (File.isEmpty())
    return;
  Event->acceptProposedAction();
  // After the drop has returned, so that the file manager is not kept
  // waiting for a long load.
  QMetaObject::invokeMethod(
      this,
      [this, File] {
        if (CanDiscardChanges())
          OpenFile(File);
      },
      Qt::QueuedConnection);
}

bool TMainForm::SaveFile(const QString& File, TSaveReport Report) {
  const TDone Saved = [&] {
    const TBusyCursor Busy;
    return FDoc.Save(File, TRegional::Current());
  }();
  if (Saved)
    return true;
  if (Report == TSaveReport::Warning)
    ShowWarning(this, QStringLiteral("Ошибка при сохранении файла!"));
  else
    ShowError(this, FileErrorText(TFileCommand::Save, File, Saved.Failure()));
  return false;
}

QString TMainForm::FileErrorText(TFileCommand Command, const QString& File,
                                 const TFailure& Failure) {
  const bool Open = Command == TFileCommand::Open;
  if (Failure.Kind == TReasonKind::Memory)
    return (Open ? QStringLiteral("Недостаточно памяти, чтобы открыть файл «%1».")
                 : QStringLiteral("Недостаточно памяти, чтобы сохранить файл «%1»."))
        .arg(Escaped(File));
  return (Open ? QStringLiteral("Не удалось открыть файл «%1».")
               : QStringLiteral("Не удалось сохранить файл «%1»."))
             .arg(Escaped(File)) +
         u'\n' + FailureText(Failure);
}

void TMainForm::ANewFileExecute() {
  if (!CanDiscardChanges())
    return;
  ClearRows();
  FDoc.New();
  SetFileName(QString());
  UpdateButtons();
  GiveBackMemory();
}

void TMainForm::AOpenExecute() {
  if (!CanDiscardChanges())
    return;
  if (OpenDialog.Execute(this, false) && OpenFile(OpenDialog.FileName))
    OpenDialog.Remember();
}

void TMainForm::ASaveExecute() {
  SaveDocument();
}

void TMainForm::ASaveAsExecute() {
  SaveDocumentAs();
}

bool TMainForm::SaveDocument() {
  if (FileName().isEmpty())
    return SaveDocumentAs();
  return SaveFile(FileName(), TSaveReport::Reason);
}

bool TMainForm::SaveDocumentAs() {
  if (!SaveDialog.Execute(this, true))
    return false;
  const bool Saved = SaveFile(SaveDialog.FileName, TSaveReport::Warning);
  if (Saved)
    SaveDialog.Remember();
  // Taken after a failure too, so that "Сохранить" tries the same place again.
  SetFileName(SaveDialog.FileName);
  return Saved;
}

void TMainForm::LoadListCountryLang() {
  const QString Countries = QStringLiteral("list_of_country.txt");
  const QString Languages = QStringLiteral("list_of_language.txt");
  if (TFormType* Type = FDialogs.Type) {
    LoadBox(Type->eCountry(), Countries);
    LoadBox(Type->eLang(), Languages);
  }
  if (TFormCollections* Test = FDialogs.Test) {
    LoadBox(Test->eCountry(), Countries);
    LoadBox(Test->eLang(), Languages);
  }
  if (FDialogs.Prop)
    LoadBox(FDialogs.Prop->eCurr(), QStringLiteral("list_of_currency.txt"));
}

void TMainForm::ExitClick() {
  close();
}

void TMainForm::AboutClick() {
  const QString Name = QStringLiteral("Brimsett " BRIMSETT_VERSION);
  Modal().About(this, QStringLiteral("О программе ") + Name,
                QStringLiteral("<p><b>") + Name +
                    QStringLiteral("</b></p>"
                                   "<p>© 2026 Brimsett developers<br>"
                                   "<a href=\"https://brimsett.org\">https://brimsett.org</a></p>"),
                AppIcon());
}
