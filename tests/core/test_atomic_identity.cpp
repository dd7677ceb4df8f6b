// A save replaces the file's contents, not who owns it or what is attached to it.

#include "database/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const char* const Attr = "user.brimsett.test";

// A temporary folder whose filesystem keeps user attributes: /tmp may be a
// tmpfs that does not.
std::unique_ptr<QTemporaryDir> DirWithAttributes() {
  for (const QString& Base : {QDir::tempPath(), QDir::currentPath()}) {
    auto Dir = std::make_unique<QTemporaryDir>(Base + QStringLiteral("/identity-XXXXXX"));
    const QByteArray Probe = QFile::encodeName(Dir->path());
    if (Dir->isValid() && setxattr(Probe.constData(), Attr, "x", 1, 0) == 0)
      return Dir;
  }
  return nullptr;
}

TEST(AtomicFileIdentity, OwnerGroupModeAndAttributesSurviveASave) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the file another owner";
  const auto Dir = DirWithAttributes();
  if (!Dir)
    GTEST_SKIP() << "no filesystem here keeps user attributes";
  const QString File = Dir->filePath(QStringLiteral("set.vsxml"));
  const QByteArray Path = QFile::encodeName(File);
  {
    QFile Old(File);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("old");
  }
  ASSERT_EQ(chown(Path.constData(), 1234, 5678), 0);
  ASSERT_EQ(setxattr(Path.constData(), Attr, "kept", 4, 0), 0);
  ASSERT_EQ(chmod(Path.constData(), 0444), 0);

  WriteFileAtomically(File, [](QIODevice& Device) { ASSERT_EQ(Device.write("new"), 3); });

  struct stat After {};
  ASSERT_EQ(stat(Path.constData(), &After), 0);
  EXPECT_EQ(After.st_uid, 1234u);
  EXPECT_EQ(After.st_gid, 5678u);
  EXPECT_EQ(After.st_mode & 07777, 0444u);
  char Value[16] = {};
  EXPECT_EQ(getxattr(Path.constData(), Attr, Value, sizeof Value), 4);
  EXPECT_STREQ(Value, "kept");
  QFile New(File);
  ASSERT_TRUE(New.open(QIODevice::ReadOnly));
  EXPECT_EQ(New.readAll(), QByteArray("new"));
}

} // namespace
