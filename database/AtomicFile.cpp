#include "database/AtomicFile.h"

#include "regional/Regional.h"

#include <QSaveFile>

void WriteFileAtomically(const QString& FileName, const std::function<void(QIODevice&)>& Write) {
  // Unbuffered, so that every write reaches the file at once and its failure
  // is seen there: QSaveFile's commit() ignores a short write in its final
  // flush and would rename a cut file into place.
  QSaveFile File(FileName);
  if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw TError(File.errorString());
  try {
    Write(File);
  } catch (...) {
    File.cancelWriting();
    throw;
  }
  if (File.error() != QFileDevice::NoError) {
    const QString Reason = File.errorString();
    File.cancelWriting();
    throw TError(Reason);
  }
  if (!File.commit())
    throw TError(File.errorString());
}
