#pragma once

// Writing the database as a set file; WriteSetFile (database/SetFile.h) is
// its entry.

#include "regional/Guid.h"
#include "regional/Regional.h"

#include <QHash>
#include <QString>

#include <array>
#include <cstdint>

// XML 1.0 cannot carry control characters other than tab, LF and CR, nor
// U+FFFE, U+FFFF or a lone surrogate; they become U+FFFD so that the file
// always reads again.
QString XmlSafe(const QString& Text);

// The texts of values as the writer puts them, the frequent ones made once.
class TValueTexts {
public:
  explicit TValueTexts(const TRegional& Settings);
  // Items share dates more often than not; each day is formatted once. Raises
  // TError for a date that could not be read back.
  QString Date(double Date);
  // In one buffer that every call reuses.
  const QString& GUID(const TGUID& GUID);
  QString Detail(int32_t Detail) const;

  const TRegional& Settings;
  const QString One, Zero;
  const std::array<QString, 3> Details; // the usual levels

private:
  // Keyed by the day as DecodeDate takes it from the count (to the
  // millisecond, a negative count's day in its integer part).
  QHash<qint64, QString> FDates;
  QString FGUIDText;
};
