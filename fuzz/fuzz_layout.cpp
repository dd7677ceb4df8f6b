// Reads every input through the set file reader (the layout reader first,
// the general reader after it gives up) and through the general reader
// alone, and fails on any difference in the records or in the outcome: the
// general reader is the oracle. Inputs of odd length come through a device
// that cannot seek and gives a few bytes at a time, so that elements are cut
// anywhere and the kept bytes are read again, or large pieces, as a real pipe
// does. Some of those run out of memory at a kept read: the load must then
// fail as out of memory with nothing loaded, or be the oracle's if the read
// never came.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/KeptReads.h"
#include "database/setfile/LayoutReader.h"
#include "database/setfile/PlainScan.h"
#include "database/setfile/Reader.h"
#include "failures/Reasons.h"
#include "fuzz/FuzzSettings.h"
#include "tests/TestRecords.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

void Check(bool Condition) {
  if (!Condition)
    std::abort();
}

class TTrickle : public QIODevice {
public:
  TTrickle(const QByteArray& Bytes, qint64 Piece) : FBytes(Bytes), FPiece(Piece) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char* Data, qint64 MaxSize) override {
    const qint64 Size = std::min({MaxSize, FPiece, qint64(FBytes.size()) - FAt});
    std::memcpy(Data, FBytes.constData() + FAt, size_t(Size));
    FAt += Size;
    return Size;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  const QByteArray& FBytes;
  qint64 FPiece;
  qint64 FAt = 0;
};

TResult<TWarnings> Read(const QByteArray& Bytes, bool Layout, TPropDB& DB) {
  QByteArray Copy = Bytes;
  QBuffer Buffer(&Copy);
  Buffer.open(QIODevice::ReadOnly);
  TTrickle Trickle(Bytes, Bytes.size() % 4 == 3 ? 65536 : 1 + qint64(Bytes.size() / 2 % 97));
  QIODevice& Device = Bytes.size() % 2 ? static_cast<QIODevice&>(Trickle) : Buffer;
  return Layout ? ReadSetFile(Device, DB, TRegional::Current())
                : ReadThroughExpat(Device, DB, TRegional::Current());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FixSettings();

  const QByteArray Bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
  TPropDB A, B;
  const bool Faulty = Size % 8 == 5;
  if (Faulty)
    SetKeepFault(1 + qint64(Size / 8 % 4));
  const TResult<TWarnings> ReadA = Read(Bytes, true, A);
  SetKeepFault(0);
  // By its words: a reason's text may stand at another address in each file.
  if (Faulty && !ReadA &&
      FailureText(ReadA.Failure()) == FailureText(TFailure::Own(Reason::OutOfMemory))) {
    Check(A.TypeCount() == 0 && A.PropCount() == 0);
    return 0;
  }
  // The same outcome: the same failure, or the same warnings.
  const TResult<TWarnings> ReadB = Read(Bytes, false, B);
  Check(bool(ReadA) == bool(ReadB));
  Check(ReadA ? *ReadA == *ReadB : ReadA.Failure() == ReadB.Failure());
  Check(Printed(A) == Printed(B));
  return 0;
}
