// The set file's entry points: a document read by the layout reader, or by
// the general reader where that one gives up, and the set file from and to a
// named file.

#include "database/SetFile.h"

#include "database/AtomicFile.h"
#include "database/PropDB.h"
#include "database/RegularFile.h"
#include "database/setfile/LayoutReader.h"
#include "database/setfile/Reader.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

// The bytes the layout reader kept, in the pieces it read them, then the
// rest of the device: the general reader sees the document from its start
// without a byte being read twice from a device that cannot go back.
class TReplayDevice : public QIODevice {
public:
  TReplayDevice(TReplay Kept, QIODevice& Rest) : FKept(std::move(Kept)), FRest(Rest) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char* Data, qint64 MaxSize) override {
    if (FPiece < FKept.Pieces.size()) {
      const qint64 Size = std::min(MaxSize, FKept.Pieces[FPiece] - FInPiece);
      std::memcpy(Data, FKept.Kept.constData() + FAt, size_t(Size));
      FAt += qsizetype(Size);
      FInPiece += Size;
      if (FInPiece == FKept.Pieces[FPiece]) {
        ++FPiece;
        FInPiece = 0;
      }
      return Size;
    }
    const qint64 Got = FRest.read(Data, MaxSize);
    if (Got < 0)
      setErrorString(FRest.errorString());
    return Got;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  TReplay FKept;
  size_t FPiece = 0;
  qint64 FInPiece = 0;
  qsizetype FAt = 0;
  QIODevice& FRest;
};

} // namespace

TResult<TWarnings> ReadSetFile(QIODevice& Device, TPropDB& DB, const TRegional& Settings,
                               const TLoadProgress& Progress) {
  TReplay Consumed;
  if (std::optional<TResult<TWarnings>> Read =
          TryReadLayout(Device, DB, Settings, Consumed, Progress))
    return std::move(*Read);
  if (!Consumed.Touched)
    return ReadThroughExpat(Device, DB, Settings, Progress);
  if (Consumed.Seekable) {
    if (!Device.seek(Consumed.Start))
      return TFailure::OfDevice(Device).At(0);
    return ReadThroughExpat(Device, DB, Settings, Progress);
  }
  TReplayDevice Replay(std::move(Consumed), Device);
  return ReadThroughExpat(Replay, DB, Settings, Progress);
}

TResult<TWarnings> LoadSetFile(const QString& FileName, TPropDB& DB, const TRegional& Settings,
                               const TLoadProgress& Progress) {
  DB.Clear();
  QFile Source;
  if (TDone Opened = OpenRegularFile(FileName, Source); !Opened)
    return TFailure(Opened.Failure()).At(0);
  return ReadSetFile(Source, DB, Settings, Progress);
}

TDone SaveSetFile(const QString& FileName, const TPropDB& DB, const TRegional& Settings) {
  return WriteFileAtomically(FileName,
                             [&](QIODevice& Device) { return WriteSetFile(Device, DB, Settings); });
}
