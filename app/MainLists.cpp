// The main window's two lists: their columns and widths, their selection,
// and the keys and clicks on them.

#include "app/Main.h"

#include "ui/ReportList.h"

#include "ui_Main.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSet>
#include <QTreeView>

#include <algorithm>

namespace {

// Rows of a selection change, each once, top to bottom.
QList<int> RowsOf(const QItemSelection& Selection) {
  QList<int> Rows;
  for (const QItemSelectionRange& Range : Selection)
    for (int Row = Range.top(); Row <= Range.bottom(); ++Row)
      if (!Rows.contains(Row))
        Rows.append(Row);
  return Rows;
}

// The texts of each column for the first Count records of DB that At gives.
template <class TRec>
std::vector<QStringList> SampleTexts(const TColumns<TRec>& Columns, const TPropDB& DB,
                                     TRec* (TPropDB::*At)(int) const, int Count) {
  std::vector<QStringList> Texts(Columns.size());
  const TRegional& Regional = TRegional::Current();
  for (int I = 0; I < Count; ++I)
    for (size_t Column = 0; Column < Columns.size(); ++Column)
      Texts[Column].append(Columns[Column].Text(*(DB.*At)(I), Regional));
  return Texts;
}

// The width each column needs for its header and every one of Texts.
QList<int> ContentWidths(const QTreeView* View, const std::vector<QStringList>& Texts) {
  // The item's text margins on both sides, as the style draws them.
  const int Margin =
      2 * (View->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, View) + 1) + 2;
  const QFontMetrics Metrics = View->fontMetrics();
  QList<int> Widths;
  for (int Column = 0; Column < static_cast<int>(Texts.size()); ++Column) {
    int Need = View->header()->sectionSizeHint(Column);
    // Most columns repeat a few texts (levels, flags, currencies), and
    // measuring one costs far more than looking it up.
    QSet<QString> Measured;
    for (const QString& Text : Texts[static_cast<size_t>(Column)])
      if (!Measured.contains(Text)) {
        Measured.insert(Text);
        Need = std::max(Need, Metrics.horizontalAdvance(Text) + Margin);
      }
    Widths.append(Need);
  }
  return Widths;
}

// Each column's layout width, or what it needs when that is more.
QList<int> AtLeast(QList<int> Widths, const QList<int>& LayoutWidths) {
  for (qsizetype Column = 0; Column < Widths.size(); ++Column)
    Widths[Column] = std::max(Widths[Column], LayoutWidths.value(Column));
  return Widths;
}

// The outer width of a list whose columns have Widths, with room for a
// vertical scroll bar.
int ListWidth(const QTreeView* View, const QList<int>& Widths) {
  int Sum = 2 * View->frameWidth() + View->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (int Width : Widths)
    Sum += Width;
  return Sum;
}

} // namespace

void TMainForm::SetUpLists() {
  FTypeModel = new TTypeListModel(TypeColumns(), this);
  FPropModel = new TPropListModel(PropColumns(TItemList::Main), this);

  struct TListSetup {
    QTreeView* View;
    QAbstractItemModel* Model;
    QList<int> Widths;
    QMenu* Popup;
  };
  const TListSetup Setups[] = {
      {FUi->ListTypes, FTypeModel, LayoutWidths(FTypeModel->Columns()), FPopupMenuType},
      {FUi->ListProps, FPropModel, LayoutWidths(FPropModel->Columns()), FPopupMenuProp},
  };
  for (const TListSetup& Setup : Setups) {
    QTreeView* View = Setup.View;
    View->setModel(Setup.Model);
    SetUpReportList(View, Setup.Widths);
    View->installEventFilter(this);
    View->viewport()->installEventFilter(this);
    QMenu* Popup = Setup.Popup;
    connect(View, &QWidget::customContextMenuRequested, this,
            [View, Popup](const QPoint& Pos) { Popup->popup(View->viewport()->mapToGlobal(Pos)); });
  }

  for (const auto& [View, SelectItem] :
       {std::pair{FUi->ListTypes, &TMainForm::ListTypesSelectItem},
        std::pair{FUi->ListProps, &TMainForm::ListPropsSelectItem}})
    connect(View->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, SelectItem](const QItemSelection& Selected, const QItemSelection& Deselected) {
              SelectionChanged(SelectItem, Selected, Deselected);
            });
  connect(FUi->ListTypes, &QAbstractItemView::doubleClicked, this, &TMainForm::ListTypesDblClick);
  connect(FUi->ListProps, &QAbstractItemView::doubleClicked, this, &TMainForm::ListPropsDblClick);

  // The style draws no focus of its own around a list; a frame drawn beside
  // it would be cut off by the splitter, so the list's own border shows it:
  // a plain box in the colour of the list's foreground role, which focus
  // changes (see eventFilter). A style sheet did the same at a cost of 8 ms
  // before the window showed.
  for (QTreeView* View : {FUi->ListTypes, FUi->ListProps}) {
    View->setFrameStyle(QFrame::Box | QFrame::Plain);
    View->setLineWidth(1);
    View->setForegroundRole(QPalette::Mid);
  }
  FUi->Splitter1->setStretchFactor(0, 0);
  FUi->Splitter1->setStretchFactor(1, 1);
}

void TMainForm::FitLists() {
  // The first thousand sets and items stand for the document: measuring every
  // text of a large one took two thirds of a second at start-up. Among them,
  // every item, so that whichever of those sets gets selected fits.
  constexpr int Sample = 1000;
  const std::vector<QStringList> TypeTexts = SampleTexts(
      FTypeModel->Columns(), FDoc.DB(), &TPropDB::Types, std::min(FDoc.DB().TypeCount(), Sample));
  const std::vector<QStringList> PropTexts = SampleTexts(
      FPropModel->Columns(), FDoc.DB(), &TPropDB::Props, std::min(FDoc.DB().PropCount(), Sample));
  const QList<int> TypeContent = ContentWidths(FUi->ListTypes, TypeTexts);
  const QList<int> PropContent = ContentWidths(FUi->ListProps, PropTexts);
  QList<int> TypeWanted = AtLeast(TypeContent, LayoutWidths(FTypeModel->Columns()));
  QList<int> PropWanted = AtLeast(PropContent, LayoutWidths(FPropModel->Columns()));
  const int Room = std::max(0, width() - FUi->Splitter1->handleWidth());
  // A small or highly scaled screen: the columns shrink to their contents.
  if (ListWidth(FUi->ListTypes, TypeWanted) + ListWidth(FUi->ListProps, PropWanted) > Room) {
    TypeWanted = TypeContent;
    PropWanted = PropContent;
  }
  const int TypeNeed = ListWidth(FUi->ListTypes, TypeWanted);
  const int PropNeed = ListWidth(FUi->ListProps, PropWanted);
  // The set list gets what its columns need and the item list the rest;
  // when both do not fit, each gets its share of the room.
  const int TypeWidth = TypeNeed + PropNeed <= Room
                            ? TypeNeed
                            : static_cast<int>(static_cast<long long>(Room) * TypeNeed /
                                               std::max(1, TypeNeed + PropNeed));
  FUi->Splitter1->setSizes({TypeWidth, Room - TypeWidth});
  for (const auto& [View, Widths] :
       {std::pair{FUi->ListTypes, TypeWanted}, std::pair{FUi->ListProps, PropWanted}})
    for (int Column = 1; Column < Widths.size(); ++Column)
      View->header()->resizeSection(Column, Widths.at(Column));
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::ToolTip)
    return true;
  if (Event->type() == QEvent::FocusIn || Event->type() == QEvent::FocusOut)
    for (QTreeView* View : {FUi->ListTypes, FUi->ListProps})
      if (Watched == View)
        View->setForegroundRole(Event->type() == QEvent::FocusIn ? QPalette::Highlight
                                                                 : QPalette::Mid);
  // Focus alone makes the first row current, which looks like a selection
  // that the commands do not see: a list without a selection shows none.
  if (Event->type() == QEvent::FocusIn) {
    for (QTreeView* View : {FUi->ListTypes, FUi->ListProps}) {
      if (Watched != View)
        continue;
      QMetaObject::invokeMethod(
          View,
          [View] {
            if (!View->selectionModel()->hasSelection())
              View->selectionModel()->clearCurrentIndex();
          },
          Qt::QueuedConnection);
    }
  }
  // Delete removes and Enter edits the selected row of the list that has the
  // focus, as the commands on it would.
  if (Event->type() == QEvent::KeyPress) {
    const auto* Key = static_cast<QKeyEvent*>(Event);
    const bool Delete = Key->key() == Qt::Key_Delete;
    const bool Enter = Key->key() == Qt::Key_Return || Key->key() == Qt::Key_Enter;
    if (Key->modifiers() == Qt::NoModifier || Key->modifiers() == Qt::KeypadModifier) {
      if (Watched == FUi->ListTypes && (Delete || Enter)) {
        Delete ? ARemoveTypeExecute() : AEditTypeExecute();
        return true;
      }
      if (Watched == FUi->ListProps && (Delete || Enter)) {
        Delete ? ARemovePropExecute() : AEditPropExecute();
        return true;
      }
    }
  }
  // A press on empty space below the rows ends the list's selection, as a
  // report list does; the item views themselves would keep it.
  if (Event->type() == QEvent::MouseButtonPress) {
    for (QTreeView* View : {FUi->ListTypes, FUi->ListProps}) {
      if (Watched != View->viewport())
        continue;
      const auto* Mouse = static_cast<QMouseEvent*>(Event);
      if (!View->indexAt(Mouse->position().toPoint()).isValid())
        View->selectionModel()->clearSelection();
    }
  }
  return QMainWindow::eventFilter(Watched, Event);
}

int TMainForm::SelectedRow(const QTreeView* View) {
  const QModelIndexList Rows = View->selectionModel()->selectedRows();
  return Rows.isEmpty() ? -1 : Rows.constFirst().row();
}

int TMainForm::SelectedTypeRow() const {
  return SelectedRow(FUi->ListTypes);
}

int TMainForm::SelectedPropRow() const {
  return SelectedRow(FUi->ListProps);
}

void TMainForm::AddTypeToList(PTypeRecord Rec) {
  FTypeModel->Append(Rec);
}

void TMainForm::AddPropToList(PPropRecord Rec) {
  FPropModel->Append(Rec);
}

void TMainForm::RefillLists() {
  const QScopedValueRollback Guard(FUpdating, true);
  FPropModel->Clear();
  std::vector<PTypeRecord> Rows;
  Rows.reserve(static_cast<size_t>(FDoc.DB().TypeCount()));
  for (int I = 0; I < FDoc.DB().TypeCount(); ++I)
    Rows.push_back(FDoc.DB().Types(I));
  FTypeModel->Assign(std::move(Rows));
}

void TMainForm::SelectionChanged(void (TMainForm::*SelectItem)(int, bool),
                                 const QItemSelection& Selected, const QItemSelection& Deselected) {
  if (FUpdating)
    return;
  // The row losing the selection first, then the one gaining it.
  for (int Row : RowsOf(Deselected))
    (this->*SelectItem)(Row, false);
  for (int Row : RowsOf(Selected))
    (this->*SelectItem)(Row, true);
}

void TMainForm::ListTypesSelectItem(int Row, bool /*Selected*/) {
  const PTypeRecord Set = FTypeModel->Rec(Row);
  if (!Set)
    return;
  std::vector<PPropRecord> Items;
  {
    const QScopedValueRollback Guard(FUpdating, true);
    FPropModel->Clear();
    // No index by set: every item is looked at.
    for (int I = 0; I < FDoc.DB().PropCount(); ++I) {
      const PPropRecord Item = FDoc.DB().Props(I);
      if (Item->Parent == Set)
        Items.push_back(Item);
    }
    FPropModel->Assign(std::move(Items));
  }
  if (FPropModel->rowCount() > 0)
    FUi->ListProps->selectionModel()->setCurrentIndex(
        FPropModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  UpdateButtons();
}

void TMainForm::ListPropsSelectItem(int /*Row*/, bool /*Selected*/) {
  UpdateButtons();
}
