#pragma once

// The set file: the whole database as XML, read from and written to a device
// under explicitly given regional settings (dates and costs are written in
// their form).

#include "failures/Failure.h"

#include <QString>

#include <functional>

class QIODevice;
class TPropDB;
struct TRegional;

// Told after each read of a load how many bytes of the document were read
// and how many it has (-1 when the device cannot tell); it must not raise.
// A load that starts the document again starts the count again.
using TLoadProgress = std::function<void(qint64 Done, qint64 Total)>;

// Adds the sets and items of the document on Device to DB (which the caller
// empties first); what it read but does not carry as the file had it comes
// back as warnings. A document that does not parse (not well-formed, beyond a
// size limit, a read error) or that ran out of memory leaves DB empty; after a
// value that does not convert, or a node under the root that is not a set,
// the records read before it stay.
TResult<TWarnings> ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings,
                               const TLoadProgress& Progress = {});

// Writes the whole of DB to Device. Fails before a byte is written when a
// record holds a value that would not read back (a cost that is infinite or
// not a number, a date outside the years 1..9999), and with the device's
// reason when a write fails; what was written until then is the caller's to
// drop.
TDone WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings);

// Empties DB and reads the file FileName into it, as ReadSetFile; anything
// but a regular file fails before a byte is read.
TResult<TWarnings> LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings,
                               const TLoadProgress& Progress = {});

// Writes DB to FileName atomically: the old file stays as it was on failure.
TDone SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings);
