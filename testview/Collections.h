#pragma once

#include "database/PropDB.h"
#include "ui/Modal.h"

#include <QCollator>
#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QPushButton;
class QSlider;
class QTreeView;
class TNameOrders;
class TTestItemsModel;

namespace Ui {
class FormCollections;
}

// The set test view "Выбор набора": filters the sets, lists the chosen set's
// items at a detail level and exports the ticked ones as text.
class TFormCollections : public QDialog {
  Q_OBJECT

public:
  explicit TFormCollections(QWidget* Parent = nullptr);
  ~TFormCollections() override;

  // Rebuilds the view from base and shows it modally until it is closed.
  void ShowTest(TPropDB* base);
  // The set file that the view's records come from, which no export may
  // replace; empty for a document that has none.
  void SetDocumentFile(const QString& File) { FDocumentFile = File; }
  // The name orders worked out ahead for the document, when there are any.
  void SetNameOrders(const TNameOrders* Orders) { FOrders = Orders; }

  // Adds the row of Rec at its place in name order, ticked by its Default flag.
  void AddItemToList(PPropRecord Rec);

  // The boxes that start-up fills from the reference lists.
  QComboBox* eLang() const;
  QComboBox* eCountry() const;

  // The rows as shown, top to bottom: the record, and whether it is ticked.
  int RowCount() const;
  PPropRecord RowRec(int Row) const;
  bool RowTicked(int Row) const;
  // The sets now offered in eTypeList, in its order.
  const TTypeList& OfferedTypes() const { return FTypes; }

  // The export's file dialog; keeps the name last chosen between openings.
  TFileDialog SaveDialog;

  // Handlers, run on the user's actions in the shown window.
  void eTypeListSelect() { UpdateItemList(); }
  void eLangChange() { UpdateTypeList(); }
  void eCountryChange() { UpdateTypeList(); }
  void eAllLangClick();
  void eAllCountriesClick();
  void eDetailChange() { UpdateItemList(); }
  void CloseClick() { close(); }
  void bSaveToFileClick();

protected:
  // Escape closes nothing here, unlike in other dialogs.
  void keyPressEvent(QKeyEvent* Event) override;

private:
  QString FDocumentFile;

  void UpdateTypeList();
  void UpdateItemList();

  std::unique_ptr<Ui::FormCollections> FUi;
  TPropDB* PropDB = nullptr;
  TTypeList FTypes;
  // The items of FOrderedSet in name order, for as long as it is chosen.
  PTypeRecord FOrderedSet = nullptr;
  TPropList FOrder;
  const TNameOrders* FOrders = nullptr;
  TTestItemsModel* FItems = nullptr;
  QCollator FCollator;
  // Only while ShowTest shows the window do text and slider changes come
  // from the user; before that they are the program's own filling.
  bool FShowing = false;
};
