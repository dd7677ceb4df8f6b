#include "testview/Collections.h"

#include "failures/Caught.h"
#include "testview/NameOrders.h"
#include "testview/TestFilter.h"
#include "ui/Accessible.h"
#include "ui/Columns.h"
#include "ui/OwnFrame.h"
#include "ui/ReportList.h"
#include "ui_Collections.h"

#include <QAbstractTableModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>
#include <new>

// The rows of ListItems: the record of each, in the order shown, and a tick
// a row; the texts are made when the view asks for them, so that a row costs
// a pointer and a bit whatever the set's size.
class TTestItemsModel final : public QAbstractTableModel {
public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
  }
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(Columns().size());
  }

  QVariant data(const QModelIndex& Index, int Role) const override {
    if (!Index.isValid() || Index.row() >= rowCount())
      return {};
    const size_t Row = static_cast<size_t>(Index.row());
    if (Role == Qt::DisplayRole)
      return Columns()[static_cast<size_t>(Index.column())].Text(*FRows[Row], TRegional::Current());
    if (Role == Qt::CheckStateRole && Index.column() == 0)
      return FTicked[Row] ? Qt::Checked : Qt::Unchecked;
    return {};
  }

  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override {
    if (!Index.isValid() || Index.column() != 0 || Role != Qt::CheckStateRole ||
        Index.row() >= rowCount())
      return false;
    FTicked[static_cast<size_t>(Index.row())] = Value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(Index, Index, {Qt::CheckStateRole});
    return true;
  }

  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
    return ColumnHeader(Columns(), Section, Orientation, Role);
  }

  Qt::ItemFlags flags(const QModelIndex& Index) const override { return RowFlags(Index, true); }

  static const TColumns<TPropRecord>& Columns() { return PropColumns(TItemList::Test); }

  PPropRecord Rec(int I) const {
    return I >= 0 && I < rowCount() ? FRows[static_cast<size_t>(I)] : nullptr;
  }
  bool Ticked(int I) const { return I >= 0 && I < rowCount() && FTicked[static_cast<size_t>(I)]; }

  // Every row at once, each ticked by its default flag, under one reset
  // rather than a signal per row.
  void Assign(TPropList Rows) {
    beginResetModel();
    FRows = std::move(Rows);
    FTicked.assign(FRows.size(), false);
    for (size_t I = 0; I < FRows.size(); ++I)
      FTicked[I] = FRows[I]->Default;
    endResetModel();
  }

  // Rec's row after every row whose name is not after its own, ticked by its
  // default flag.
  void Insert(PPropRecord Rec, const QCollator& Collator) {
    const auto Place = std::upper_bound(
        FRows.begin(), FRows.end(), Rec->Name, [&Collator](const TText& Name, PPropRecord Other) {
          return Collator.compare(Name.View(), Other->Name.View()) < 0;
        });
    const int At = static_cast<int>(Place - FRows.begin());
    beginInsertRows(QModelIndex(), At, At);
    FRows.insert(Place, Rec);
    FTicked.insert(FTicked.begin() + At, Rec->Default);
    endInsertRows();
  }

private:
  TPropList FRows;
  std::vector<bool> FTicked;
};

TFormCollections::TFormCollections(QWidget* Parent)
    : QDialog(Parent), FUi(new Ui::FormCollections), FCollator(RowCollator()) {
  FUi->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  // The boxes take the typed text as it is: no completion that would put a
  // whole entry in place of the letters typed, no entries added on Enter.
  for (QComboBox* Box : {FUi->eLang, FUi->eCountry}) {
    Box->setCompleter(nullptr);
    Box->setInsertPolicy(QComboBox::NoInsert);
  }

  FItems = new TTestItemsModel(this);
  FUi->ListItems->setModel(FItems);
  // The list does not grow with the window: its free width goes to the names.
  SetUpReportList(FUi->ListItems, LayoutWidths(TTestItemsModel::Columns()));

  connect(FUi->eTypeList, &QComboBox::activated, this, [this] { eTypeListSelect(); });
  connect(FUi->eLang, &QComboBox::editTextChanged, this, [this] {
    if (FShowing)
      eLangChange();
  });
  connect(FUi->eCountry, &QComboBox::editTextChanged, this, [this] {
    if (FShowing)
      eCountryChange();
  });
  connect(FUi->eAllLang, &QCheckBox::clicked, this, [this] { eAllLangClick(); });
  connect(FUi->eAllCountries, &QCheckBox::clicked, this, [this] { eAllCountriesClick(); });
  connect(FUi->eDetail, &QSlider::valueChanged, this, [this] {
    if (FShowing)
      eDetailChange();
  });
  connect(FUi->Button2, &QPushButton::clicked, this, [this] { CloseClick(); });
  connect(FUi->bSaveToFile, &QPushButton::clicked, this, [this] { bSaveToFileClick(); });

  SaveDialog.Filter = QStringLiteral("Текстовые файлы (*.txt)|*.txt");
  SaveDialog.DefaultExt = QStringLiteral("txt");
  FUi->eDetail->setFocus();
  NameFieldsAfterLabels(this);
}

TFormCollections::~TFormCollections() = default;

QComboBox* TFormCollections::eLang() const {
  return FUi->eLang;
}
QComboBox* TFormCollections::eCountry() const {
  return FUi->eCountry;
}

int TFormCollections::RowCount() const {
  return FItems->rowCount();
}

PPropRecord TFormCollections::RowRec(int Row) const {
  return FItems->Rec(Row);
}

bool TFormCollections::RowTicked(int Row) const {
  return FItems->Ticked(Row);
}

void TFormCollections::ShowTest(TPropDB* base) {
  PropDB = base;
  // The records may have changed since the last showing.
  FOrderedSet = nullptr;
  TPropList().swap(FOrder);
  // The window asks for a close box alone; where Qt would draw a frame with
  // every button, as its owner's shows, it draws its own.
  if (QtDrawsFrame(parentWidget() ? parentWidget()->window() : nullptr))
    UseOwnFrame(this);
  UpdateTypeList();
  // A small or highly scaled screen must still show the whole window.
  if (const QScreen* Screen = screen())
    resize(size().boundedTo(Screen->availableGeometry().size()));
  FShowing = true;
  Modal().Exec(this);
  FShowing = false;
}

void TFormCollections::UpdateTypeList() {
  TSetFilter Filter;
  Filter.AllLang = FUi->eAllLang->isChecked();
  Filter.Lang = FUi->eLang->currentText();
  Filter.AllCountries = FUi->eAllCountries->isChecked();
  Filter.Country = FUi->eCountry->currentText();
  FTypes = PropDB ? FilterTypes(*PropDB, Filter) : TTypeList();

  QStringList Names;
  Names.reserve(static_cast<qsizetype>(FTypes.size()));
  for (const PTypeRecord Type : FTypes)
    Names.append(Type->Name);
  {
    // Filling the drop-down is not the user's pick.
    const QSignalBlocker Blocker(FUi->eTypeList);
    FUi->eTypeList->clear();
    FUi->eTypeList->addItems(Names);
    FUi->eTypeList->setCurrentIndex(FTypes.empty() ? -1 : 0);
  }
  UpdateItemList();
}

void TFormCollections::UpdateItemList() {
  TPropList Rows;
  const int Selected = FUi->eTypeList->currentIndex();
  if (PropDB && Selected >= 0 && static_cast<size_t>(Selected) < FTypes.size()) {
    // The set's items in name order, worked out once when the set is chosen;
    // a level is then one pass over them.
    const PTypeRecord Type = FTypes[static_cast<size_t>(Selected)];
    if (Type != FOrderedSet) {
      if (const TPropList* Known = FOrders ? FOrders->Of(Type) : nullptr) {
        FOrder = *Known;
      } else {
        FOrder = FilterItems(*PropDB, Type, std::numeric_limits<int>::max());
        SortByName(FOrder, FCollator);
      }
      FOrderedSet = Type;
    }
    const int Level = FUi->eDetail->value();
    Rows.reserve(FOrder.size());
    for (const PPropRecord Rec : FOrder)
      if (Rec->Detail <= Level)
        Rows.push_back(Rec);
  }
  FItems->Assign(std::move(Rows));
}

void TFormCollections::AddItemToList(PPropRecord Rec) {
  if (Rec)
    FItems->Insert(Rec, FCollator);
}

void TFormCollections::eAllLangClick() {
  FUi->eLang->setEnabled(!FUi->eAllLang->isChecked());
  UpdateTypeList();
}

void TFormCollections::eAllCountriesClick() {
  FUi->eCountry->setEnabled(!FUi->eAllCountries->isChecked());
  UpdateTypeList();
}

void TFormCollections::bSaveToFileClick() {
  if (!SaveDialog.Execute(this, true))
    return;
  if (const TDone Allowed = CheckNotInput(SaveDialog.FileName, FDocumentFile); !Allowed) {
    ShowError(this, FailureText(Allowed.Failure()));
    return;
  }
  // Out of memory gathering the rows is reported like any other failure.
  TPropList Ticked;
  const TResult<TWarnings> Lost = Caught([&] {
    for (int I = 0; I < FItems->rowCount(); ++I)
      if (FItems->Ticked(I))
        Ticked.push_back(FItems->Rec(I));
    return SaveExport(SaveDialog.FileName, Ticked, TRegional::Current());
  });
  if (!Lost) {
    ShowError(this, QStringLiteral("Ошибка при сохранении файла!"));
    return;
  }
  SaveDialog.Remember();
  // What the file does not carry as the view shows it, in one message.
  QStringList Warnings;
  for (const TWarnings& Kinds : {*Lost, ExportWarnings(Ticked)})
    for (const TWarning& W : Kinds.All())
      Warnings << WarningText(W);
  if (!Warnings.isEmpty())
    ShowWarning(this, Warnings.join(u'\n'));
}

void TFormCollections::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape) {
    Event->accept();
    return;
  }
  QDialog::keyPressEvent(Event);
}
