#pragma once

// A report-style list over record pointers that the set database owns. Rows
// hold nothing but the pointer; texts are made when the view asks, so a
// document of any size costs one pointer per row.

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <vector>

template <class TRec> class TRecordListModel final : public QAbstractTableModel {
public:
  using TCellText = std::function<QString(const TRec&, int Column)>;

  TRecordListModel(QStringList Captions, TCellText CellText, QObject* Parent = nullptr)
      : QAbstractTableModel(Parent), FCaptions(std::move(Captions)),
        FCellText(std::move(CellText)) {}

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
  }
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(FCaptions.size());
  }

  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override {
    if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= rowCount())
      return {};
    return FCellText(*FRows[static_cast<size_t>(Index.row())], Index.column());
  }

  QVariant headerData(int Section, Qt::Orientation Orientation,
                      int Role = Qt::DisplayRole) const override {
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 &&
        Section < FCaptions.size())
      return FCaptions.at(Section);
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& Index) const override {
    if (!Index.isValid())
      return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  }

  TRec* Rec(int Row) const {
    return Row >= 0 && Row < rowCount() ? FRows[static_cast<size_t>(Row)] : nullptr;
  }

  void Append(TRec* Rec) {
    const int Row = rowCount();
    beginInsertRows(QModelIndex(), Row, Row);
    FRows.push_back(Rec);
    endInsertRows();
  }

  // Replaces every row at once; one reset instead of a signal per row.
  void Assign(std::vector<TRec*> Rows) {
    beginResetModel();
    FRows = std::move(Rows);
    endResetModel();
  }

  void Clear() { Assign({}); }

  void Remove(int Row) {
    if (Row < 0 || Row >= rowCount())
      return;
    beginRemoveRows(QModelIndex(), Row, Row);
    FRows.erase(FRows.begin() + Row);
    endRemoveRows();
  }

  // The record of Row has changed.
  void Refresh(int Row) {
    if (Row < 0 || Row >= rowCount())
      return;
    emit dataChanged(index(Row, 0), index(Row, columnCount() - 1), {Qt::DisplayRole});
  }

private:
  QStringList FCaptions;
  TCellText FCellText;
  std::vector<TRec*> FRows;
};
