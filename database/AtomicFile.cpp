#include "database/AtomicFile.h"

#include "regional/Regional.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

TError SystemError(int Code) {
  return TError(qt_error_string(Code));
}

// Refusals that leave an attribute behind without failing the save: the
// user may not set it, or the new file's filesystem does not keep it.
bool Tolerated(int Code) {
  return Code == EPERM || Code == EACCES || Code == ENOTSUP || Code == EINVAL;
}

// Reads a list or a value whose size may change between asking and reading.
template <class TRead> std::vector<char> ReadSized(TRead Read) {
  for (;;) {
    const ssize_t Size = Read(nullptr, 0);
    if (Size <= 0)
      return {};
    std::vector<char> Buffer(static_cast<size_t>(Size));
    const ssize_t Got = Read(Buffer.data(), Buffer.size());
    if (Got >= 0) {
      Buffer.resize(static_cast<size_t>(Got));
      return Buffer;
    }
    if (errno != ERANGE)
      return {};
  }
}

void CopyAttributes(const char* From, int To) {
  const std::vector<char> Names =
      ReadSized([From](char* Buffer, size_t Size) { return listxattr(From, Buffer, Size); });
  for (size_t At = 0; At < Names.size();) {
    const char* Name = Names.data() + At;
    At += strlen(Name) + 1;
    const std::vector<char> Value = ReadSized(
        [From, Name](char* Buffer, size_t Size) { return getxattr(From, Name, Buffer, Size); });
    // An empty value reads as none above; ask once more to tell them apart.
    if (Value.empty() && getxattr(From, Name, nullptr, 0) != 0)
      continue;
    if (fsetxattr(To, Name, Value.data(), Value.size(), 0) != 0 && !Tolerated(errno))
      throw SystemError(errno);
  }
}

// Gives the new file, open as To, the identity of the file it replaces.
void CopyIdentity(const QString& FileName, int To) {
  const QByteArray Path = QFile::encodeName(FileName);
  struct stat Old {};
  // stat follows a symbolic link, as the save itself does.
  if (stat(Path.constData(), &Old) != 0 || !S_ISREG(Old.st_mode))
    return;
  // Owner first: a change of owner clears the set-id bits that the mode sets.
  // Only root may give a file away; another user's file keeps at least its
  // group when the saving user is a member of it.
  if (fchown(To, Old.st_uid, Old.st_gid) != 0) {
    if (errno != EPERM)
      throw SystemError(errno);
    if (fchown(To, static_cast<uid_t>(-1), Old.st_gid) != 0 && errno != EPERM)
      throw SystemError(errno);
  }
  CopyAttributes(Path.constData(), To);
  // After the ACL, which brings its own group bits; the mode wins.
  if (fchmod(To, Old.st_mode & 07777) != 0)
    throw SystemError(errno);
}

} // namespace

void WriteFileAtomically(const QString& FileName, const std::function<void(QIODevice&)>& Write) {
  // Unbuffered, so that every write reaches the file at once and its failure
  // is seen there: QSaveFile's commit() ignores a short write in its final
  // flush and would rename a cut file into place.
  QSaveFile File(FileName);
  if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw TError(File.errorString());
  try {
    Write(File);
    if (File.error() == QFileDevice::NoError)
      CopyIdentity(FileName, File.handle());
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

void IgnoreFileSizeSignal() {
  std::signal(SIGXFSZ, SIG_IGN);
}
