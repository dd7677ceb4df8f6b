// brimsett-tool: checks, converts and exports set files without a window, on
// the core library alone. A set file carries the regional form of the machine
// that wrote it, so every command takes the settings it reads and writes under
// by a locale name rather than from wherever it happens to run.

#include "database/AtomicFile.h"
#include "database/Document.h"
#include "database/PropDB.h"
#include "database/SetFile.h"
#include "regional/Error.h"
#include "regional/Iconv.h"
#include "regional/ParseReasons.h"
#include "regional/Regional.h"
#include "regional/Translations.h"
#include "testview/TestFilter.h"

#include <BrimsettVersion.h>

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <optional>
#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <exception>
#include <fcntl.h>
#include <langinfo.h>
#include <memory>
#include <new>
#include <unistd.h>

namespace {

enum TExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

const QString ProgramName = QStringLiteral("brimsett-tool");

// The texts are English in the source and come in the user's language from
// the catalogue.
struct TTool {
  Q_DECLARE_TR_FUNCTIONS(TTool)
};

// "-" stands for standard input or output.
bool IsStdStream(const QString& File) {
  return File == u"-";
}

// Kept in step with tool/brimsett-tool.1: every option here is in the man page.
const char* const HelpText = QT_TRANSLATE_NOOP(
    "TTool",
    "brimsett-tool: checks set files (.vsxml), converts them to other regional\n"
    "settings and exports them, without the editor's window.\n"
    "\n"
    "Usage:\n"
    "  brimsett-tool check   [--locale NAME] FILE...\n"
    "  brimsett-tool convert --from NAME --to NAME INPUT OUTPUT\n"
    "  brimsett-tool export  [--locale NAME] [--language TEXT | --all-languages]\n"
    "                        [--country TEXT | --all-countries] [--level 0|1|2] INPUT OUTPUT\n"
    "  brimsett-tool --help | --version\n"
    "\n"
    "Commands:\n"
    "  check    Reads each FILE completely and prints one line per file: the file\n"
    "           name and its numbers of sets and items, or the reader's error\n"
    "           message (its lines joined by \" | \").\n"
    "  convert  Reads INPUT under the settings of --from and writes OUTPUT under\n"
    "           those of --to, as the editor would save it. When INPUT does not\n"
    "           read completely, OUTPUT is neither created nor changed.\n"
    "  export   Writes to OUTPUT what the window \"Выбор набора\" would write with\n"
    "           \"Сохранить в текстовый файл\" for each set that passes the filters,\n"
    "           in file order: its items with a detail level up to --level and\n"
    "           the default flag set, by name; in the 8-bit character set of the\n"
    "           settings, lines ended by CR LF.\n"
    "           A character that the character set cannot hold is written\n"
    "           as \"?\"; how many there were is said on standard error.\n"
    "\n"
    "A file reads completely when there is no read error: text or an element in\n"
    "propdb other than a type element is an error too; a comment there is skipped.\n"
    "An output file is replaced only once it is completely written.\n"
    "An existing output that is not a regular file (a device, a FIFO) is\n"
    "refused and left as it is; so is a file name that is not valid UTF-8.\n"
    "A FILE or INPUT of - reads standard input, an OUTPUT of - writes to standard\n"
    "output (not replaced atomically); messages always go to standard error.\n"
    "\n"
    "Options:\n"
    "  --locale NAME      The regional settings of the locale NAME (for example\n"
    "                     ru_RU.UTF-8): date format, decimal separator, character\n"
    "                     set and row order of the export. Without it the\n"
    "                     environment's settings apply.\n"
    "  --from NAME        The settings INPUT was written under.\n"
    "  --to NAME          The settings to write OUTPUT under.\n"
    "  --language TEXT    Only sets whose language is exactly TEXT (an empty\n"
    "                     TEXT: sets without a language).\n"
    "  --all-languages    Sets of any language; also without --language.\n"
    "  --country TEXT     Only sets whose country is exactly TEXT.\n"
    "  --all-countries    Sets of any country; also without --country.\n"
    "  --level 0|1|2      The detail level: 0 low, 1 medium, 2 high (default 2).\n"
    "  -h, --help         This help.\n"
    "  --version          The program's version.\n"
    "\n"
    "Exit status: 0 success; 1 a file did not read completely or was not written;\n"
    "2 a command-line error (unknown command, option or locale, a missing\n"
    "argument, a wrong level, options that exclude each other).\n");

// Which of standard input, output and error were closed when the tool
// started. Each is held on /dev/null since, so that no file the tool opens
// takes its number; reading or writing one is a failure all the same.
bool ClosedAtStart[3] = {};

void HoldClosedStreams() {
  for (int Fd = STDIN_FILENO; Fd <= STDERR_FILENO; ++Fd) {
    if (::fcntl(Fd, F_GETFD) != -1 || errno != EBADF)
      continue;
    ClosedAtStart[Fd] = true;
    // The lowest free number is Fd, since the ones below it are open by now.
    int Held = ::open("/dev/null", O_RDWR);
    if (Held < 0)
      Held = ::open("/", O_PATH);
    if (Held >= 0 && Held != Fd) {
      ::dup2(Held, Fd);
      ::close(Held);
    }
  }
}

// The reason for errno Code as the other system reasons are shown.
QString SystemReason(int Code) {
  return FailureText(TFailure::System(Code));
}

// Writes Bytes whole to Fd: 0, or the errno of the write that failed.
int WriteAll(int Fd, QByteArrayView Bytes) {
  const char* Next = Bytes.data();
  qsizetype Left = Bytes.size();
  while (Left > 0) {
    const ssize_t Written = ::write(Fd, Next, static_cast<size_t>(Left));
    if (Written < 0 && errno == EINTR)
      continue;
    if (Written < 0)
      return errno;
    Next += Written;
    Left -= Written;
  }
  return 0;
}

// Messages go out in the character set of the locale the tool runs in; Qt 6
// would write UTF-8 whatever it is. Opened at start, while a descriptor is
// still free to load the conversion; nullptr for UTF-8 itself.
std::unique_ptr<TIconv> ToTerminal;

void OpenTerminal() {
  std::setlocale(LC_ALL, "");
  const QByteArray Charset(nl_langinfo(CODESET));
  if (!TIconv::IsUtf8(Charset))
    ToTerminal = std::make_unique<TIconv>(Charset, "UTF-8");
}

// Text in the terminal's character set; a character it cannot hold is "?".
QByteArray Terminal(const QString& Text) {
  const QByteArray Utf8 = Text.toUtf8();
  if (!ToTerminal)
    return Utf8;
  if (!ToTerminal->IsOpen()) {
    QByteArray Ascii;
    for (qsizetype I = 0; I < Utf8.size();) {
      const auto C = static_cast<unsigned char>(Utf8[I]);
      Ascii += C < 0x80 ? char(C) : '?';
      I += C < 0x80 ? 1 : std::min<qsizetype>(TIconv::Utf8Length(C), Utf8.size() - I);
    }
    return Ascii;
  }
  return ToTerminal->Convert(Utf8, {"?", /*WholeUtf8Sequence=*/true, /*ResetState=*/false},
                             /*EndInInitialState=*/true);
}

// A file name as it was given on the command line: its bytes, not converted,
// but with the characters that would act on a terminal escaped, as a file's
// contents are.
QByteArray NameBytes(const QString& File) {
  return QFile::encodeName(Escaped(File));
}

// An argument that is not UTF-8, byte for byte but for its control bytes,
// which would act on the terminal.
QByteArray ControlsEscaped(const char* Argument) {
  QByteArray Out;
  for (const char* P = Argument; *P; ++P) {
    const auto Byte = static_cast<unsigned char>(*P);
    if (Byte < 0x20 || Byte == 0x7F)
      Out += "\\x" + QByteArray::number(Byte, 16).toUpper().rightJustified(2, '0');
    else
      Out += char(Byte);
  }
  return Out;
}

// Pattern (translated) with %1 the name Name, which keeps its bytes, and %2
// Text.
QByteArray Named(const QString& Pattern, const QByteArray& Name, const QString& Text = {}) {
  QByteArray Out;
  const QStringList Parts = Pattern.split(QStringLiteral("%1"));
  for (qsizetype I = 0; I < Parts.size(); ++I) {
    if (I > 0)
      Out += Name;
    QString Part = Parts[I];
    Out += Terminal(Part.replace(QStringLiteral("%2"), Text));
  }
  return Out;
}

// Raised for anything wrong on the command line; nothing has been read or
// written yet when it is.
struct TUsageError {
  QByteArray Message;
  TUsageError(const QString& Text) : Message(Terminal(Text)) {}
  explicit TUsageError(const QByteArray& Bytes) : Message(Bytes) {}
};

// The first write to standard output that failed, as errno; a result that
// did not arrive makes the command fail however it went.
int StdoutError = 0;
bool StdoutUsed = false;

void PrintOut(const QByteArray& Bytes) {
  StdoutUsed = true;
  if (StdoutError == 0)
    StdoutError = ClosedAtStart[STDOUT_FILENO] ? EBADF : WriteAll(STDOUT_FILENO, Bytes);
}

void PrintErr(const QByteArray& Bytes) {
  if (!ClosedAtStart[STDERR_FILENO])
    WriteAll(STDERR_FILENO, Bytes);
}

void Fail(const QByteArray& Text) {
  PrintErr(Terminal(ProgramName + QStringLiteral(": ")) + Text + '\n');
}

void Fail(const QString& Text) {
  Fail(Terminal(Text));
}

// What coreutils' close_stdout does: a write error found only at the close
// (a file system that reports it late) fails the command too.
int FinishStdout(int Result) {
  if (StdoutUsed && StdoutError == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR)
    StdoutError = errno;
  if (StdoutError == 0)
    return Result;
  Fail(TTool::tr("write error on standard output: %1").arg(SystemReason(StdoutError)));
  return Result == ExitOk ? ExitFailed : Result;
}

// A failure's reason in the user's language, on one line.
QString OneLine(const TFailure& Failure) {
  return FailureText(Failure, TLayout::OneLine);
}

// What File's load did not carry as the file had it, a line each kind.
void Warn(const QString& File, const TWarnings& Warnings) {
  for (const TWarning& W : Warnings.All())
    Fail(Named(TTool::tr("%1: warning: %2"), NameBytes(File), WarningText(W)));
}

TRegional SettingsOf(const QString& Name) {
  if (Name.isEmpty())
    throw TUsageError{TTool::tr("empty locale name")};
  std::optional<TRegional> Settings = TRegional::TryFromLocale(Name.toLocal8Bit());
  if (!Settings)
    throw TUsageError{TTool::tr("unknown locale \"%1\"").arg(Name)};
  return *Settings;
}

// The editor takes its settings from the environment and falls back to the C
// settings; so does the tool without --locale, but it says so.
TRegional EnvironmentSettings() {
  if (std::optional<TRegional> Settings = TRegional::TryFromLocale(QByteArray()))
    return *Settings;
  Fail(TTool::tr("the environment's locale is not available; the C settings apply"));
  return TRegional::FromLocale("C");
}

struct TOptions {
  QCommandLineOption Help{{QStringLiteral("h"), QStringLiteral("help")}};
  QCommandLineOption Version{QStringLiteral("version")};
  QCommandLineOption Locale{QStringLiteral("locale"), QString(), QStringLiteral("NAME")};
  QCommandLineOption From{QStringLiteral("from"), QString(), QStringLiteral("NAME")};
  QCommandLineOption To{QStringLiteral("to"), QString(), QStringLiteral("NAME")};
  QCommandLineOption Language{QStringLiteral("language"), QString(), QStringLiteral("TEXT")};
  QCommandLineOption AllLanguages{QStringLiteral("all-languages")};
  QCommandLineOption Country{QStringLiteral("country"), QString(), QStringLiteral("TEXT")};
  QCommandLineOption AllCountries{QStringLiteral("all-countries")};
  QCommandLineOption Level{QStringLiteral("level"), QString(), QStringLiteral("0|1|2")};
};

QString Dashed(const QString& Name) {
  return (Name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + Name;
}

// QCommandLineParser's own messages are English; these are ours, translated.
QString ParseErrorText(const QCommandLineParser& Parser, const QStringList& Args,
                       const TOptions& O) {
  const QStringList Unknown = Parser.unknownOptionNames();
  if (!Unknown.isEmpty())
    return TTool::tr("unknown option %1").arg(Dashed(Unknown.front()));
  for (const QCommandLineOption* Option :
       {&O.Locale, &O.From, &O.To, &O.Language, &O.Country, &O.Level})
    if (Args.size() > 1 && Args.back() == Dashed(Option->names().front()))
      return TTool::tr("option %1 has no value").arg(Args.back());
  return TTool::tr("invalid command line: %1").arg(Parser.errorText());
}

void RequireFiles(const QStringList& Files, qsizetype Count, const QString& Command) {
  if (Count < 0 ? Files.isEmpty() : Files.size() < Count)
    throw TUsageError{TTool::tr("too few files for the command %1").arg(Command)};
  if (Count >= 0 && Files.size() > Count)
    throw TUsageError{Named(TTool::tr("extra argument \"%1\""), NameBytes(Files[Count]))};
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
  if (ClosedAtStart[STDIN_FILENO])
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
  const int Result = IsStdStream(Name) ? (ClosedAtStart[Fd] ? -1 : ::fstat(Fd, &Info))
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

// Standard output has no old content to keep, so it is written directly.
TDone WriteStdout(const QByteArray& Bytes) {
  StdoutUsed = true;
  const int Error = ClosedAtStart[STDOUT_FILENO] ? EBADF : WriteAll(STDOUT_FILENO, Bytes);
  if (Error != 0)
    return TFailure::System(Error);
  return {};
}

int Check(const QStringList& Files, const TRegional& Settings) {
  int Result = ExitOk;
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
      Result = ExitFailed;
    }
    PrintOut(NameBytes(File) + Terminal(Line + u'\n'));
  }
  return Result;
}

// Loads Input into Doc for a command that writes Output; says why not.
bool Load(const QString& Input, const QString& Output, TDocument& Doc, const TRegional& Settings) {
  const TResult<TWarnings> Read = ReadInput(Input, Doc, Settings);
  if (!Read) {
    Fail(Named(TTool::tr("%1: read error: %2"), NameBytes(Input), OneLine(Read.Failure())));
    Fail(Named(TTool::tr("%1: not written"), NameBytes(Output)));
    return false;
  }
  Warn(Input, *Read);
  return true;
}

// Says why Output was not written; true when it was.
bool Written(const QString& Output, const TDone& Done) {
  if (!Done)
    Fail(Named(TTool::tr("%1: write error: %2"), NameBytes(Output), OneLine(Done.Failure())));
  return bool(Done);
}

int Convert(const QString& Input, const QString& Output, const TRegional& From,
            const TRegional& To) {
  if (!Written(Output, CheckNotInputFile(Input, Output, false)))
    return ExitFailed;
  TPropDB DB;
  TDocument Doc(DB);
  if (!Load(Input, Output, Doc, From))
    return ExitFailed;
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
  return Written(Output, Done) ? ExitOk : ExitFailed;
}

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

int Export(const QString& Input, const QString& Output, const TRegional& Settings,
           const TSetFilter& Filter, int Level, const QCollator& Collator) {
  // Refused before anything is read, so that the input stays as it is.
  if (!Written(Output, CheckNotInputFile(Input, Output, true)))
    return ExitFailed;
  TPropDB DB;
  TDocument Doc(DB);
  if (!Load(Input, Output, Doc, Settings))
    return ExitFailed;
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
  if (!Written(Output, Lost ? TDone() : TDone(Lost.Failure())))
    return ExitFailed;
  Warn(Output, ExportWarnings(Rows));
  for (const TWarning& W : Lost->All())
    Fail(NameBytes(Output) + Terminal(QStringLiteral(": ") + WarningText(W)));
  return ExitOk;
}

// Refuses an unknown command, and an option that the command does not take
// or that is given twice.
void CheckOptions(const QCommandLineParser& Parser, const QString& Command) {
  QSet<QString> Allowed;
  if (Command == u"check")
    Allowed = {QStringLiteral("locale")};
  else if (Command == u"convert")
    Allowed = {QStringLiteral("from"), QStringLiteral("to")};
  else if (Command == u"export")
    Allowed = {QStringLiteral("locale"),        QStringLiteral("language"),
               QStringLiteral("all-languages"), QStringLiteral("country"),
               QStringLiteral("all-countries"), QStringLiteral("level")};
  else
    throw TUsageError{TTool::tr("unknown command \"%1\"").arg(Command)};
  QSet<QString> Seen;
  for (const QString& Name : Parser.optionNames()) {
    if (!Allowed.contains(Name))
      throw TUsageError{
          TTool::tr("option %1 does not belong to the command %2").arg(Dashed(Name), Command)};
    if (Seen.contains(Name))
      throw TUsageError{TTool::tr("option %1 is given more than once").arg(Dashed(Name))};
    Seen.insert(Name);
  }
}

// The export command, once its options belong to it.
int RunExport(const QCommandLineParser& Parser, const TOptions& O, const QStringList& Files,
              const QString& Command) {
  if (Parser.isSet(O.Language) && Parser.isSet(O.AllLanguages))
    throw TUsageError{TTool::tr("--language and --all-languages exclude each other")};
  if (Parser.isSet(O.Country) && Parser.isSet(O.AllCountries))
    throw TUsageError{TTool::tr("--country and --all-countries exclude each other")};
  int Level = 2;
  if (Parser.isSet(O.Level)) {
    const QString Text = Parser.value(O.Level);
    if (Text != u"0" && Text != u"1" && Text != u"2")
      throw TUsageError{TTool::tr("the detail level must be 0, 1 or 2, not \"%1\"").arg(Text)};
    Level = Text.toInt();
  }
  // Without a text a filter is off: a command line that names no language
  // means any language. The empty text is still there as --language "".
  TSetFilter Filter;
  Filter.AllLang = !Parser.isSet(O.Language);
  Filter.Lang = Parser.value(O.Language);
  Filter.AllCountries = !Parser.isSet(O.Country);
  Filter.Country = Parser.value(O.Country);
  const bool Named = Parser.isSet(O.Locale);
  const TRegional Settings = Named ? SettingsOf(Parser.value(O.Locale)) : EnvironmentSettings();
  const QCollator Collator =
      RowCollator(Named ? CollationOf(Parser.value(O.Locale)) : CollationLocale());
  RequireFiles(Files, 2, Command);
  return Export(Files[0], Files[1], Settings, Filter, Level, Collator);
}

int Run(const QStringList& Args) {
  TOptions O;
  QCommandLineParser Parser;
  Parser.addOptions({O.Help, O.Version, O.Locale, O.From, O.To, O.Language, O.AllLanguages,
                     O.Country, O.AllCountries, O.Level});
  if (!Parser.parse(Args))
    throw TUsageError{ParseErrorText(Parser, Args, O)};
  if (Parser.isSet(O.Help)) {
    PrintOut(Terminal(TTool::tr(HelpText)));
    return ExitOk;
  }
  if (Parser.isSet(O.Version)) {
    PrintOut(Terminal(ProgramName + u' ' + QStringLiteral(BRIMSETT_VERSION) + u'\n'));
    return ExitOk;
  }

  QStringList Files = Parser.positionalArguments();
  if (Files.isEmpty())
    throw TUsageError{TTool::tr("no command given")};
  const QString Command = Files.takeFirst();

  CheckOptions(Parser, Command);

  if (Command == u"check") {
    RequireFiles(Files, -1, Command);
    const TRegional Settings =
        Parser.isSet(O.Locale) ? SettingsOf(Parser.value(O.Locale)) : EnvironmentSettings();
    return Check(Files, Settings);
  }

  if (Command == u"convert") {
    for (const QCommandLineOption* Option : {&O.From, &O.To})
      if (!Parser.isSet(*Option))
        throw TUsageError{TTool::tr("the command convert needs the option %1")
                              .arg(Dashed(Option->names().front()))};
    const TRegional From = SettingsOf(Parser.value(O.From));
    const TRegional To = SettingsOf(Parser.value(O.To));
    RequireFiles(Files, 2, Command);
    return Convert(Files[0], Files[1], From, To);
  }

  return RunExport(Parser, O, Files, Command);
}

} // namespace

int main(int argc, char** argv) {
  // Both before Qt opens its first descriptor.
  HoldClosedStreams();
  OpenTerminal();
  IgnoreFileSizeSignal();
  QCoreApplication App(argc, argv);
  // The system's reasons come in UTF-8 then, as Qt reads them, and go out
  // converted like every other text.
  if (ToTerminal)
    std::setlocale(LC_CTYPE, "C.UTF-8");
  QCoreApplication::setApplicationName(ProgramName);
  QCoreApplication::setApplicationVersion(QStringLiteral(BRIMSETT_VERSION));
  // Messages in the language of the locale the tool runs in, whatever
  // --locale names for the files.
  LoadTranslations();
  try {
    // Arguments are read as UTF-8; other bytes would reach the file system as
    // another name, and the command would read or replace the wrong file.
    for (int I = 1; I < argc; ++I)
      if (!ArgumentIsExact(argv[I]))
        throw TUsageError{Named(
            TTool::tr("argument \"%1\" is not UTF-8: such a name cannot be passed on unchanged"),
            ControlsEscaped(argv[I]))};
    return FinishStdout(Run(QCoreApplication::arguments()));
  } catch (const TUsageError& Error) {
    Fail(Error.Message);
    PrintErr(Terminal(TTool::tr("Help: brimsett-tool --help") + u'\n'));
    return ExitUsage;
  } catch (const std::bad_alloc&) {
    Fail(FailureText(TFailure::OutOfMemory()));
    return ExitFailed;
  }
}
