// A save replaces the file's contents, not who owns it or what is attached to
// it; it replaces only a file the user may write, and needs no /proc.

#include "database/AtomicFile.h"
#include "regional/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
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

void Write(const QString& File, const char* Text) {
  WriteFileAtomically(File, [Text](QIODevice& Device) { Device.write(Text); });
}

QByteArray Contents(const QString& File) {
  QFile F(File);
  return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArrayLiteral("<unreadable>");
}

// Runs Body in a child process, which may change its user or its mounts
// without touching the test's own; returns what the child reported: empty,
// a failure, or "skip: " and why it could not set itself up.
std::string InChild(const std::function<std::string()>& Body) {
  int Pipe[2];
  if (pipe(Pipe) != 0)
    return "no pipe";
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    std::string Said;
    try {
      Said = Body();
    } catch (const TError& E) {
      Said = "raised " + E.Message().toStdString();
    }
    const ssize_t Written = write(Pipe[1], Said.data(), Said.size());
    _exit(Written == static_cast<ssize_t>(Said.size()) ? 0 : 1);
  }
  close(Pipe[1]);
  std::string Said;
  char Buffer[256];
  for (ssize_t Got; (Got = read(Pipe[0], Buffer, sizeof Buffer)) > 0;)
    Said.append(Buffer, static_cast<size_t>(Got));
  close(Pipe[0]);
  int Status = 0;
  if (Child < 0 || waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status) ||
      WEXITSTATUS(Status) != 0)
    return "the child failed: " + Said;
  return Said;
}

bool WriteText(const char* Path, const std::string& Text) {
  const int Handle = open(Path, O_WRONLY);
  const bool Written =
      Handle >= 0 && write(Handle, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size());
  if (Handle >= 0)
    close(Handle);
  return Written;
}

// Covers /proc with an empty filesystem in a mount namespace of this process
// alone, as a chroot or a container without /proc would be. Empty on
// success, else why not.
std::string HideProc() {
  const uid_t Uid = geteuid();
  const gid_t Gid = getegid();
  if (unshare(CLONE_NEWNS) != 0) {
    // Without the right to mount, a user namespace of its own gives it.
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
      return "no mount namespace: " + qt_error_string(errno).toStdString();
    if (!WriteText("/proc/self/setgroups", "deny") ||
        !WriteText("/proc/self/uid_map", "0 " + std::to_string(Uid) + " 1") ||
        !WriteText("/proc/self/gid_map", "0 " + std::to_string(Gid) + " 1"))
      return "no user mapping: " + qt_error_string(errno).toStdString();
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
    return "cannot cover /proc: " + qt_error_string(errno).toStdString();
  return {};
}

QStringList Entries(const QTemporaryDir& Dir) {
  return QDir(Dir.path())
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
  WriteFileAtomically(File, [](QIODevice& Device) { Device.write("old"); });
  ASSERT_EQ(chown(Path, 1234, 5678), 0);
  if (setxattr(Path, Attr, "kept", 4, 0) != 0)
    GTEST_SKIP() << "the filesystem keeps no user attributes";
  ASSERT_EQ(chmod(Path, 0444), 0);

  WriteFileAtomically(File, [](QIODevice& Device) { ASSERT_EQ(Device.write("new"), 3); });

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
  const QString Own = Dir.filePath(QStringLiteral("own.vsxml"));
  const QString Others = Dir.filePath(QStringLiteral("root.vsxml"));
  const bool AsRoot = geteuid() == 0;
  if (AsRoot)
    Write(Others, "root's");
  const std::string Said = InChild([&]() -> std::string {
    if (AsRoot && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                   setresuid(65534, 65534, 65534) != 0))
      return "skip: cannot become the user nobody";
    Write(Own, "mine");
    if (chmod(QFile::encodeName(Own), 0444) != 0)
      return "no chmod";
    std::string Failures;
    for (const QString& File : AsRoot ? QStringList{Own, Others} : QStringList{Own}) {
      try {
        Write(File, "new");
        Failures += File.toStdString() + " replaced; ";
      } catch (const TError& E) {
        if (E.Message() != qt_error_string(EACCES))
          Failures += E.Message().toStdString() + "; ";
      }
    }
    return Failures;
  });
  if (Said.rfind("skip: ", 0) == 0)
    GTEST_SKIP() << Said.substr(6);
  EXPECT_EQ(Said, "");
  EXPECT_EQ(Contents(Own), "mine");
  struct stat Info {};
  if (AsRoot) {
    EXPECT_EQ(Contents(Others), "root's");
    ASSERT_EQ(stat(QFile::encodeName(Others), &Info), 0);
    EXPECT_EQ(Info.st_uid, 0u);
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
  // Empty when the save failed as it should.
  const auto Failing = [&File]() -> std::string {
    try {
      WriteFileAtomically(File, [](QIODevice& Device) {
        Device.write("half");
        throw TError(QStringLiteral("cut"));
      });
    } catch (const TError& E) {
      return E.Message() == QStringLiteral("cut") ? "" : E.Message().toStdString();
    }
    return "a failing save succeeded";
  };
  EXPECT_EQ(Failing(), "");
  EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("set.vsxml")});
  const std::string Said = InChild([&]() -> std::string {
    const std::string Why = HideProc();
    if (!Why.empty())
      return "skip: " + Why;
    if (access("/proc/self", F_OK) == 0)
      return "/proc is still there";
    const std::string Failed = Failing();
    Write(File, "new");
    return Failed;
  });
  if (Said.rfind("skip: ", 0) == 0)
    GTEST_SKIP() << Said.substr(6);
  EXPECT_EQ(Said, "");
  EXPECT_EQ(Contents(File), "new");
  struct stat Info {};
  ASSERT_EQ(stat(QFile::encodeName(File), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("set.vsxml")});
}
