#pragma once

// A seam for tests and fuzz targets: the readers count every read that a load
// keeps from a device that cannot go back, and one of them may be made to run
// out of memory, as if the allocation that keeps it failed.

#include <QtGlobal>

// Makes the N-th kept read of the loads that follow fail; 0 for none.
void SetKeepFault(qint64 N);
// Where a read is kept: raises std::bad_alloc at the read that SetKeepFault names.
void CountKeptRead();
