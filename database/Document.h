#pragma once

// One open document: the set database and the file it belongs to. The editor
// and the tool load and save only through it, so that both keep the same
// rules: a load that fails changes nothing, and a save that fails leaves the
// file as it was.

#include "database/SetFile.h"

#include <QString>

#include <functional>

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

  // An empty document that belongs to no file.
  void New();
  // Reads FileName into a database of its own, whose records take the place
  // of this document's, and FileName its name, only once the whole file has
  // loaded; BeforeReplace runs just before, for whatever holds the old
  // records to let go of them. On failure the document stays exactly as it
  // was. Progress is told how far the read has come.
  TResult<TWarnings> Load(const QString& FileName, const TRegional& Settings,
                          const std::function<void()>& BeforeReplace = nullptr,
                          const TLoadProgress& Progress = {});
  // The same for a document that is not a file of its own (a pipe); the file
  // name stays.
  TResult<TWarnings> Read(QIODevice& Device, const TRegional& Settings);
  // Writes the whole database to FileName; the old file stays on failure.
  TDone Save(const QString& FileName, const TRegional& Settings) const;
  // Writes the whole database to Device, which keeps what was written before
  // a failure.
  TDone Write(QIODevice& Device, const TRegional& Settings) const;

private:
  TPropDB& FDB;
  QString FFileName;

  template <class TRead>
  TResult<TWarnings> Replace(TRead Read, const std::function<void()>& BeforeReplace);
};
