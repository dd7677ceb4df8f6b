#include "database/setfile/KeptReads.h"

#include <new>

namespace {
qint64 KeepFault = 0, KeptReads = 0;
} // namespace

void SetKeepFault(qint64 N) {
  KeepFault = N;
  KeptReads = 0;
}

void CountKeptRead() {
  if (KeepFault > 0 && ++KeptReads == KeepFault)
    throw std::bad_alloc();
}
