#pragma once

#include <QList>

class QTreeView;

// Lays View's header out as a report list: columns at Widths, the first
// taking whatever width the others leave, no sorting or moving by the
// header. The list is named after its first caption for screen readers.
void SetUpReportList(QTreeView* View, const QList<int>& Widths);
