#pragma once

#include <QString>

class QFile;

// Opens FileName for reading into File, without waiting (a FIFO would wait
// for a writer) and looking at it before anything is read: only a regular
// file opens. The reason when it fails, else an empty text.
QString OpenRegularFile(const QString& FileName, QFile& File);
