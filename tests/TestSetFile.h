#pragma once

// The set file's reader and writer on a whole database, as tests, benchmarks
// and fuzz targets call them: by file name or on a document held in memory.

#include "database/PropDB.h"
#include "database/SetFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

// Dates and costs in the file are in the form of Settings.
inline TResult<TWarnings> LoadFromXML(TPropDB& DB, const QString& FileName,
                                      const TRegional& Settings) {
  return LoadSetFile(FileName, DB, Settings);
}

inline TDone SaveToXML(const TPropDB& DB, const QString& FileName, const TRegional& Settings) {
  return SaveSetFile(FileName, DB, Settings);
}

// DB holds only what Bytes held afterwards.
inline TResult<TWarnings> LoadFromXMLBytes(TPropDB& DB, const QByteArray& Bytes,
                                           const TRegional& Settings) {
  DB.Clear();
  QBuffer Device;
  Device.setData(Bytes);
  Device.open(QIODevice::ReadOnly);
  return ReadSetFile(Device, DB, Settings);
}

inline TResult<QByteArray> SaveToXMLBytes(const TPropDB& DB, const TRegional& Settings) {
  QBuffer Device;
  Device.open(QIODevice::WriteOnly);
  if (TDone Written = WriteSetFile(Device, DB, Settings); !Written)
    return Written.Failure();
  return Device.data();
}
