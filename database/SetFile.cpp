// The set file from and to a named file.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "database/RegularFile.h"
#include "regional/ParseReasons.h"

#include <QFile>

#include <utility>

QStringList TLoadFailure::Lines(const QString& Worded) const {
  if (!Parse)
    return {Worded};
  return {Worded, QStringLiteral("Line: ") + QString::number(Line), Source};
}

QStringList TLoadFailure::WordedLines() const {
  return Lines(Code ? ExpatReason(Code) : TranslatedReason(Reason));
}

QString TLoadFailure::Text() const {
  return Lines(Reason).join(QStringLiteral("\r\n"));
}

TLoadError::TLoadError(TLoadFailure AFailure)
    : TError(AFailure.Text()), FFailure(std::move(AFailure)) {}

void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings,
                 const TLoadProgress& Progress) {
  DB.Clear();
  QFile Source;
  const QString Reason = OpenRegularFile(FileName, Source);
  if (!Reason.isEmpty())
    throw TLoadError(TLoadFailure::Parsing(Reason, 0));
  ReadSetFile(Source, DB, Settings, Progress);
}

void SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings) {
  WriteFileAtomically(FileName, [&](QIODevice& Device) { WriteSetFile(Device, DB, Settings); });
}
