#include "database/FileNames.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>

bool ArgumentIsExact(const char* Argument) {
  return QFile::encodeName(QFile::decodeName(Argument)) == QByteArray(Argument);
}

bool NameIsExact(const QString& FileName) {
  // Text read from bytes that are not UTF-8 holds U+FFFD where they were.
  if (!FileName.contains(QChar::ReplacementCharacter))
    return true;
  const QByteArray Path = QFile::encodeName(FileName);
  qsizetype Start = 0;
  while (Start < Path.size()) {
    qsizetype End = Path.indexOf('/', Start);
    if (End < 0)
      End = Path.size();
    const QByteArray Name = Path.mid(Start, End - Start);
    if (QFile::decodeName(Name).contains(QChar::ReplacementCharacter)) {
      const QByteArray Folder =
          Start == 0 ? QByteArrayLiteral(".") : Path.left(std::max<qsizetype>(Start - 1, 1));
      DIR* Dir = opendir(Folder.constData());
      if (Dir) {
        bool Other = false;
        while (const dirent* Entry = readdir(Dir)) {
          const QByteArray Found(Entry->d_name);
          Other = Other || (Found != Name && QFile::decodeName(Found) == QFile::decodeName(Name));
        }
        closedir(Dir);
        if (Other)
          return false;
      }
    }
    Start = End + 1;
  }
  return true;
}
