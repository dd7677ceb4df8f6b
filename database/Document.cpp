#include "database/Document.h"

#include "database/PropDB.h"

#include <exception>
#include <new>

template <class TStep> bool TDocument::Guarded(TStep Step) const {
  FError.clear();
  FLoadFailure.reset();
  FOutOfMemory = false;
  try {
    Step();
    return true;
  } catch (const std::bad_alloc& Error) {
    FOutOfMemory = true;
    FError = QString::fromLocal8Bit(Error.what());
  } catch (const TLoadError& Error) {
    FLoadFailure = Error.Failure();
    FError = Error.Message();
  } catch (const TError& Error) {
    FError = Error.Message();
  } catch (const std::exception& Error) {
    FError = QString::fromLocal8Bit(Error.what());
  }
  return false;
}

bool TDocument::Load(const QString& FileName, const TRegional& Settings) {
  const bool Loaded = Guarded([&] { LoadSetFile(FileName, FDB, Settings); });
  if (FOutOfMemory)
    FDB.Clear();
  return Loaded;
}

bool TDocument::Read(QIODevice& Device, const TRegional& Settings) {
  const bool Loaded = Guarded([&] {
    FDB.Clear();
    ReadSetFile(Device, FDB, Settings);
  });
  if (FOutOfMemory)
    FDB.Clear();
  return Loaded;
}

bool TDocument::Write(QIODevice& Device, const TRegional& Settings) const {
  return Guarded([&] { WriteSetFile(Device, FDB, Settings); });
}

bool TDocument::Save(const QString& FileName, const TRegional& Settings) const {
  return Guarded([&] { SaveSetFile(FileName, FDB, Settings); });
}
