// A save replaces the file's contents, not who owns it or what is attached to it.

#include "database/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

TEST(AtomicFileIdentity, OwnerGroupModeAndAttributesSurviveASave) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the file another owner";
  const char* const Attr = "user.brimsett.test";
  // /tmp may be a tmpfs that keeps no user attributes; the build tree then.
  std::unique_ptr<QTemporaryDir> Dir;
  for (const QString& Base : {QDir::tempPath(), QDir::currentPath()}) {
    Dir = std::make_unique<QTemporaryDir>(Base + QStringLiteral("/identity-XXXXXX"));
    if (Dir->isValid() && setxattr(QFile::encodeName(Dir->path()), Attr, "x", 1, 0) == 0)
      break;
    Dir.reset();
  }
  if (!Dir)
    GTEST_SKIP() << "no filesystem here keeps user attributes";
  const QString File = Dir->filePath(QStringLiteral("set.vsxml"));
  const QByteArray Path = QFile::encodeName(File);
  WriteFileAtomically(File, [](QIODevice& Device) { Device.write("old"); });
  ASSERT_EQ(chown(Path, 1234, 5678), 0);
  ASSERT_EQ(setxattr(Path, Attr, "kept", 4, 0), 0);
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
  QFile New(File);
  ASSERT_TRUE(New.open(QIODevice::ReadOnly));
  EXPECT_EQ(New.readAll(), QByteArray("new"));
}
