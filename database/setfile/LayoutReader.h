#pragma once

// The reader of the writer's own layout: a document exactly as WriteSetFile
// writes it (the declaration, CR LF, two-space indentation, the attributes in
// table order, the writer's escapes, valid UTF-8) is read straight from the
// bytes into records. At the first byte of anything else it gives up, and
// ReadSetFile reads the same bytes again, from the start, through the
// general reader, whose results and failures therefore stand for every file.

#include "database/SetFile.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <optional>
#include <vector>

class QIODevice;
class TPropDB;
struct TRegional;

// What the layout reader took from the device, so that the general reader
// can read the same bytes from the start.
struct TReplay {
  bool Touched = false;  // anything was read at all
  bool Seekable = false; // the device goes back to Start
  qint64 Start = 0;
  QByteArray Kept; // everything read from a device that cannot go back
  // The size of each read of it: the general reader is given the bytes in
  // the same pieces, as the device would have given them, since where the
  // parser's input ends can change where it reports an error.
  std::vector<qint64> Pieces;
  // Set while bytes taken from a device that cannot go back are not yet
  // kept: a failure then has lost them, and nothing may read on.
  bool Lost = false;
};

// Reads the document on Device into DB, which must be empty (else nothing is
// tried). Nothing when the document is not exactly the writer's layout, or a
// value does not convert the writer's way or would be warned about: DB is
// empty again and Consumed tells how to read it afresh. Otherwise the load's
// outcome: its records, or a failure that no other reader could mend (the
// memory ran out, or bytes from a device that cannot go back were lost),
// which leaves DB empty. Never raises.
std::optional<TResult<TWarnings>> TryReadLayout(QIODevice& Device, TPropDB& DB,
                                                const TRegional& Settings, TReplay& Consumed,
                                                const TLoadProgress& Progress = {});
