// The set file and the database on a large document: 1,000 sets of 100 items
// (about 16 MB) under a comma-separator setting.
//
// The document is the writer's, so the load goes through the layout reader;
// the same document reformatted (LF line breaks, tab indentation) is loaded
// beside the general reader alone on it, which is what its load cost before
// the layout reader; and the peak memory of a load of 1,000,000 items.
//
// Loading and saving are measured beside a bare QXmlStreamReader pass that
// reads every attribute value, a bare expat pass with no handlers (the load's
// baseline) and a bare QXmlStreamWriter that writes the same elements and
// attribute texts (the save's); the command-line export against the check of the
// same 300,000 items, each a whole process; RemoveType of a set holding half of the items
// at 50,000 and 100,000 items; the peak memory of a load in a fresh process;
// and hostile files (200,000 attributes on one element, entity amplification,
// attribute defaults, deep nesting, distinct element names, 2 MB of distinct
// attribute names on many elements), whose time per byte is compared with the
// normal document's through the general reader (where they go) and whose peak
// memory with 64 MiB + 16 times their size.
// The rows run interleaved unless the command line says otherwise, so that a
// busy machine weighs on all of them alike; the ratios against the targets are
// printed at the end.

#include "bench/SetFileBench.h"
#include "database/PropDB.h"
#include "database/setfile/LayoutReader.h"
#include "database/setfile/Reader.h"
#include "tests/TestSetFile.h"
#include "tests/TestSettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>
#include <expat.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int SetCount = 1000;
constexpr int ItemsPerSet = 100;

void FillDocument(TPropDB& DB, int Sets = SetCount) {
  for (int S = 0; S < Sets; ++S) {
    const PTypeRecord T = DB.AddType();
    NewGUID(T->GUID);
    T->Name = QStringLiteral("Набор принадлежностей № ") + QString::number(S);
    T->Language = QStringLiteral("Русский");
    T->Country = QStringLiteral("Россия");
    for (int I = 0; I < ItemsPerSet; ++I) {
      const PPropRecord P = DB.AddProp(T);
      NewGUID(P->GUID);
      P->Name = QStringLiteral("Предмет номер ") + QString::number(S * ItemsPerSet + I);
      P->Detail = I % 3;
      P->Default = I % 2 == 0;
      P->Date = *EncodeDate(2000 + I % 25, 1 + I % 12, 1 + I % 28);
      P->Cost = (S * ItemsPerSet + I) * 1.25 + 0.01;
      P->Curr = QStringLiteral("RUB");
    }
  }
}

// The generated file, made once.
struct TBenchDocument {
  QTemporaryDir Dir;
  QString Path;
  qint64 Size = 0;
  explicit TBenchDocument(const char* Name = "bench.vsxml", int Sets = SetCount) {
    TRegional::SetCurrent(CommaRegional());
    Path = Dir.filePath(QString::fromLatin1(Name));
    TPropDB DB;
    FillDocument(DB, Sets);
    Must(SaveToXML(DB, Path, TRegional::Current()));
    Size = QFile(Path).size();
  }
  QByteArray Bytes() const {
    QFile F(Path);
    F.open(QIODevice::ReadOnly);
    return F.readAll();
  }
};

const TBenchDocument& Document() {
  static const TBenchDocument Doc;
  return Doc;
}

// The document reformatted as another program might save it: LF line breaks,
// or tabs for the indentation. The layout reader gives up on the first lines
// and the general reader reads it all.
struct TReformatted {
  QString Path[2];
  TReformatted() {
    const TBenchDocument& Doc = Document();
    QByteArray Bytes[2] = {Doc.Bytes().replace("\r\n", "\n"),
                           Doc.Bytes().replace("\r\n    ", "\r\n\t\t").replace("\r\n  ", "\r\n\t")};
    for (int I = 0; I < 2; ++I) {
      Path[I] = Doc.Dir.filePath(QStringLiteral("reformatted%1.vsxml").arg(I));
      QFile F(Path[I]);
      F.open(QIODevice::WriteOnly);
      F.write(Bytes[I]);
    }
  }
};

const TReformatted& Reformatted() {
  static const TReformatted Files;
  return Files;
}

// A reformatted file through the load, which tries the layout reader first.
void BM_LoadReformatted(benchmark::State& State) {
  const QString& Path = Reformatted().Path[State.range(0)];
  for (auto _ : State) {
    TPropDB DB;
    Must(LoadFromXML(DB, Path, TRegional::Current()));
    benchmark::DoNotOptimize(DB.PropCount());
  }
}

// The same file through the general reader alone, as every file was read
// before the layout reader.
void BM_LoadReformattedExpat(benchmark::State& State) {
  const QString& Path = Reformatted().Path[State.range(0)];
  for (auto _ : State) {
    TPropDB DB;
    QFile File(Path);
    File.open(QIODevice::ReadOnly);
    Must(ReadThroughExpat(File, DB, TRegional::Current()));
    benchmark::DoNotOptimize(DB.PropCount());
  }
}

void BM_LoadFromXML(benchmark::State& State) {
  const TBenchDocument& Doc = Document();
  for (auto _ : State) {
    TPropDB DB;
    Must(LoadFromXML(DB, Doc.Path, TRegional::Current()));
    benchmark::DoNotOptimize(DB.PropCount());
  }
  State.SetBytesProcessed(State.iterations() * Doc.Size);
}

// The document through the general reader alone: its load before the
// layout reader, and the measure of the hostile files, which go there.
void BM_LoadGeneral(benchmark::State& State) {
  const TBenchDocument& Doc = Document();
  for (auto _ : State) {
    TPropDB DB;
    QFile File(Doc.Path);
    File.open(QIODevice::ReadOnly);
    Must(ReadThroughExpat(File, DB, TRegional::Current()));
    benchmark::DoNotOptimize(DB.PropCount());
  }
  State.SetBytesProcessed(State.iterations() * Doc.Size);
}

// The same bytes through the parser alone, every attribute value read.
void BM_BareReader(benchmark::State& State) {
  const TBenchDocument& Doc = Document();
  QByteArray Bytes = Doc.Bytes();
  for (auto _ : State) {
    // Through a device, the parser's fastest way to take bytes in memory.
    QBuffer Device(&Bytes);
    Device.open(QIODevice::ReadOnly);
    QXmlStreamReader Reader(&Device);
    Reader.setNamespaceProcessing(false);
    qsizetype Sum = 0;
    while (!Reader.atEnd()) {
      if (Reader.readNext() == QXmlStreamReader::StartElement)
        for (const QXmlStreamAttribute& A : Reader.attributes())
          Sum += A.value().size();
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetBytesProcessed(State.iterations() * Doc.Size);
}

// Bytes through expat with no handlers, in the reader's 64 KiB pieces.
void ParseBare(benchmark::State& State, const QByteArray& Bytes) {
  constexpr qsizetype Piece = 64 * 1024;
  for (auto _ : State) {
    XML_Parser Parser = XML_ParserCreate(nullptr);
    bool Ok = true;
    for (qsizetype At = 0; Ok && At < Bytes.size(); At += Piece) {
      const qsizetype Size = std::min(Piece, Bytes.size() - At);
      Ok = XML_Parse(Parser, Bytes.constData() + At, int(Size), At + Size == Bytes.size()) ==
           XML_STATUS_OK;
    }
    XML_ParserFree(Parser);
    if (!Ok) {
      State.SkipWithError("expat refused the document");
      return;
    }
  }
  State.SetBytesProcessed(State.iterations() * Bytes.size());
}

// The document through expat alone: the load's baseline.
void BM_BareExpat(benchmark::State& State) {
  ParseBare(State, Document().Bytes());
}

// The 200,000-attribute file through expat alone: the parser's own share of
// its load.
void BM_BareExpatAttributes(benchmark::State& State) {
  QFile File(Hostile().Path[hAttributes]);
  File.open(QIODevice::ReadOnly);
  ParseBare(State, File.readAll());
}

// Save(DB, FileName) over and over on the loaded document.
template <class TSave> void MeasureSave(benchmark::State& State, const char* Name, TSave Save) {
  const TBenchDocument& Doc = Document();
  TPropDB DB;
  Must(LoadFromXML(DB, Doc.Path, TRegional::Current()));
  const QString Out = Doc.Dir.filePath(QString::fromLatin1(Name));
  for (auto _ : State)
    Save(DB, Out);
  State.SetBytesProcessed(State.iterations() * Doc.Size);
}

void BM_SaveToXML(benchmark::State& State) {
  MeasureSave(State, "saved.vsxml", [](const TPropDB& DB, const QString& Out) {
    Must(SaveToXML(DB, Out, TRegional::Current()));
  });
}

// The same elements and attribute texts, already made, through the writer
// alone into a plain file of the same folder.
void BM_BareWriter(benchmark::State& State) {
  const TBenchDocument& Doc = Document();
  TPropDB DB;
  Must(LoadFromXML(DB, Doc.Path, TRegional::Current()));
  const TRegional& R = TRegional::Current();
  std::vector<std::array<QString, 4>> Types;
  std::vector<std::array<QString, 7>> Props;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const PTypeRecord Rec = DB.Types(T);
    Types.push_back({GUIDToString(Rec->GUID), Rec->Name, Rec->Language, Rec->Country});
  }
  for (int P = 0; P < DB.PropCount(); ++P) {
    const PPropRecord Rec = DB.Props(P);
    Props.push_back({GUIDToString(Rec->GUID), Rec->Name, QString::number(Rec->Detail),
                     Rec->Default ? QStringLiteral("1") : QStringLiteral("0"),
                     *DateToFileStr(Rec->Date, R), CostToStr(Rec->Cost, R.DecimalSeparator),
                     Rec->Curr});
  }
  static const QString TypeNames[] = {QStringLiteral("GUID"), QStringLiteral("name"),
                                      QStringLiteral("language"), QStringLiteral("country")};
  static const QString PropNames[] = {QStringLiteral("GUID"),   QStringLiteral("name"),
                                      QStringLiteral("detail"), QStringLiteral("default"),
                                      QStringLiteral("date"),   QStringLiteral("cost"),
                                      QStringLiteral("curr")};
  const QString Out = Doc.Dir.filePath(QStringLiteral("bare.vsxml"));
  for (auto _ : State) {
    QFile File(Out);
    File.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QXmlStreamWriter W(&File);
    W.writeStartDocument();
    W.writeCharacters(QStringLiteral("\r\n"));
    W.writeStartElement(QStringLiteral("propdb"));
    size_t P = 0;
    for (const auto& T : Types) {
      W.writeCharacters(QStringLiteral("\r\n  "));
      W.writeStartElement(QStringLiteral("type"));
      for (size_t I = 0; I < 4; ++I)
        W.writeAttribute(TypeNames[I], T[I]);
      for (int K = 0; K < ItemsPerSet; ++K, ++P) {
        W.writeCharacters(QStringLiteral("\r\n    "));
        W.writeEmptyElement(QStringLiteral("prop"));
        for (size_t I = 0; I < 7; ++I)
          W.writeAttribute(PropNames[I], Props[P][I]);
      }
      W.writeCharacters(QStringLiteral("\r\n  "));
      W.writeEndElement();
    }
    W.writeCharacters(QStringLiteral("\r\n"));
    W.writeEndElement();
    W.writeCharacters(QStringLiteral("\r\n"));
    File.close();
  }
  State.SetBytesProcessed(State.iterations() * Doc.Size);
}

// 3,000 sets of 100 items for the command-line tool, under the C settings
// that "--locale C.UTF-8" gives; the rows sort under Russian collation.
struct TToolDocument {
  QTemporaryDir Dir;
  QString Path;
  TToolDocument() {
    Path = Dir.filePath(QStringLiteral("tool.vsxml"));
    TPropDB DB;
    FillDocument(DB, 3000);
    Must(SaveToXML(DB, Path, TRegional::FromLocale("C.UTF-8")));
  }
};

// One whole run of the tool on the document, with Output for the export.
void RunTool(benchmark::State& State, const QString& Command, bool Output) {
  static const TToolDocument Doc;
  QStringList Args = {Command, QStringLiteral("--locale"), QStringLiteral("C.UTF-8"), Doc.Path};
  if (Output)
    Args << Doc.Dir.filePath(QStringLiteral("export.txt"));
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  Env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
  // The tool's own processor time, which the benchmark's CPU time (this
  // process's) does not hold.
  const auto ChildCpuMs = [] {
    rusage Usage{};
    getrusage(RUSAGE_CHILDREN, &Usage);
    return (double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) * 1e6 +
            double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec)) /
           1e3;
  };
  const double Before = ChildCpuMs();
  for (auto _ : State) {
    QProcess Tool;
    Tool.setProcessEnvironment(Env);
    Tool.start(QStringLiteral(BRIMSETT_TOOL_PATH), Args);
    if (!Tool.waitForFinished(-1) || Tool.exitStatus() != QProcess::NormalExit ||
        Tool.exitCode() != 0) {
      State.SkipWithError("the tool failed");
      return;
    }
  }
  State.counters["tool_cpu_ms"] = (ChildCpuMs() - Before) / double(State.iterations());
}

void BM_ToolCheck(benchmark::State& State) {
  RunTool(State, QStringLiteral("check"), false);
}

void BM_ToolExport(benchmark::State& State) {
  RunTool(State, QStringLiteral("export"), true);
}

void EvictCaches() {
  static std::vector<char> Scratch(size_t(64) << 20);
  for (size_t I = 0; I < Scratch.size(); I += 64)
    ++Scratch[I];
  benchmark::ClobberMemory();
}

// RemoveType of a set that holds every other item; the rest spread over 99 sets.
void BM_RemoveType(benchmark::State& State) {
  const int Items = int(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto DB = std::make_unique<TPropDB>();
    const PTypeRecord Half = DB->AddType();
    std::vector<PTypeRecord> Others;
    for (int T = 0; T < 99; ++T)
      Others.push_back(DB->AddType());
    for (int I = 0; I < Items; ++I)
      DB->AddProp(I % 2 == 0 ? Half : Others[size_t(I / 2) % Others.size()]);
    // Both sizes start from cold caches: the smaller database would otherwise
    // sit in the cache that was just filled (and that other processes share)
    // more often than the larger one, and the ratio would measure that.
    EvictCaches();
    State.ResumeTiming();
    DB->RemoveType(Half);
    State.PauseTiming();
    benchmark::DoNotOptimize(DB->PropCount());
    DB.reset();
    State.ResumeTiming();
  }
}

void BM_LoadPeakMemory(benchmark::State& State) {
  const TBenchDocument& Doc = Document();
  double Above = 0;
  for (auto _ : State) {
    Above = PeakAbove(Doc.Path, SetCount * ItemsPerSet);
    if (Above < 0) {
      State.SkipWithError("the measuring process failed");
      return;
    }
  }
  State.counters["file_MB"] = double(Doc.Size) / 1e6;
  State.counters["peak_above_start_MB"] = Above / 1e6;
  State.counters["peak_per_file_size"] = Above / double(Doc.Size);
}

void BM_LoadPeakMemoryMillion(benchmark::State& State) {
  // 10,000 sets of 100 items (170 MB), made once.
  static const TBenchDocument Doc("million.vsxml", 10 * SetCount);
  double Above = 0;
  for (auto _ : State) {
    Above = PeakAbove(Doc.Path, 10 * SetCount * ItemsPerSet);
    if (Above < 0) {
      State.SkipWithError("the measuring process failed");
      return;
    }
  }
  State.counters["file_MB"] = double(Doc.Size) / 1e6;
  State.counters["peak_above_start_MB"] = Above / 1e6;
  State.counters["bytes_per_item"] = Above / (10.0 * SetCount * ItemsPerSet);
}

// The load and its baseline differ by little against the disturbance of a
// shared machine: fifteen single rounds each, interleaved, and the fastest
// of each compared.
BENCHMARK(BM_LoadFromXML)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_LoadGeneral)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_LoadReformatted)
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15);
BENCHMARK(BM_LoadReformattedExpat)
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15);
BENCHMARK(BM_BareReader)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_BareExpatAttributes)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BM_SaveToXML)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BM_BareWriter)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BM_ToolCheck)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ToolExport)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_RemoveType)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30)
    ->Repetitions(3);
BENCHMARK(BM_LoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadPeakMemoryMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadHostile)
    ->DenseRange(0, hCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3);
BENCHMARK(BM_HostilePeakMemory)
    ->DenseRange(0, hCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

std::string Fixed2(double Value) {
  char Buffer[64];
  const auto End =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, 2).ptr;
  return std::string(Buffer, End);
}

// The console output, then each ratio against its target, by wall-clock and
// by CPU time; each time is the fastest repetition, the least disturbed by
// other work on the machine.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& R : Runs) {
      if (R.run_type != Run::RT_Iteration || R.error_occurred)
        continue;
      const std::string Name =
          R.run_name.function_name + (R.run_name.args.empty() ? "" : "/" + R.run_name.args);
      Keep(FReal, Name, R.GetAdjustedRealTime());
      const auto Tool = R.counters.find("tool_cpu_ms");
      Keep(FCpu, Name, Tool != R.counters.end() ? Tool->second.value : R.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(Runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    Ratio("load / bare reader", "BM_LoadFromXML", "BM_BareReader", 0.8);
    Ratio("load / bare expat", "BM_LoadFromXML", "BM_BareExpat", 0.5);
    Ratio("general reader alone / bare expat", "BM_LoadGeneral", "BM_BareExpat");
    Ratio("reformatted, LF line breaks: load / general reader alone", "BM_LoadReformatted/0",
          "BM_LoadReformattedExpat/0", 1.05);
    Ratio("reformatted, tab indentation: load / general reader alone", "BM_LoadReformatted/1",
          "BM_LoadReformattedExpat/1", 1.05);
    Ratio("save / bare writer", "BM_SaveToXML", "BM_BareWriter", 0.4);
    Ratio("tool export / tool check, 300,000 items", "BM_ToolExport", "BM_ToolCheck", 2);
    Ratio("RemoveType 100,000 / 50,000", "BM_RemoveType/100000", "BM_RemoveType/50000", 2.5);
    // Time per byte against the normal document's through the general
    // reader, which is where they go.
    const double Normal = double(Document().Size);
    const char* Names[hCount] = {"200,000 attributes",     "entity amplification",
                                 "attribute defaults",     "deep nesting",
                                 "distinct element names", "distinct attribute names"};
    for (int H = 0; H < hCount; ++H)
      Ratio((std::string(Names[H]) + " per byte / general load per byte").c_str(),
            "BM_LoadHostile/" + std::to_string(H), "BM_LoadGeneral", 5,
            Normal / double(Hostile().Size[H]));
    // The parser with its own allocator, against the whole load with ours.
    Ratio("200,000 attributes: bare expat / load", "BM_BareExpatAttributes", "BM_LoadHostile/0");
  }

private:
  std::map<std::string, double> FReal, FCpu;
  static void Keep(std::map<std::string, double>& Best, const std::string& Name, double Time) {
    const auto It = Best.find(Name);
    if (It == Best.end() || Time < It->second)
      Best[Name] = Time;
  }
  // Scale is the size of B's input over A's, for a ratio per byte.
  // Without a target, the ratio is for information.
  void Ratio(const char* Label, const std::string& A, const std::string& B, double Target = 0,
             double Scale = 1) {
    if (!FReal.count(A) || !FReal.count(B) || FReal[B] <= 0 || FCpu[B] <= 0)
      return;
    const std::string Line = std::string(Label) + ": wall " + Fixed2(FReal[A]) + " / " +
                             Fixed2(FReal[B]) + " ms = " + Fixed2(Scale * FReal[A] / FReal[B]) +
                             ", CPU " + Fixed2(FCpu[A]) + " / " + Fixed2(FCpu[B]) +
                             " ms = " + Fixed2(Scale * FCpu[A] / FCpu[B]) +
                             (Target > 0 ? " (target at most " + Fixed2(Target) + ")" : "") + "\n";
    std::fputs(Line.c_str(), stdout);
  }
};

} // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peak-load") == 0)
    return PeakLoad(argv[2]);
  // Interleaved unless the command line chooses.
  std::vector<char*> Args(argv, argv + argc);
  bool Chosen = false;
  for (int I = 1; I < argc; ++I)
    Chosen = Chosen || std::strncmp(argv[I], "--benchmark_enable_random_interleaving", 38) == 0;
  char Interleave[] = "--benchmark_enable_random_interleaving=true";
  if (!Chosen)
    Args.insert(Args.begin() + 1, Interleave);
  argc = int(Args.size());
  Args.push_back(nullptr);
  argv = Args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  TRatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();
  return 0;
}
