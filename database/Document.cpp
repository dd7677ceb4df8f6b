#include "database/Document.h"

#include "database/PropDB.h"

void TDocument::New() {
  FDB.Clear();
  FFileName.clear();
}

template <class TRead>
TResult<TWarnings> TDocument::Replace(TRead Read, const std::function<void()>& BeforeReplace) {
  TPropDB Loaded;
  TResult<TWarnings> Result = Read(Loaded);
  if (!Result)
    return Result;
  if (BeforeReplace)
    BeforeReplace();
  // The old records go with Loaded.
  FDB.Swap(Loaded);
  return Result;
}

TResult<TWarnings> TDocument::Load(const QString& FileName, const TRegional& Settings,
                                   const std::function<void()>& BeforeReplace,
                                   const TLoadProgress& Progress) {
  TResult<TWarnings> Result =
      Replace([&](TPropDB& Into) { return LoadSetFile(FileName, Into, Settings, Progress); },
              BeforeReplace);
  if (Result)
    FFileName = FileName;
  return Result;
}

TResult<TWarnings> TDocument::Read(QIODevice& Device, const TRegional& Settings) {
  return Replace([&](TPropDB& Into) { return ReadSetFile(Device, Into, Settings); }, nullptr);
}

TDone TDocument::Write(QIODevice& Device, const TRegional& Settings) const {
  return WriteSetFile(Device, FDB, Settings);
}

TDone TDocument::Save(const QString& FileName, const TRegional& Settings) const {
  return SaveSetFile(FileName, FDB, Settings);
}
