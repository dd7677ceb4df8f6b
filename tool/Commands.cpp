#include "Commands.h"

#include "database/AtomicFile.h"
#include "database/Document.h"
#include "database/PropDB.h"
#include "failures/Caught.h"
#include "failures/Reasons.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TTool {
  Q_DECLARE_TR_FUNCTIONS(TTool)
};

// A failure's reason in the user's language, on one line.
QString OneLine(const TFailure& Failure) {
  return FailureText(Failure, TLayout::OneLine);
}

// What File's load did not carry as the file had it, a line each kind.
void Warn(const QString& File, const TWarnings& Warnings) {
  for (const TWarning& W : Warnings.All())
    Fail(Named(TTool::tr("%1: warning: %2"), NameBytes(File), WarningText(W)));
}

// Standard input as the reader takes it: each read(2) handed on as it came,
// so that an error is answered as soon as its bytes arrived, while the
// writer keeps the pipe open. A QFile would wait until a whole buffer filled.
class TStdinDevice final : public QIODevice {
public:
  TStdinDevice() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char* Data, qint64 MaxSize) override {
    for (;;) {
      const ssize_t Got = ::read(STDIN_FILENO, Data, static_cast<size_t>(MaxSize));
      if (Got >= 0)
        return Got;
      if (errno != EINTR) {
        setErrorString(SystemReason(errno));
        return -1;
      }
    }
  }
  qint64 writeData(const char*, qint64) override { return -1; }
};

// Reads the set file File into Doc; "-" reads standard input as it comes,
// under the bounds of a file, and no further than its first error.
TResult<TWarnings> ReadInput(const QString& File, TDocument& Doc, const TRegional& Settings) {
  if (!IsStdStream(File))
    return Doc.Load(File, Settings);
  if (ClosedAtStart(STDIN_FILENO))
    return TFailure::System(EBADF);
  // A regular file is read as a file, to its size, and can be read again.
  struct stat Info {};
  if (::fstat(STDIN_FILENO, &Info) == 0 && S_ISREG(Info.st_mode)) {
    QFile In;
    if (!In.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered,
                 QFileDevice::DontCloseHandle))
      return TFailure::OfDevice(In);
    return Doc.Read(In, Settings);
  }
  TStdinDevice In;
  return Doc.Read(In, Settings);
}

// The file that Name stands for: standard input or output (Fd) for "-".
std::optional<struct stat> FileBehind(const QString& Name, int Fd) {
  struct stat Info {};
  const int Result = IsStdStream(Name) ? (ClosedAtStart(Fd) ? -1 : ::fstat(Fd, &Info))
                                       : ::stat(QFile::encodeName(Name).constData(), &Info);
  return Result == 0 ? std::optional(Info) : std::nullopt;
}

// Refuses, before anything is read or written, an Output that is the file
// Input reads, whether either is named or a redirected stream, as cat
// refuses "input file is output file". A named output is replaced only once
// it is written, so a command that reads its input whole first may name it
// (ByName false); a stream that is the input is appended to or cut short.
TDone CheckNotInputFile(const QString& Input, const QString& Output, bool ByName) {
  if (!IsStdStream(Input) && !IsStdStream(Output))
    return ByName ? CheckNotInput(Output, Input) : TDone();
  if (!IsStdStream(Output) && !ByName)
    return {};
  const std::optional<struct stat> In = FileBehind(Input, STDIN_FILENO);
  const std::optional<struct stat> Out = FileBehind(Output, STDOUT_FILENO);
  if (In && Out && S_ISREG(In->st_mode) && S_ISREG(Out->st_mode) && In->st_dev == Out->st_dev &&
      In->st_ino == Out->st_ino)
    return TFailure::Own(Reason::OutputIsInput, {IsStdStream(Output) ? Input : Output});
  return {};
}

} // namespace

TToolResult<TRegional> SettingsOf(const QString& Name) {
  if (Name.isEmpty())
    return Usage(TTool::tr("empty locale name"));
  std::optional<TRegional> Settings = TRegional::TryFromLocale(Name.toLocal8Bit());
  if (!Settings)
    return Usage(TTool::tr("unknown locale \"%1\"").arg(Name));
  return *Settings;
}

TRegional EnvironmentSettings() {
  if (std::optional<TRegional> Settings = TRegional::TryFromLocale(QByteArray()))
    return *Settings;
  Fail(TTool::tr("the environment's locale is not available; the C settings apply"));
  return TRegional::FromLocale("C");
}

TToolDone Check(const QStringList& Files, const TRegional& Settings) {
  bool Failed = false;
  for (const QString& File : Files) {
    TPropDB DB;
    TDocument Doc(DB);
    QString Line = QStringLiteral(": ");
    const TResult<TWarnings> Read = ReadInput(File, Doc, Settings);
    if (Read) {
      Warn(File, *Read);
      Line += TTool::tr("sets: %1, items: %2").arg(DB.TypeCount()).arg(DB.PropCount());
    } else {
      Line += TTool::tr("error: %1").arg(OneLine(Read.Failure()));
      Failed = true;
    }
    PrintOut(NameBytes(File) + Terminal(Line + u'\n'));
  }
  if (Failed)
    return TStopped{ExitFailed, {}};
  return {};
}

namespace {

// Loads Input into Doc for a command that writes Output, or says why not.
TToolDone Load(const QString& Input, const QString& Output, TDocument& Doc,
               const TRegional& Settings) {
  const TResult<TWarnings> Read = ReadInput(Input, Doc, Settings);
  if (!Read)
    return TStopped{ExitFailed, Said(Named(TTool::tr("%1: read error: %2"), NameBytes(Input),
                                           OneLine(Read.Failure()))) +
                                    Said(Named(TTool::tr("%1: not written"), NameBytes(Output)))};
  Warn(Input, *Read);
  return {};
}

// Why Output was not written, when Done failed.
TToolDone Written(const QString& Output, const TDone& Done) {
  if (!Done)
    return TStopped{ExitFailed, Said(Named(TTool::tr("%1: write error: %2"), NameBytes(Output),
                                           OneLine(Done.Failure())))};
  return {};
}

// Refuses an Output that is the file Input reads (ByName as
// CheckNotInputFile takes it) before anything is read, then loads Input.
TToolDone Open(const QString& Input, const QString& Output, bool ByName, TDocument& Doc,
               const TRegional& Settings) {
  if (TToolDone Allowed = Written(Output, CheckNotInputFile(Input, Output, ByName)); !Allowed)
    return Allowed;
  return Load(Input, Output, Doc, Settings);
}

} // namespace

TToolDone Convert(const QString& Input, const QString& Output, const TRegional& From,
                  const TRegional& To) {
  TPropDB DB;
  TDocument Doc(DB);
  if (TToolDone Opened = Open(Input, Output, false, Doc, From); !Opened)
    return Opened;
  TDone Done;
  if (IsStdStream(Output)) {
    QBuffer Buffer;
    Buffer.open(QIODevice::WriteOnly);
    Done = Doc.Write(Buffer, To);
    if (Done)
      Done = WriteStdout(Buffer.data());
  } else {
    Done = Doc.Save(Output, To);
  }
  return Written(Output, Done);
}

namespace {

// The rows that the test view shows ticked when it opens each set that passes
// Filter, set after set in file order.
TPropList ExportRows(const TPropDB& DB, const TSetFilter& Filter, int Level,
                     const QCollator& Collator) {
  TPropList Result;
  // Grouped once: a scan of every item for each set costs sets x items.
  const TPropsBySet Groups(DB);
  for (const PTypeRecord Type : FilterTypes(DB, Filter)) {
    TPropList Rows = FilterItems(Groups, Type, Level);
    // The sort is stable, so sorting only the ticked rows keeps their order.
    std::erase_if(Rows, [](PPropRecord Row) { return !Row->Default; });
    SortByName(Rows, Collator);
    Result.insert(Result.end(), Rows.begin(), Rows.end());
  }
  return Result;
}

} // namespace

TToolDone Export(const QString& Input, const QString& Output, const TRegional& Settings,
                 const TSetFilter& Filter, int Level, const QCollator& Collator) {
  // An output that is the input is refused even by name: the export would
  // replace the set file with its text.
  TPropDB DB;
  TDocument Doc(DB);
  if (TToolDone Opened = Open(Input, Output, true, Doc, Settings); !Opened)
    return Opened;
  // One set's export after another is the export of all their rows: the
  // 8-bit character sets carry no state from line to line.
  TPropList Rows;
  TResult<TWarnings> Lost = Caught([&]() -> TResult<TWarnings> {
    Rows = ExportRows(DB, Filter, Level, Collator);
    if (!IsStdStream(Output))
      return SaveExport(Output, Rows, Settings);
    TWarnings Kept;
    const TResult<QByteArray> Bytes = ExportBytes(Rows, Settings, &Kept);
    if (!Bytes)
      return Bytes.Failure();
    if (TDone Done = WriteStdout(*Bytes); !Done)
      return Done.Failure();
    return Kept;
  });
  if (TToolDone Done = Written(Output, Lost ? TDone() : TDone(Lost.Failure())); !Done)
    return Done;
  Warn(Output, ExportWarnings(Rows));
  for (const TWarning& W : Lost->All())
    Fail(NameBytes(Output) + Terminal(QStringLiteral(": ") + WarningText(W)));
  return {};
}
