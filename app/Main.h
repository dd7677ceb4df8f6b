#pragma once

#include "app/EditedDocument.h"
#include "app/RecordListModel.h"
#include "database/PropDB.h"
#include "testview/NameOrders.h"
#include "ui/Modal.h"

#include <QIcon>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <memory>

class QCloseEvent;
class QItemSelection;
class QSessionManager;
class QLabel;
class QMenu;
class QTreeView;
class TFormCollections;
class TFormProp;
class TFormType;

namespace Ui {
class MainForm;
}

// The program's one set database; the entry creates it before any window and
// frees it after the last one is gone.
extern TPropDB* GlobalDB;

// The application icon (bundled), for the windows and the About box.
QIcon AppIcon();

using TTypeListModel = TRecordListModel<TTypeRecord>;
using TPropListModel = TRecordListModel<TPropRecord>;

// The windows that the main window's commands open; each may be missing.
struct TMainDialogs {
  TFormCollections* Test = nullptr;
  TFormProp* Prop = nullptr;
  TFormType* Type = nullptr;
};

// The main window: sets on the left, the items of one set on the right, the
// editing and file commands.
class TMainForm : public QMainWindow {
  Q_OBJECT

public:
  // Works on DB, which must outlive the window. Args are the command-line
  // arguments after the program's own name; the first may name a set file to open.
  explicit TMainForm(TPropDB* DB, const QStringList& Args = {}, QWidget* Parent = nullptr);
  ~TMainForm() override;

  // The dialogs exist only after the window: the entry passes them in.
  void SetDialogs(const TMainDialogs& Dialogs) { FDialogs = Dialogs; }

  // The file that "Сохранить" writes; empty when there is none. Setting it
  // also shows it in the status bar; nothing else changes the name.
  const QString& FileName() const { return FDoc.FileName(); }
  void SetFileName(const QString& Value);

  void AddTypeToList(PTypeRecord Rec);
  void AddPropToList(PPropRecord Rec);
  void UpdateButtons();
  void RefillLists();
  // Empties both lists without running a selection handler, before their
  // records go.
  void ClearRows();
  // Fills the boxes of the dialogs and the test view from the reference lists
  // in the working directory; the entry calls it once all windows exist.
  void LoadListCountryLang();
  // Says that the file named at start-up was not opened, because its name
  // could not be carried to the file system byte for byte.
  void StartNameRefused(const QString& File);
  // Whether the document may be discarded: true when it has no unsaved
  // changes, when the user chose not to save them, or once they were saved.
  bool CanDiscardChanges();

  // Handlers; each checks the selection it needs itself.
  void ListTypesSelectItem(int Row, bool Selected);
  void ListPropsSelectItem(int Row, bool Selected);
  void ListTypesDblClick();
  void ListPropsDblClick();
  void ANewFileExecute();
  void AOpenExecute();
  void ASaveExecute();
  void ASaveAsExecute();
  void AAddTypeExecute();
  void AEditTypeExecute();
  void ARemoveTypeExecute();
  void AAddPropExecute();
  void AEditPropExecute();
  void ARemovePropExecute();
  void AShowTestExecute();
  void AUndoExecute();
  void ARedoExecute();
  void ExitClick();
  void AboutClick();

  TFileDialog OpenDialog;
  TFileDialog SaveDialog;

  QTreeView* ListTypes() const;
  QTreeView* ListProps() const;
  TTypeListModel* TypeModel() const { return FTypeModel; }
  TPropListModel* PropModel() const { return FPropModel; }

protected:
  bool event(QEvent* Event) override;
  // Closing discards the document: asked first when it has unsaved changes.
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  // A dropped set file is opened as "Открыть..." opens it.
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

private:
  // The enabling rule, and the load of the command-line file, which is
  // queued so that the window shows first.
  void FormCreate(const QStringList& Args);
  void SetUpFileDialogs();
  void SetUpActions();
  void SetUpLists();
  void SetUpHistory();
  // Returns the memory that a document let go of to the system: the
  // allocator keeps freed memory for the process otherwise.
  static void GiveBackMemory();
  // The end of the desktop session asks as a close would.
  void CommitData(QSessionManager& Manager);
  // Lists the document after an undo or redo, with the row it changed selected.
  void UndoRedoShown(const TEditTarget& Target);
  // The first split and the column widths for the lists' contents: every
  // text fits when the window has room for it, the names take what is left.
  void FitLists();
  // Calls SelectItem for each row that a selection change deselects, then for
  // each that it selects; nothing while the window rebuilds a list itself.
  void SelectionChanged(void (TMainForm::*SelectItem)(int, bool), const QItemSelection& Selected,
                        const QItemSelection& Deselected);
  // The selected row of View, or -1.
  static int SelectedRow(const QTreeView* View);
  int SelectedTypeRow() const;
  int SelectedPropRow() const;
  // Loads File as the document and lists it; on failure shows why, and the
  // document, its lists and its file name stay as they were.
  bool LoadFile(const QString& File);
  // What a load did not carry as the file had it, said once the lists show
  // the document.
  void ShowWarnings(const TWarnings& Warnings);
  // "Открыть..." and a drop: the dialog or drag cursor is gone from the
  // screen before a long load starts.
  bool OpenFile(const QString& File);
  // "Сохранить" shows the writer's reason, "Сохранить как..." only a warning.
  enum class TSaveReport { Reason, Warning };
  bool SaveFile(const QString& File, TSaveReport Report);
  // "Сохранить" and "Сохранить как...": whether the document was written.
  bool SaveDocument();
  bool SaveDocumentAs();
  enum class TFileCommand { Open, Save };
  // The error message for Failure of Command on File.
  static QString FileErrorText(TFileCommand Command, const QString& File, const TFailure& Failure);
  template <class TRec, class TDialog>
  void EditSelected(QTreeView* View, TRecordListModel<TRec>* Model, TDialog* Dialog);
  // Adds the record that Create makes (none when it gives none) from what the
  // dialog's own record holds after an add, and its row.
  template <class TRec, class TDialog, class TCreate>
  void AddFromDialog(TDialog* Dialog, TRec* (TDialog::*Entered)(),
                     void (TMainForm::*AddToList)(TRec*), TCreate Create);
  // Drops the selected row of View, then takes its record out of the
  // database into the history.
  template <class TRec> void RemoveSelected(QTreeView* View, TRecordListModel<TRec>* Model);

  std::unique_ptr<Ui::MainForm> FUi;
  // The test view's name orders, worked out ahead a moment after a load or
  // the last change. Before the document, which tells them of its changes
  // until it is gone.
  TNameOrders FNameOrders;
  QTimer FReorder;
  void WorkOutNameOrders();
  TEditedDocument FDoc;
  TMainDialogs FDialogs;
  QLabel* FStatusPanel = nullptr;
  QMenu* FPopupMenuType = nullptr;
  QMenu* FPopupMenuProp = nullptr;
  TTypeListModel* FTypeModel = nullptr;
  TPropListModel* FPropModel = nullptr;
  // Set while the window itself rebuilds or shortens a list: the selection
  // changes that this causes are not the user's and must not refill anything.
  bool FUpdating = false;
  // Set when the end of the desktop session was told to discard the changes,
  // so that the close that follows does not ask again.
  bool FDiscardAgreed = false;
};
