#pragma once

// What the set file tests share. The fixture is one class for all of them,
// as the test framework wants of one suite.

#include "database/PropDB.h"
#include "tests/TestFailure.h"
#include "tests/TestSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

inline TGUID G(const char* Text) {
  return Ok(StringToGUID(QString::fromLatin1(Text)));
}

// Sets and their items by name: "A[a1,a2] B[]".
inline std::string Describe(const TPropDB& DB) {
  QString Out;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const PTypeRecord Type = DB.Types(T);
    if (T > 0)
      Out += u' ';
    Out += Type->Name + u'[';
    bool First = true;
    for (int P = 0; P < DB.PropCount(); ++P) {
      if (DB.Props(P)->Parent != Type)
        continue;
      if (!First)
        Out += u',';
      Out += DB.Props(P)->Name;
      First = false;
    }
    Out += u']';
  }
  return Out.toStdString();
}

class SetFile : public ::testing::Test {
protected:
  TRegionalScope Regional{CommaRegional()};
  QTemporaryDir Dir;
  QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
};
