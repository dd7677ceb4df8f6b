#pragma once

// The set file: the whole database as XML, read from and written to a device
// under explicitly given regional settings (dates and costs are written in
// their form).

#include <QString>

class QIODevice;
class TPropDB;
struct TRegional;

// Adds the sets and items of the document on Device to DB (which the caller
// empties first). Raises TError with the parse or conversion message. A
// document that does not parse (not well-formed, beyond a size limit, a read
// error) leaves DB empty; after a value that does not convert, or a node under
// the root that is not a set, the records read before it stay.
void ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings);

// Writes the whole of DB to Device. Raises TError when the device fails; what
// was written until then is the caller's to drop.
void WriteSetFile(QIODevice& Device, const TPropDB& DB, const TRegional& Settings);

// Empties DB and reads the file FileName into it; anything but a regular file
// fails before a byte is read.
void LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings);

// Writes DB to FileName atomically: the old file stays as it was on failure.
void SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings);
