#include "database/RegularFile.h"

#include "failures/Reasons.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool SameFile(const QString& A, const QString& B) {
  struct stat InfoA, InfoB;
  return ::stat(QFile::encodeName(A).constData(), &InfoA) == 0 &&
         ::stat(QFile::encodeName(B).constData(), &InfoB) == 0 && InfoA.st_dev == InfoB.st_dev &&
         InfoA.st_ino == InfoB.st_ino;
}

TDone OpenRegularFile(const QString& FileName, QFile& File) {
  const int Fd = ::open(QFile::encodeName(FileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Fd < 0)
    return TFailure::System(errno);
  struct stat Info;
  if (::fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) {
    ::close(Fd);
    return TFailure::Own(Reason::NotRegularFile);
  }
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
  if (!File.open(Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(Fd);
    return TFailure::OfDevice(File);
  }
  return {};
}
