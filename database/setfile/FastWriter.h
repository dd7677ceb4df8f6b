#pragma once

// The set file writer that builds the document's UTF-8 bytes itself, every
// text escaped and encoded in one pass, and hands them to the device in
// large blocks.

class QIODevice;
class TPropDB;
struct TRegional;

// Writes the whole of DB to Device, byte for byte the document that
// WriteSetFile writes. Raises TError before a byte is written when a record
// holds a value that would not read back (a cost that is infinite or not a
// number, a date outside the years 1..9999), and with the device's reason when
// a write fails; what was written until then is the caller's to drop.
void WriteSetFileFast(QIODevice& Device, const TPropDB& DB, const TRegional& Settings);
