#pragma once

// One open document: the set database, the file it belongs to, and why the
// last load or save failed. The editor and the tool load and save through it,
// so that both catch the same failures the same way.

#include "database/SetFile.h"

#include <QString>

#include <optional>

class QIODevice;
class TPropDB;
struct TRegional;

class TDocument {
public:
  // Works on DB, which must outlive the document.
  explicit TDocument(TPropDB& DB) : FDB(DB) {}

  TPropDB& DB() const { return FDB; }

  // The file that a plain save writes; empty when there is none.
  const QString& FileName() const { return FFileName; }
  void SetFileName(const QString& Value) { FFileName = Value; }

  // Empties the database and reads FileName into it. On failure the records
  // read before it stay, except when the memory ran out: then none do, as the
  // part read so far may be what used it up. The file name is not changed.
  bool Load(const QString& FileName, const TRegional& Settings);
  // Writes the whole database to FileName; the old file stays on failure.
  bool Save(const QString& FileName, const TRegional& Settings) const;
  // The same for a document that is not a file of its own (a pipe): Read
  // empties the database and reads Device, Write writes the whole database to
  // Device, which keeps what was written before a failure.
  bool Read(QIODevice& Device, const TRegional& Settings);
  bool Write(QIODevice& Device, const TRegional& Settings) const;

  // The reason of the last failure, as the reader or writer words it.
  const QString& Error() const { return FError; }
  // The parts of the last failed load, when the reader said what failed.
  const std::optional<TLoadFailure>& LoadFailure() const { return FLoadFailure; }
  bool OutOfMemory() const { return FOutOfMemory; }

private:
  template <class TStep> bool Guarded(TStep Step) const;

  TPropDB& FDB;
  QString FFileName;
  mutable QString FError;
  mutable std::optional<TLoadFailure> FLoadFailure;
  mutable bool FOutOfMemory = false;
};
