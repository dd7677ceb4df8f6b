#pragma once

#include "failures/Failure.h"

#include <QString>

class QFile;

// Whether A and B name the same file once links are followed, whatever their
// names; false when either does not exist.
bool SameFile(const QString& A, const QString& B);

// Opens FileName for reading into File, without waiting (a FIFO would wait
// for a writer) and looking at it before anything is read: only a regular
// file opens.
TDone OpenRegularFile(const QString& FileName, QFile& File);
