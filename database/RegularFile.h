#pragma once

#include "regional/Failure.h"

#include <QString>

class QFile;

// Opens FileName for reading into File, without waiting (a FIFO would wait
// for a writer) and looking at it before anything is read: only a regular
// file opens.
TDone OpenRegularFile(const QString& FileName, QFile& File);
