// A save replaces the file's contents, not who owns it or what is attached to
// it; it replaces only a file the user may write, and needs no /proc.

#include "database/AtomicFile.h"
#include "failures/Caught.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A failure raised in a child process, to report as any other.
struct TRaised {
  TFailure Failure;
  QString Message() const { return FailureText(Failure); }
};

// Raises the failure, so that a child process can report it as any other.
void Write(const QString& File, const char* Text) {
  const TDone Done = WriteFileAtomically(File, [Text](QIODevice& Device) -> TDone {
    Device.write(Text);
    return {};
  });
  if (!Done)
    throw TRaised{Done.Failure()};
}

QByteArray Contents(const QString& File) {
  QFile F(File);
  return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArrayLiteral("<unreadable>");
}

QStringList Entries(const QTemporaryDir& Dir) {
  return QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Runs Body in a child process, free to change its user or its mounts. Body
// returns a failure, none, or "skip: " and why, which the child prints; the
// result is 0, 1 or 2 for those.
int InChild(const std::function<std::string()>& Body) {
  const pid_t Child = fork();
  if (Child == 0) {
    std::string Said;
    try {
      Said = Body();
    } catch (const TRaised& E) {
      Said = "raised " + E.Message().toStdString();
    }
    if (!Said.empty())
      std::fputs((Said + "\n").c_str(), stderr);
    _exit(Said.empty() ? 0 : Said.rfind("skip: ", 0) == 0 ? 2 : 1);
  }
  int Status = 0;
  return Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status) ? WEXITSTATUS(Status)
                                                                               : 1;
}

// Covers /proc with an empty filesystem in a mount namespace of this process
// alone, as a chroot or a container without /proc would be.
std::string HideProc() {
  const std::string Uid = std::to_string(geteuid()), Gid = std::to_string(getegid());
  // Without the right to mount, a user namespace of its own gives it.
  if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0)
    for (const auto& [Name, Text] : {std::pair<const char*, std::string>{"setgroups", "deny"},
                                     {"uid_map", "0 " + Uid + " 1"},
                                     {"gid_map", "0 " + Gid + " 1"}}) {
      QFile Map(QStringLiteral("/proc/self/") + QLatin1String(Name));
      if (!Map.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
          Map.write(Text.data(), Text.size()) != qint64(Text.size()))
        return "skip: no user namespace";
    }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
    return "skip: cannot mount over /proc: " + qt_error_string(errno).toStdString();
  return access("/proc/self", F_OK) == 0 ? "/proc is still there" : "";
}

} // namespace

TEST(AtomicFileIdentity, OwnerGroupModeAndAttributesSurviveASave) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the file another owner";
  // In the build tree: /tmp may be a tmpfs that keeps no user attributes.
  QTemporaryDir Dir(QDir::currentPath() + QStringLiteral("/identity-XXXXXX"));
  const QString File = Dir.filePath(QStringLiteral("set.vsxml"));
  const QByteArray Path = QFile::encodeName(File);
  const char* const Attr = "user.brimsett.test";
  const auto Put = [](QByteArray Bytes) {
    return [Bytes](QIODevice& Device) -> TDone {
      if (Device.write(Bytes) != Bytes.size())
        return TFailure::OfDevice(Device);
      return {};
    };
  };
  ASSERT_TRUE(WriteFileAtomically(File, Put("old")));
  ASSERT_EQ(chown(Path, 1234, 5678), 0);
  if (setxattr(Path, Attr, "kept", 4, 0) != 0)
    GTEST_SKIP() << "the filesystem keeps no user attributes";
  ASSERT_EQ(chmod(Path, 0444), 0);

  ASSERT_TRUE(WriteFileAtomically(File, Put("new")));

  struct stat After {};
  ASSERT_EQ(stat(Path, &After), 0);
  EXPECT_EQ(After.st_uid, 1234u);
  EXPECT_EQ(After.st_gid, 5678u);
  EXPECT_EQ(After.st_mode & 07777, 0444u);
  char Value[16] = {};
  EXPECT_EQ(getxattr(Path, Attr, Value, sizeof Value), 4);
  EXPECT_STREQ(Value, "kept");
}

// A rename needs only a writable folder: in one that everybody may write
// (without the sticky bit of /tmp, which would stop the rename itself), the
// user's own read-only file and another user's file would be replaced. Root
// may write anything, so the save runs as nobody there.
TEST(AtomicFileAccess, AFileTheUserMayNotWriteIsRefusedAndKept) {
  QTemporaryDir Dir(QDir::tempPath() + QStringLiteral("/access-XXXXXX"));
  ASSERT_EQ(chmod(QFile::encodeName(Dir.path()), 0777), 0);
  const QString Own = Dir.filePath(QStringLiteral("own")), Root = Dir.filePath("root");
  const bool AsRoot = geteuid() == 0;
  if (AsRoot)
    Write(Root, "root's");
  const int Result = InChild([&]() -> std::string {
    if (AsRoot && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                   setresuid(65534, 65534, 65534) != 0))
      return "skip: cannot become the user nobody";
    Write(Own, "mine");
    chmod(QFile::encodeName(Own), 0444);
    std::string Failures;
    for (const QString& File : AsRoot ? QStringList{Own, Root} : QStringList{Own})
      try {
        Write(File, "new");
        Failures += File.toStdString() + " replaced; ";
      } catch (const TRaised& E) {
        if (E.Message() != qt_error_string(EACCES))
          Failures += E.Message().toStdString() + "; ";
      }
    return Failures;
  });
  if (Result == 2)
    GTEST_SKIP() << "the child said why";
  EXPECT_EQ(Result, 0);
  EXPECT_EQ(Contents(Own), "mine");
  if (AsRoot) {
    EXPECT_EQ(Contents(Root), "root's");
    EXPECT_EQ(QFileInfo(Root).ownerId(), 0u);
  }
  EXPECT_EQ(Entries(Dir).size(), AsRoot ? 2 : 1);
}

// Without /proc the unnamed temporary file cannot be named; a named one takes
// its place, and a failed save leaves no temporary file either way.
TEST(AtomicFileWithoutProc, SavesKeepingTheModeAndFailuresLeaveNothing) {
  QTemporaryDir Dir(QDir::currentPath() + QStringLiteral("/noproc-XXXXXX"));
  const QString File = Dir.filePath(QStringLiteral("set.vsxml"));
  Write(File, "old");
  ASSERT_EQ(chmod(QFile::encodeName(File), 0640), 0);
  // The temporary file is no wider than the file it replaces from its first
  // byte: a killed save leaves nothing that others may read.
  mode_t TempMode = 07777;
  const auto Watching = [&File, &TempMode]() {
    const TDone Done = WriteFileAtomically(File, [&TempMode](QIODevice& Device) -> TDone {
      struct stat Info {};
      if (fstat(static_cast<QFile&>(Device).handle(), &Info) == 0)
        TempMode = Info.st_mode & 07777;
      Device.write("new");
      return {};
    });
    if (!Done)
      throw TRaised{Done.Failure()};
  };
  const auto Failing = [&File]() -> std::string {
    const TDone Done =
        WriteFileAtomically(File, [](QIODevice&) { return TDone(TFailure::Foreign("cut")); });
    return Done ? "a failing save succeeded" : "";
  };
  EXPECT_EQ(Failing(), "");
  const int Result = InChild([&]() -> std::string {
    const std::string Hidden = HideProc();
    if (!Hidden.empty())
      return Hidden;
    const std::string Failed = Failing();
    Watching();
    return Failed + (TempMode == 0600 ? "" : "temporary file mode " + std::to_string(TempMode));
  });
  if (Result == 2)
    GTEST_SKIP() << "the child said why";
  EXPECT_EQ(Result, 0);
  EXPECT_EQ(Contents(File), "new");
  EXPECT_EQ(QFileInfo(File).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadUser | QFile::WriteUser);
  EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("set.vsxml")});
}

// A link that another user put into a sticky folder that everybody may write
// (as /tmp) is not followed: it could lead the save to any of the user's
// files. The user's own link there is.
TEST(AtomicFileAccess, AnotherUsersLinkInASharedFolderIsRefused) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the link another owner";
  QTemporaryDir Dir(QDir::tempPath() + QStringLiteral("/shared-XXXXXX"));
  ASSERT_EQ(chmod(QFile::encodeName(Dir.path()), 01777), 0);
  const QString Target = Dir.filePath(QStringLiteral("target")),
                Foreign = Dir.filePath(QStringLiteral("foreign")),
                Own = Dir.filePath(QStringLiteral("own"));
  Write(Target, "old");
  ASSERT_TRUE(QFile::link(Target, Foreign) && QFile::link(Target, Own));
  ASSERT_EQ(lchown(QFile::encodeName(Foreign), 65534, 65534), 0);
  const TDone Refused = WriteFileAtomically(Foreign, [](QIODevice&) { return TDone(); });
  ASSERT_FALSE(Refused);
  EXPECT_TRUE(FailureText(Refused.Failure()).contains(Foreign));
  EXPECT_EQ(Contents(Target), "old");
  Write(Own, "new");
  EXPECT_EQ(Contents(Target), "new");
}
