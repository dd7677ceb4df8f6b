#include "app/Main.h"

#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "testview/Collections.h"
#include "testview/TestFilter.h"

#include "ui_Main.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>
#include <malloc.h>
#include <type_traits>

// Resources of a static library are only linked in when referenced.
static void InitMainResources() {
  Q_INIT_RESOURCE(MainIcons);
  Q_INIT_RESOURCE(AppIcon);
}

TPropDB* GlobalDB = nullptr;

namespace {

// Theme picture where the desktop has one, our own drawing otherwise.
QIcon ThemeIcon(const char* ThemeName, const char* Fallback) {
  return QIcon::fromTheme(QLatin1String(ThemeName),
                          QIcon(QStringLiteral(":/icons/") + QLatin1String(Fallback)));
}

} // namespace

QIcon AppIcon() {
  InitMainResources();
  return QIcon(QStringLiteral(":/brimsett.svg"));
}

TMainForm::TMainForm(TPropDB* DB, const QStringList& Args, QWidget* Parent)
    : QMainWindow(Parent), FUi(new Ui::MainForm), FDoc(*DB) {
  InitMainResources();
  FUi->setupUi(this);
  setWindowIcon(AppIcon());

  SetUpFileDialogs();

  FStatusPanel = new QLabel(FUi->StatusBar);
  FStatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  FStatusPanel->setMinimumWidth(400);
  FUi->StatusBar->addWidget(FStatusPanel);

  SetUpActions();
  SetUpLists();
  SetUpHistory();

  // 773 x 407 is the client area: the menu bar comes on top of it.
  resize(773, 407 + FUi->MainMenu1->sizeHint().height());
  if (const QScreen* Screen = screen()) {
    // A small or highly scaled screen must still show the whole window.
    resize(size().boundedTo(Screen->availableGeometry().size()));
    QRect Frame(QPoint(0, 0), size());
    Frame.moveCenter(Screen->availableGeometry().center());
    move(Frame.topLeft());
  }

  setAcceptDrops(true);
  FormCreate(Args);
  FitLists();
}

TMainForm::~TMainForm() {
  // Closing lays the lists out once more; the records may be gone by then.
  ClearRows();
}

void TMainForm::ClearRows() {
  // No order may outlive its records either.
  FNameOrders.Invalidate();
  const QScopedValueRollback Guard(FUpdating, true);
  FPropModel->Clear();
  FTypeModel->Clear();
}

QTreeView* TMainForm::ListTypes() const {
  return FUi->ListTypes;
}
QTreeView* TMainForm::ListProps() const {
  return FUi->ListProps;
}

void TMainForm::SetUpActions() {
  struct TActionSetup {
    QAction* Action;
    const char* Theme;
    const char* Fallback;
    void (TMainForm::*Handler)();
  };
  const TActionSetup Setups[] = {
      {FUi->ANewFile, "document-new", "new.svg", &TMainForm::ANewFileExecute},
      {FUi->AOpen, "document-open", "open.svg", &TMainForm::AOpenExecute},
      {FUi->ASave, "document-save", "save.svg", &TMainForm::ASaveExecute},
      {FUi->ASaveAs, "document-save-as", "saveas.svg", &TMainForm::ASaveAsExecute},
      {FUi->AAddType, "list-add", "add.svg", &TMainForm::AAddTypeExecute},
      {FUi->AEditType, "document-properties", "edit.svg", &TMainForm::AEditTypeExecute},
      {FUi->ARemoveType, "list-remove", "remove.svg", &TMainForm::ARemoveTypeExecute},
      {FUi->AAddProp, "list-add", "add.svg", &TMainForm::AAddPropExecute},
      {FUi->AEditProp, "document-properties", "edit.svg", &TMainForm::AEditPropExecute},
      {FUi->ARemoveProp, "list-remove", "remove.svg", &TMainForm::ARemovePropExecute},
      {FUi->AShowTest, "system-run", "test.svg", &TMainForm::AShowTestExecute},
      {FUi->N5, nullptr, nullptr, &TMainForm::ExitClick},
      {FUi->N9, nullptr, nullptr, &TMainForm::AboutClick},
      {FUi->AUndo, nullptr, nullptr, &TMainForm::AUndoExecute},
      {FUi->ARedo, nullptr, nullptr, &TMainForm::ARedoExecute},
  };
  for (const TActionSetup& Setup : Setups) {
    if (Setup.Theme)
      Setup.Action->setIcon(ThemeIcon(Setup.Theme, Setup.Fallback));
    connect(Setup.Action, &QAction::triggered, this, Setup.Handler);
  }

  // The usual keys whatever the desktop's own scheme, then any it adds.
  struct TKeys {
    QAction* Action;
    QKeySequence::StandardKey Standard;
    QList<QKeySequence> Own;
  };
  const TKeys Keys[] = {
      {FUi->ANewFile, QKeySequence::New, {QKeySequence(Qt::CTRL | Qt::Key_N)}},
      {FUi->AOpen, QKeySequence::Open, {QKeySequence(Qt::CTRL | Qt::Key_O)}},
      {FUi->ASave, QKeySequence::Save, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
      {FUi->ASaveAs, QKeySequence::SaveAs, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
      {FUi->N5, QKeySequence::Quit, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
      {FUi->AUndo, QKeySequence::Undo, {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
      {FUi->ARedo,
       QKeySequence::Redo,
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}},
  };
  for (const TKeys& Key : Keys) {
    QList<QKeySequence> Sequences = Key.Own;
    for (const QKeySequence& Sequence : QKeySequence::keyBindings(Key.Standard))
      if (!Sequences.contains(Sequence))
        Sequences.append(Sequence);
    Key.Action->setShortcuts(Sequences);
  }

  // The window shows no tooltips: the tool buttons would show their captions.
  FUi->ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
  FUi->ToolBar1->installEventFilter(this);
  for (QAction* Action : FUi->ToolBar1->actions())
    if (QWidget* Button = FUi->ToolBar1->widgetForAction(Action))
      Button->installEventFilter(this);

  FPopupMenuType = new QMenu(this);
  FPopupMenuType->setObjectName(QStringLiteral("PopupMenuType"));
  FPopupMenuType->addActions({FUi->AAddType, FUi->AEditType, FUi->ARemoveType});
  FPopupMenuProp = new QMenu(this);
  FPopupMenuProp->setObjectName(QStringLiteral("PopupMenuProp"));
  FPopupMenuProp->addActions({FUi->AAddProp, FUi->AEditProp, FUi->ARemoveProp});
}

bool TMainForm::event(QEvent* Event) {
  // The hints stay with the actions but are not shown: a status message
  // would hide the panel that holds the file name.
  if (Event->type() == QEvent::StatusTip)
    return true;
  return QMainWindow::event(Event);
}

void TMainForm::UpdateButtons() {
  const bool TypeSelected = SelectedTypeRow() >= 0;
  const bool PropSelected = SelectedPropRow() >= 0;
  FUi->AAddProp->setEnabled(TypeSelected);
  FUi->AEditProp->setEnabled(PropSelected);
  FUi->ARemoveProp->setEnabled(PropSelected);
  FUi->AEditType->setEnabled(TypeSelected);
  FUi->ARemoveType->setEnabled(TypeSelected);
}

void TMainForm::ListTypesDblClick() {
  AEditTypeExecute();
}

void TMainForm::ListPropsDblClick() {
  AEditPropExecute();
}

// A new record takes everything the dialog's own record holds but the set it
// was added under, and an identity of its own.
template <class TRec> static void Adopt(TRec& Rec, const TRec& Entered) {
  if constexpr (requires { Rec.Parent; }) {
    const auto Parent = Rec.Parent;
    Rec = Entered;
    Rec.Parent = Parent;
  } else {
    Rec = Entered;
  }
  NewGUID(Rec.GUID);
}

template <class TRec, class TDialog>
void TMainForm::EditSelected(QTreeView* View, TRecordListModel<TRec>* Model, TDialog* Dialog) {
  const int Row = SelectedRow(View);
  TRec* Rec = Model->Rec(Row);
  if (!Rec || !Dialog)
    return;
  const TRec Before = *Rec;
  if (Dialog->ShowEdit(Rec)) {
    Model->Refresh(Row);
    FDoc.Edited(Rec, Before);
  }
}

template <class TRec, class TDialog, class TCreate>
void TMainForm::AddFromDialog(TDialog* Dialog, TRec* (TDialog::*Entered)(),
                              void (TMainForm::*AddToList)(TRec*), TCreate Create) {
  if (!Dialog || !Dialog->ShowEdit(nullptr))
    return;
  if (TRec* Rec = Create()) {
    Adopt(*Rec, *(Dialog->*Entered)());
    (this->*AddToList)(Rec);
    FDoc.Added(Rec);
  }
}

template <class TRec>
void TMainForm::RemoveSelected(QTreeView* View, TRecordListModel<TRec>* Model) {
  const int Row = SelectedRow(View);
  TRec* Rec = Model->Rec(Row);
  if (!Rec)
    return;
  {
    // The rows go before the records do, so that nothing shows a record that
    // is no longer in the document; the view must not move the selection to
    // a neighbouring row.
    const QScopedValueRollback Guard(FUpdating, true);
    if constexpr (std::is_same_v<TRec, TTypeRecord>)
      FPropModel->Clear();
    View->selectionModel()->clear();
    Model->Remove(Row);
  }
  FDoc.Remove(Rec);
  UpdateButtons();
  // The set's rows; its records stay with the history for an undo.
  if constexpr (std::is_same_v<TRec, TTypeRecord>)
    GiveBackMemory();
}

void TMainForm::AAddTypeExecute() {
  AddFromDialog(FDialogs.Type, &TFormType::TypeRec, &TMainForm::AddTypeToList,
                [this] { return FDoc.DB().AddType(); });
}

void TMainForm::AEditTypeExecute() {
  EditSelected(FUi->ListTypes, FTypeModel, FDialogs.Type);
}

void TMainForm::ARemoveTypeExecute() {
  RemoveSelected(FUi->ListTypes, FTypeModel);
}

void TMainForm::AAddPropExecute() {
  if (const PTypeRecord Set = FTypeModel->Rec(SelectedTypeRow()))
    AddFromDialog(FDialogs.Prop, &TFormProp::PropRec, &TMainForm::AddPropToList,
                  [this, Set] { return FDoc.DB().AddProp(Set); });
}

void TMainForm::AEditPropExecute() {
  EditSelected(FUi->ListProps, FPropModel, FDialogs.Prop);
}

void TMainForm::ARemovePropExecute() {
  RemoveSelected(FUi->ListProps, FPropModel);
}

void TMainForm::AShowTestExecute() {
  if (!FDialogs.Test)
    return;
  FDialogs.Test->SetDocumentFile(FileName());
  FDialogs.Test->SetNameOrders(&FNameOrders);
  FDialogs.Test->ShowTest(&FDoc.DB());
  // What its rows took.
  GiveBackMemory();
}

void TMainForm::WorkOutNameOrders() {
  FReorder.stop();
  if (FDoc.DB().PropCount() > 0)
    FNameOrders.Start(FDoc.DB(), RowCollator());
}

void TMainForm::GiveBackMemory() {
  malloc_trim(0);
}
