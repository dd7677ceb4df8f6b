#pragma once

// The set file: the whole database as XML, read from and written to a device
// under explicitly given regional settings (dates and costs are written in
// their form).

#include "regional/Error.h"

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;
class TPropDB;
struct TRegional;

// Why a set file did not load: a document that does not parse (line 0 when
// the file could not be read at all), or a value that does not convert.
struct TLoadFailure {
  QString Reason; // for a conversion, the whole message
  qint64 Line = 0;
  QString Source; // the start of the failing line, when it could be read again
  int Code = 0;   // the parser's error code; 0 for a reason of our own
  bool Parse = false;

  static TLoadFailure Parsing(const QString& Reason, qint64 Line, int Code = 0) {
    return {Reason, Line, QString(), Code, true};
  }
  static TLoadFailure Conversion(const QString& Message) {
    return {Message, 0, QString(), 0, false};
  }

  // The lines of the parse-error pattern "%s%s%s: %d%s%s" (the reason as
  // Worded, "Line: N", the source); a conversion message alone.
  QStringList Lines(const QString& Worded) const;
  // The lines joined by CR LF.
  QString Text() const;
  // Lines() with the reason in the user's language: by the parser's code
  // when there is one, else from the catalogue.
  QStringList WordedLines() const;
};

// A load that failed; Message() is the failure's Text().
class TLoadError : public TError {
public:
  explicit TLoadError(TLoadFailure AFailure);
  const TLoadFailure& Failure() const { return FFailure; }

private:
  TLoadFailure FFailure;
};

// Told after each read of a load how many bytes of the document were read
// and how many it has (-1 when the device cannot tell); it must not raise.
// A load that starts the document again starts the count again.
using TLoadProgress = std::function<void(qint64 Done, qint64 Total)>;

// Adds the sets and items of the document on Device to DB (which the caller
// empties first). Raises TLoadError. A
// document that does not parse (not well-formed, beyond a size limit, a read
// error) leaves DB empty; after a value that does not convert, or a node under
// the root that is not a set, the records read before it stay.
void ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings,
                 const TLoadProgress& Progress = {});

// Writes the whole of DB to Device. Raises TError before a byte is written
// when a record holds a value that would not read back (a cost that is
// infinite or not a number, a date outside the years 1..9999), and with the
// device's reason when a write fails; what was written until then is the
// caller's to drop.
void WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings);

// Empties DB and reads the file FileName into it; anything but a regular file
// fails before a byte is read. Raises TLoadError.
void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings,
                 const TLoadProgress& Progress = {});

// Writes DB to FileName atomically: the old file stays as it was on failure.
void SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings);
