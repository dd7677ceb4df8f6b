// Unsaved changes: the marker in the caption, the question before they are
// discarded, and undo and redo with the lists showing what they changed.

#include "app/Main.h"

#include "ui_Main.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QSessionManager>
#include <QTreeView>

void TMainForm::SetUpHistory() {
  QUndoStack& History = FDoc.History();
  connect(&History, &QUndoStack::cleanChanged, this, [this](bool Clean) {
    setWindowModified(!Clean);
    FDiscardAgreed = false;
  });
  connect(&History, &QUndoStack::indexChanged, this, [this] {
    FDiscardAgreed = false;
    FNameOrders.Invalidate();
    FReorder.start();
  });
  // Once the edits pause: each start copies every name on this thread.
  FReorder.setSingleShot(true);
  FReorder.setInterval(1000);
  connect(&FReorder, &QTimer::timeout, this, &TMainForm::WorkOutNameOrders);
  connect(&History, &QUndoStack::canUndoChanged, FUi->AUndo, &QAction::setEnabled);
  connect(&History, &QUndoStack::canRedoChanged, FUi->ARedo, &QAction::setEnabled);
  connect(&History, &QUndoStack::undoTextChanged, this, [this](const QString& Text) {
    FUi->AUndo->setStatusTip(Text.isEmpty() ? FUi->AUndo->text()
                                            : FUi->AUndo->text() + QStringLiteral(": ") + Text);
  });
  connect(&History, &QUndoStack::redoTextChanged, this, [this](const QString& Text) {
    FUi->ARedo->setStatusTip(Text.isEmpty() ? FUi->ARedo->text()
                                            : FUi->ARedo->text() + QStringLiteral(": ") + Text);
  });
  FDoc.SetOnUndoRedo([this](const TEditTarget& Target) { UndoRedoShown(Target); });
  if (auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(App, &QGuiApplication::commitDataRequest, this, &TMainForm::CommitData);
}

void TMainForm::AUndoExecute() {
  FDoc.History().undo();
}

void TMainForm::ARedoExecute() {
  FDoc.History().redo();
}

void TMainForm::UndoRedoShown(const TEditTarget& Target) {
  RefillLists();
  const auto SelectRow = [](QTreeView* View, int Row) {
    if (Row < 0)
      return;
    const QModelIndex Index = View->model()->index(Row, 0);
    View->selectionModel()->setCurrentIndex(Index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    View->scrollTo(Index);
  };
  // An item's set is there whenever the item's change is undone or redone.
  const PTypeRecord Set = Target.Item || Target.Present ? Target.Set : nullptr;
  const auto RowOf = [](const auto* Model, const auto* Rec) {
    for (int Row = 0; Rec && Row < Model->rowCount(); ++Row)
      if (Model->Rec(Row) == Rec)
        return Row;
    return -1;
  };
  // Selecting the set lists its items, as a click on it would.
  SelectRow(FUi->ListTypes, RowOf(FTypeModel, Set));
  if (Target.Item && Target.Present)
    SelectRow(FUi->ListProps, RowOf(FPropModel, Target.Item));
  UpdateButtons();
}

bool TMainForm::CanDiscardChanges() {
  if (!FDoc.Modified() || FDiscardAgreed)
    return true;
  const QString Name = FileName().isEmpty()
                           ? QStringLiteral("Сохранить изменения в новом документе?")
                           : QStringLiteral("Сохранить изменения в «%1»?")
                                 .arg(Escaped(QFileInfo(FileName()).fileName()));
  switch (Modal().AskToSave(this, windowTitle().remove(QStringLiteral("[*]")), Name)) {
  case TSaveAnswer::Save:
    return SaveDocument();
  case TSaveAnswer::Discard:
    return true;
  case TSaveAnswer::Cancel:
    break;
  }
  return false;
}

void TMainForm::closeEvent(QCloseEvent* Event) {
  if (CanDiscardChanges())
    Event->accept();
  else
    Event->ignore();
}

void TMainForm::CommitData(QSessionManager& Manager) {
  if (!FDoc.Modified() || !Manager.allowsInteraction())
    return;
  const bool Discard = CanDiscardChanges();
  Manager.release();
  if (Discard)
    FDiscardAgreed = true;
  else
    Manager.cancel();
}
