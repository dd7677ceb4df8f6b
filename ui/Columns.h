#pragma once

// What the lists show of a record: one table per record, each entry a column
// with its caption, its width as laid out and its text of a record. The list
// models, the main window's column fitting and the test view all read it.

#include "database/PropDB.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

template <class TRec> struct TColumn {
  QString Caption;
  int Width = 0;
  QString (*Text)(const TRec& Rec, const TRegional& Settings) = nullptr;
};
template <class TRec> using TColumns = std::vector<TColumn<TRec>>;

template <class TRec> QList<int> LayoutWidths(const TColumns<TRec>& Columns) {
  QList<int> Widths;
  for (const TColumn<TRec>& Column : Columns)
    Widths.append(Column.Width);
  return Widths;
}

// A list model's header over Columns: each column's caption.
template <class TRec>
QVariant ColumnHeader(const TColumns<TRec>& Columns, int Section, Qt::Orientation Orientation,
                      int Role) {
  if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 &&
      size_t(Section) < Columns.size())
    return Columns[size_t(Section)].Caption;
  return {};
}

// A row of a report list: enabled, selectable and without children; Tick
// gives its first column a tick box.
inline Qt::ItemFlags RowFlags(const QModelIndex& Index, bool Tick = false) {
  if (!Index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (Tick && Index.column() == 0)
    Flags |= Qt::ItemIsUserCheckable;
  return Flags;
}

// The lists that show items: the main window's and the test view's.
enum class TItemList { Main, Test };

// The set list of the main window.
const TColumns<TTypeRecord>& TypeColumns();
// The columns that List shows, in order.
const TColumns<TPropRecord>& PropColumns(TItemList List);
