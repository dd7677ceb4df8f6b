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
