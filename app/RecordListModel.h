#pragma once

// A report-style list over record pointers that the set database owns. Rows
// hold nothing but the pointer; texts are made when the view asks, so a
// document of any size costs one pointer per row.

#include "ui/Columns.h"

#include <QAbstractTableModel>

#include <vector>

template <class TRec> class TRecordListModel final : public QAbstractTableModel {
public:
  // Columns must outlive the model.
  explicit TRecordListModel(const TColumns<TRec>& Columns, QObject* Parent = nullptr)
      : QAbstractTableModel(Parent), FColumns(Columns) {}

  const TColumns<TRec>& Columns() const { return FColumns; }

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
  }
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
  }

  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override {
    if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= rowCount())
      return {};
    // The windows are where the process-wide regional settings are read.
    return FColumns[static_cast<size_t>(Index.column())].Text(
        *FRows[static_cast<size_t>(Index.row())], TRegional::Current());
  }

  QVariant headerData(int Section, Qt::Orientation Orientation,
                      int Role = Qt::DisplayRole) const override {
    return ColumnHeader(FColumns, Section, Orientation, Role);
  }

  Qt::ItemFlags flags(const QModelIndex& Index) const override { return RowFlags(Index); }

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
  const TColumns<TRec>& FColumns;
  std::vector<TRec*> FRows;
};
