#include "testview/Collections.h"

#include "database/Columns.h"
#include "testview/TestFilter.h"
#include "ui/Accessible.h"
#include "ui/OwnFrame.h"
#include "ui/ReportList.h"
#include "ui_Collections.h"

#include <QAbstractTableModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

#include <algorithm>
#include <new>

// The rows of ListItems: a tick, the column texts made once when the row is
// added (the record is not read again for showing), and the record for the
// export.
class TTestItemsModel final : public QAbstractTableModel {
public:
  struct TRow {
    PPropRecord Rec = nullptr;
    bool Ticked = false;
    QStringList Text;
  };

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
    const TRow& Row = FRows[static_cast<size_t>(Index.row())];
    if (Role == Qt::DisplayRole)
      return Row.Text.value(Index.column());
    if (Role == Qt::CheckStateRole && Index.column() == 0)
      return Row.Ticked ? Qt::Checked : Qt::Unchecked;
    return {};
  }

  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override {
    if (!Index.isValid() || Index.column() != 0 || Role != Qt::CheckStateRole ||
        Index.row() >= rowCount())
      return false;
    FRows[static_cast<size_t>(Index.row())].Ticked = Value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(Index, Index, {Qt::CheckStateRole});
    return true;
  }

  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 &&
        Section < columnCount())
      return Columns()[static_cast<size_t>(Section)].Caption;
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& Index) const override {
    if (!Index.isValid())
      return Qt::NoItemFlags;
    Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (Index.column() == 0)
      Flags |= Qt::ItemIsUserCheckable;
    return Flags;
  }

  static const TColumns<TPropRecord>& Columns() { return PropColumns(TItemList::Test); }

  const TRow* Row(int I) const {
    return I >= 0 && I < rowCount() ? &FRows[static_cast<size_t>(I)] : nullptr;
  }

  // A rebuild drops every row and adds the new ones under one model reset
  // rather than a signal per row.
  void BeginRebuild() {
    beginResetModel();
    FRows.clear();
    FRebuilding = true;
  }
  void EndRebuild() {
    FRebuilding = false;
    endResetModel();
  }

  // Inserts Row in name order, after any row of an equal name.
  void Insert(TRow Row, const QCollator& Collator) {
    auto Place = FRows.end();
    // Rows mostly come already in order: then one comparison finds the end.
    if (!FRows.empty() && Collator.compare(FRows.back().Rec->Name, Row.Rec->Name) > 0)
      Place = std::upper_bound(FRows.begin(), FRows.end(), Row.Rec->Name,
                               [&Collator](const QString& Name, const TRow& Other) {
                                 return Collator.compare(Name, Other.Rec->Name) < 0;
                               });
    const int At = static_cast<int>(Place - FRows.begin());
    if (!FRebuilding)
      beginInsertRows(QModelIndex(), At, At);
    FRows.insert(Place, std::move(Row));
    if (!FRebuilding)
      endInsertRows();
  }

private:
  std::vector<TRow> FRows;
  bool FRebuilding = false;
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
  const TTestItemsModel::TRow* R = FItems->Row(Row);
  return R ? R->Rec : nullptr;
}

bool TFormCollections::RowTicked(int Row) const {
  const TTestItemsModel::TRow* R = FItems->Row(Row);
  return R && R->Ticked;
}

void TFormCollections::ShowTest(TPropDB* base) {
  PropDB = base;
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
  FItems->BeginRebuild();
  const int Selected = FUi->eTypeList->currentIndex();
  if (PropDB && Selected >= 0 && static_cast<size_t>(Selected) < FTypes.size()) {
    TPropList Rows =
        FilterItems(*PropDB, FTypes[static_cast<size_t>(Selected)], FUi->eDetail->value());
    SortByName(Rows, FCollator);
    for (const PPropRecord Rec : Rows)
      AddItemToList(Rec);
  }
  FItems->EndRebuild();
}

void TFormCollections::AddItemToList(PPropRecord Rec) {
  if (!Rec)
    return;
  TTestItemsModel::TRow Row;
  Row.Rec = Rec;
  Row.Ticked = Rec->Default;
  const TRegional& Regional = TRegional::Current();
  const TColumns<TPropRecord>& Columns = TTestItemsModel::Columns();
  Row.Text.reserve(static_cast<qsizetype>(Columns.size()));
  for (const TColumn<TPropRecord>& Column : Columns)
    Row.Text.append(Column.Text(*Rec, Regional));
  FItems->Insert(std::move(Row), FCollator);
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
  const TResult<TExportLoss> Loss = Caught([&] {
    for (int I = 0; I < FItems->rowCount(); ++I) {
      const TTestItemsModel::TRow* Row = FItems->Row(I);
      if (Row->Ticked)
        Ticked.push_back(Row->Rec);
    }
    return SaveExport(SaveDialog.FileName, Ticked, TRegional::Current());
  });
  if (!Loss) {
    ShowError(this, QStringLiteral("Ошибка при сохранении файла!"));
    return;
  }
  SaveDialog.Remember();
  // What the file does not carry as the view shows it, in one message.
  QStringList Warnings;
  if (Loss->Characters > 0)
    Warnings << ExportLossWarning(*Loss, TRegional::Current());
  const TWarnings Splits = ExportWarnings(Ticked);
  for (const TWarning& W : Splits.All())
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
