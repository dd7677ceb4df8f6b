// The hostile files, and the peak memory of a load measured in a fresh
// process.

#include "bench/SetFileBench.h"

#include "database/PropDB.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"

#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {

// The peak resident memory of this process in kB.
long HighWaterKB() {
  QFile Status(QStringLiteral("/proc/self/status"));
  if (!Status.open(QIODevice::ReadOnly))
    return -1;
  for (const QByteArray& Line : Status.readAll().split('\n'))
    if (Line.startsWith("VmHWM:"))
      return Line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

} // namespace

THostileFiles::THostileFiles() {
  const QByteArray Guid = "GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\"";
  QByteArray Bytes[hCount];
  Bytes[hAttributes] = "<propdb><type " + Guid;
  for (int I = 0; I < 200000; ++I)
    Bytes[hAttributes] += " a" + QByteArray::number(I) + "=\"\"";
  Bytes[hAttributes] += "/></propdb>";
  // One entity of 4,000 characters referenced 250,000 times.
  Bytes[hAmplification] = "<!DOCTYPE propdb [<!ENTITY e \"" + QByteArray(4000, 'x') +
                          "\">]><propdb><type " + Guid + " name=\"" +
                          QByteArray("&e;").repeated(250000) + "\"/></propdb>";
  Bytes[hDefaults] = "<!DOCTYPE propdb [<!ATTLIST x";
  for (int I = 0; I < 10000; ++I)
    Bytes[hDefaults] += " a" + QByteArray::number(I) + " CDATA \"\"";
  Bytes[hDefaults] += ">]><propdb>" + QByteArray("<x/>").repeated(250000) + "</propdb>";
  Bytes[hNesting] = "<propdb>" + QByteArray("<x>").repeated(1000000);
  // 32 MB of empty elements, each of another name: the parser keeps an entry
  // for every name it meets.
  Bytes[hNames] = "<propdb>";
  for (int I = 0; Bytes[hNames].size() < (32 << 20); ++I) {
    QByteArray Name;
    for (int N = I; Name.isEmpty() || N > 0; N /= 52)
      Name += "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"[N % 52];
    Bytes[hNames] += "<" + Name + "/>";
  }
  Bytes[hNames] += "</propdb>";
  // 2 MB of sets, each with as many attributes as an element may have, all
  // of other names.
  Bytes[hAttributeNames] = "<propdb>";
  for (int I = 0; Bytes[hAttributeNames].size() < (2 << 20);) {
    Bytes[hAttributeNames] += "<type " + Guid;
    for (int A = 1; A < 1000; ++A)
      Bytes[hAttributeNames] += " a" + QByteArray::number(I++) + "=\"\"";
    Bytes[hAttributeNames] += "/>";
  }
  Bytes[hAttributeNames] += "</propdb>";
  for (int H = 0; H < hCount; ++H) {
    Path[H] = Dir.filePath(QStringLiteral("hostile%1.vsxml").arg(H));
    QFile F(Path[H]);
    F.open(QIODevice::WriteOnly);
    F.write(Bytes[H]);
    Size[H] = Bytes[H].size();
  }
}

const THostileFiles& Hostile() {
  static const THostileFiles Files;
  return Files;
}

void BM_LoadHostile(benchmark::State& State) {
  TRegional::SetCurrent(CommaRegional());
  const THostileFiles& Files = Hostile();
  const int H = int(State.range(0));
  for (auto _ : State) {
    TPropDB DB;
    // Most of them fail, which is what is measured.
    (void)LoadFromXML(DB, Files.Path[H], TRegional::Current());
    benchmark::DoNotOptimize(DB.TypeCount());
  }
  State.SetBytesProcessed(State.iterations() * Files.Size[H]);
}

int PeakLoad(const char* Path) {
  TRegional::SetCurrent(CommaRegional());
  {
    // Everything that any load needs once, before the baseline.
    TPropDB Warm;
    Must(LoadFromXMLBytes(Warm, "<propdb/>", TRegional::Current()));
  }
  const long Before = HighWaterKB();
  TPropDB DB;
  // A hostile file fails; its memory counts all the same.
  (void)LoadFromXML(DB, QString::fromLocal8Bit(Path), TRegional::Current());
  const long After = HighWaterKB();
  const QByteArray Line = QByteArray::number(qint64(Before)) + ' ' +
                          QByteArray::number(qint64(After)) + ' ' +
                          QByteArray::number(DB.PropCount()) + '\n';
  std::fwrite(Line.constData(), 1, size_t(Line.size()), stdout);
  return 0;
}

double PeakAbove(const QString& Path, int Items) {
  QProcess Child;
  Child.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--peak-load"), Path});
  Child.waitForFinished(-1);
  const QList<QByteArray> Fields = Child.readAllStandardOutput().trimmed().split(' ');
  if (Fields.size() != 3 || (Items >= 0 && Fields[2].toInt() != Items))
    return -1;
  return double(Fields[1].toLong() - Fields[0].toLong()) * 1024;
}

// The bound is 64 MiB + 16 times the file size.
void BM_HostilePeakMemory(benchmark::State& State) {
  const THostileFiles& Files = Hostile();
  const int H = int(State.range(0));
  double Above = 0;
  for (auto _ : State) {
    Above = PeakAbove(Files.Path[H], -1);
    if (Above < 0) {
      State.SkipWithError("the measuring process failed");
      return;
    }
  }
  const double Bound = 64.0 * 1024 * 1024 + 16.0 * double(Files.Size[H]);
  State.counters["file_MB"] = double(Files.Size[H]) / 1e6;
  State.counters["peak_above_start_MB"] = Above / 1e6;
  State.counters["peak_per_bound"] = Above / Bound;
}
