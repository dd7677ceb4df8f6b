// Writes the bash completion of brimsett-tool, made from its table of
// options, to the file named by the one argument; run by the build.

#include "Options.h"

#include <QFile>

int main(int argc, char** argv) {
  if (argc != 2)
    return 2;
  QFile Out(QFile::decodeName(argv[1]));
  const QByteArray Script = BashCompletion();
  return Out.open(QIODevice::WriteOnly) && Out.write(Script) == Script.size() && Out.flush() ? 0
                                                                                             : 1;
}
