#pragma once

// What the set file benchmark's files share.

#include "failures/Failure.h"

#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

enum THostile { hAttributes, hAmplification, hDefaults, hNesting, hNames, hAttributeNames, hCount };

struct THostileFiles {
  QTemporaryDir Dir;
  QString Path[hCount];
  qint64 Size[hCount] = {};
  THostileFiles();
};

// Hostile files, made once.
const THostileFiles& Hostile();

// "--peak-load FILE": a fresh process loads FILE and prints its peak resident
// memory in kB before and after.
int PeakLoad(const char* Path);
// Peak memory above the start of a fresh process that loads Path; -1 when
// the process failed or loaded another number of items than Items (-1: any).
double PeakAbove(const QString& Path, int Items);

void BM_LoadHostile(benchmark::State& State);
void BM_HostilePeakMemory(benchmark::State& State);

// A load or save that failed measures nothing: the benchmark stops there.
template <class T> void Must(const TResult<T>& Result) {
  if (!Result)
    qFatal("%s", qPrintable(FailureText(Result.Failure())));
}
