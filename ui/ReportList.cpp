#include "ui/ReportList.h"

#include <QHeaderView>
#include <QTreeView>

void SetUpReportList(QTreeView* View, const QList<int>& Widths) {
  QHeaderView* Header = View->header();
  Header->setSectionsClickable(false);
  Header->setSectionsMovable(false);
  Header->setSortIndicatorShown(false);
  Header->setStretchLastSection(false);
  for (int Column = 0; Column < Widths.size(); ++Column)
    Header->resizeSection(Column, Widths.at(Column));
  Header->setSectionResizeMode(0, QHeaderView::Stretch);
  View->setAccessibleName(View->model()->headerData(0, Qt::Horizontal).toString());
}
