// Reading the reference lists: line ends, byte-order marks, the 8-bit charset.

#include "regional/RefList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TRegional WithCharset(const QByteArray& Charset) {
  TRegional R;
  R.Charset = Charset;
  return R;
}

TEST(RefList, DecodesLinesAsTheyStand) {
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    QByteArray Charset;
    QStringList Expected;
  };
  const TCase Cases[] = {
      {"CR LF", "a\r\nb\r\n", "UTF-8", {"a", "b"}},
      {"LF", "a\nb", "UTF-8", {"a", "b"}},
      {"CR", "a\rb\r", "UTF-8", {"a", "b"}},
      {"mixed", "a\r\n\rb\n\nc", "UTF-8", {"a", "", "b", "", "c"}},
      {"LF CR is two ends", "a\n\rb", "UTF-8", {"a", "", "b"}},
      {"no trimming", " a \t\r\n  ", "UTF-8", {" a \t", "  "}},
      {"empty file", "", "UTF-8", {}},
      {"one line end", "\r\n", "UTF-8", {""}},
      {"UTF-8 mark", "\xEF\xBB\xBFz\xC3\xA9\n", "CP1251", {"zé"}},
      {"UTF-16 LE mark", QByteArray("\xFF\xFEx\0\r\0\n\0y\0", 10), "UTF-8", {"x", "y"}},
      {"UTF-16 BE mark", QByteArray("\xFE\xFF\0x\0\r\0y", 8), "UTF-8", {"x", "y"}},
      {"mark only once",
       "\xEF\xBB\xBF\xEF\xBB\xBFq",
       "UTF-8",
       {QChar(0xFEFF) + QStringLiteral("q")}},
      {"CP1251 without mark", "\xCA\xE8\xE5\xE2\n", "CP1251", {"Киев"}},
      {"KOI8-R without mark", "\xEB\xC9\xC5\xD7", "KOI8-R", {"Киев"}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(DecodeRefList(Case.Bytes, WithCharset(Case.Charset)), Case.Expected);
  }
}

TEST(RefList, MissingFileOrFolderIsNotLoaded) {
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  EXPECT_FALSE(bool(LoadRefList(Dir.filePath(QStringLiteral("none.txt")), TRegional())));
  ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder.txt")));
  EXPECT_FALSE(bool(LoadRefList(Dir.filePath(QStringLiteral("folder.txt")), TRegional())));

  QFile File(Dir.filePath(QStringLiteral("list.txt")));
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.write("one\r\ntwo\r\n");
  File.close();
  const auto Lines = LoadRefList(File.fileName(), WithCharset("UTF-8"));
  ASSERT_TRUE(Lines);
  EXPECT_EQ(*Lines, QStringList({"one", "two"}));
}

} // namespace
