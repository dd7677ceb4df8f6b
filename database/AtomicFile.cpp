#include "database/AtomicFile.h"

#include "failures/Caught.h"
#include "failures/Reasons.h"
#include "regional/Regional.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

TFailure SystemError(int Code) {
  return TFailure::System(Code);
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

TDone CopyAttributes(const char* From, int To) {
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
      return SystemError(errno);
  }
  return {};
}

// The mode that a file new to the folder gets: read and write for everyone,
// less the user's umask.
mode_t NewFileMode() {
  const mode_t Mask = umask(0);
  umask(Mask);
  return 0666 & ~Mask;
}

// Gives the new file, open as To, the identity of the file at Path that it
// replaces, or a new file's mode when there was none.
TDone CopyIdentity(const QByteArray& Path, int To) {
  struct stat Old {};
  if (stat(Path.constData(), &Old) != 0 || !S_ISREG(Old.st_mode)) {
    if (fchmod(To, NewFileMode()) != 0)
      return SystemError(errno);
    return {};
  }
  // Owner first: a change of owner clears the set-id bits that the mode sets.
  // Only root may give a file away; another user's file keeps at least its
  // group when the saving user is a member of it.
  if (fchown(To, Old.st_uid, Old.st_gid) != 0) {
    if (errno != EPERM)
      return SystemError(errno);
    if (fchown(To, static_cast<uid_t>(-1), Old.st_gid) != 0 && errno != EPERM)
      return SystemError(errno);
  }
  if (TDone Copied = CopyAttributes(Path.constData(), To); !Copied)
    return Copied;
  // After the ACL, which brings its own group bits; the mode wins.
  if (fchmod(To, Old.st_mode & 07777) != 0)
    return SystemError(errno);
  return {};
}

QByteArray FolderOf(const QByteArray& Path) {
  const qsizetype Slash = Path.lastIndexOf('/');
  if (Slash < 0)
    return QByteArrayLiteral(".");
  return Slash == 0 ? QByteArrayLiteral("/") : Path.left(Slash);
}

// The file that a save to Name replaces: symbolic links are followed, so that
// the link stays and its target gets the new contents. Anything there that is
// not a regular file (a device, a FIFO, a folder, a link that loops) is
// refused before a byte is written, so that it stays as it was.
TResult<QByteArray> SaveTarget(const QString& FileName) {
  QByteArray Path = QFile::encodeName(FileName);
  if (Path.isEmpty())
    return SystemError(ENOENT);
  for (int Links = 0;; ++Links) {
    struct stat Info {};
    if (lstat(Path.constData(), &Info) != 0) {
      if (errno == ENOENT)
        return Path; // a new file; a missing folder fails when the file is made
      return SystemError(errno);
    }
    if (S_ISREG(Info.st_mode)) {
      // A rename needs only a writable folder; the file itself must be one
      // the user may write, or its owner's protection is void.
      if (faccessat(AT_FDCWD, Path.constData(), W_OK, AT_EACCESS) != 0)
        return SystemError(errno);
      return Path;
    }
    if (!S_ISLNK(Info.st_mode))
      return TFailure::Own(Reason::NotRegularFile);
    // The same bound as the system's own path lookup.
    if (Links == 40)
      return SystemError(ELOOP);
    // As the kernel's protected_symlinks: in a sticky folder that everybody
    // may write, a link that another user put there would lead the save to
    // any file the saving user may write.
    struct stat Folder {};
    if (stat(FolderOf(Path).constData(), &Folder) == 0 && (Folder.st_mode & S_ISVTX) &&
        (Folder.st_mode & S_IWOTH) && Info.st_uid != geteuid() && Info.st_uid != Folder.st_uid)
      return TFailure::Own(Reason::ForeignLink, {QFile::decodeName(Path)});
    std::vector<char> Buffer(PATH_MAX + 1);
    const ssize_t Size = readlink(Path.constData(), Buffer.data(), Buffer.size());
    if (Size < 0)
      return SystemError(errno);
    if (static_cast<size_t>(Size) >= Buffer.size())
      return SystemError(ENAMETOOLONG);
    QByteArray Link(Buffer.data(), Size);
    const qsizetype Slash = Path.lastIndexOf('/');
    if (!Link.startsWith('/') && Slash >= 0)
      Link.prepend(Path.left(Slash + 1));
    Path = Link;
  }
}

// A name in Folder that fits whatever the length of the file's own name.
QByteArray ShortName(const QByteArray& Folder) {
  static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  QByteArray Name = Folder + "/.~";
  for (int I = 0; I < 8; ++I)
    Name += Letters[QRandomGenerator::system()->bounded(36)];
  return Name;
}

// The path that names the open file Handle, when /proc is there to give one.
QByteArray ProcPath(int Handle) {
  return "/proc/self/fd/" + QByteArray::number(Handle);
}

// Whether the unnamed file Handle can be given a name later: that goes
// through /proc, which a chroot or a container may lack or show another
// process's view of.
bool Nameable(int Handle) {
  struct stat Open {};
  struct stat Seen {};
  return fstat(Handle, &Open) == 0 && stat(ProcPath(Handle).constData(), &Seen) == 0 &&
         Open.st_dev == Seen.st_dev && Open.st_ino == Seen.st_ino;
}

// The new contents until they replace the old: an unnamed file where the
// filesystem makes one and /proc can name it (nothing is left behind even
// when the process dies), else a short random name beside the target.
class TTempFile {
public:
  // Mode is no wider than the file it replaces, so that the contents are
  // never readable by more users than they were, not even in a temporary file
  // that a killed process leaves behind.
  TDone Open(const QByteArray& Folder, mode_t Mode) {
    FFolder = Folder;
    FHandle = open(Folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, Mode);
    if (FHandle >= 0 && Nameable(FHandle))
      return {};
    if (FHandle >= 0) {
      close(FHandle);
      FHandle = -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
      return SystemError(errno);
    for (int Tries = 0; FHandle < 0; ++Tries) {
      FName = ShortName(Folder);
      FHandle = open(FName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, Mode);
      if (FHandle < 0 && (errno != EEXIST || Tries == 100)) {
        FName.clear();
        return SystemError(errno);
      }
    }
    return {};
  }
  TTempFile() = default;
  ~TTempFile() {
    if (FHandle >= 0)
      close(FHandle);
    if (!FName.isEmpty())
      unlink(FName.constData());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  int Handle() const { return FHandle; }

  TDone Commit(const QByteArray& Target) {
    if (fsync(FHandle) != 0)
      return SystemError(errno);
    if (FName.isEmpty())
      if (TDone Linked = Link(); !Linked)
        return Linked;
    if (rename(FName.constData(), Target.constData()) != 0)
      return SystemError(errno);
    FName.clear();
    return {};
  }

private:
  // Gives the unnamed file a short name, to rename over the target: a link
  // cannot replace an existing file.
  TDone Link() {
    const QByteArray Self = ProcPath(FHandle);
    for (int Tries = 0;; ++Tries) {
      const QByteArray Name = ShortName(FFolder);
      if (linkat(AT_FDCWD, Self.constData(), AT_FDCWD, Name.constData(), AT_SYMLINK_FOLLOW) == 0) {
        FName = Name;
        return {};
      }
      if (errno != EEXIST || Tries == 100)
        return SystemError(errno);
    }
  }

  QByteArray FFolder, FName;
  int FHandle = -1;
};

TDone ReplaceFile(const QString& FileName, const std::function<TDone(QIODevice&)>& Write) {
  const TResult<QByteArray> Target = SaveTarget(FileName);
  if (!Target)
    return Target.Failure();
  struct stat Old {};
  const bool Replaces = stat(Target->constData(), &Old) == 0 && S_ISREG(Old.st_mode);
  TTempFile Temp;
  if (TDone Opened = Temp.Open(FolderOf(*Target), Replaces ? (Old.st_mode & 0600) : 0600); !Opened)
    return Opened;
  // Unbuffered, so that every write reaches the file at once and its failure
  // is seen there, not in a final flush that nobody checks.
  QFile File;
  if (!File.open(Temp.Handle(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                 QFileDevice::DontCloseHandle))
    return TFailure::OfDevice(File);
  if (TDone Written = Write(File); !Written)
    return Written;
  if (File.error() != QFileDevice::NoError)
    return TFailure::OfDevice(File);
  if (TDone Copied = CopyIdentity(*Target, Temp.Handle()); !Copied)
    return Copied;
  return Temp.Commit(*Target);
}

} // namespace

TDone WriteFileAtomically(const QString& FileName, const std::function<TDone(QIODevice&)>& Write) {
  return Caught([&] { return ReplaceFile(FileName, Write); });
}

void IgnoreFileSizeSignal() {
  std::signal(SIGXFSZ, SIG_IGN);
}
