// The set file from and to a named file.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "database/RegularFile.h"
#include "database/setfile/Reader.h"

#include <QFile>

void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings) {
  DB.Clear();
  QFile Source;
  const QString Reason = OpenRegularFile(FileName, Source);
  if (!Reason.isEmpty())
    throw ParseError(Reason, 0, QString());
  ReadSetFile(Source, DB, Settings);
}

void SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings) {
  WriteFileAtomically(FileName, [&](QIODevice& Device) { WriteSetFile(Device, DB, Settings); });
}
