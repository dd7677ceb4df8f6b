#pragma once

// The reader's reasons reach the user through ReasonText; their wordings live
// with the catalogue's tables.

#include "regional/ParseReasons.h"

#include <QString>

// A reason as the reader stores it: in English, translated where it is shown.
inline QString ReasonText(const char* Text) {
  return QString::fromUtf8(Text);
}
