// The set file from and to a named file.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "database/RegularFile.h"

#include <QFile>

TResult<TWarnings> LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings,
                               const TLoadProgress& Progress) {
  DB.Clear();
  QFile Source;
  if (TDone Opened = OpenRegularFile(FileName, Source); !Opened)
    return TFailure(Opened.Failure()).At(0);
  return ReadSetFile(Source, DB, Settings, Progress);
}

TDone SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings) {
  return WriteFileAtomically(FileName,
                             [&](QIODevice& Device) { return WriteSetFile(Device, DB, Settings); });
}
