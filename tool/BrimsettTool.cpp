// brimsett-tool: checks, converts and exports set files without a window, on
// the core library alone. A set file carries the regional form of the machine
// that wrote it, so every command takes the settings it reads and writes under
// by a locale name rather than from wherever it happens to run.
//
// Every failure comes back here as a result: a command-line error before
// anything was read or written, or a command that failed.

#include "Commands.h"
#include "Options.h"
#include "Terminal.h"
#include "database/AtomicFile.h"
#include "database/FileNames.h"
#include "regional/Translations.h"

#include <BrimsettVersion.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSet>

#include <clocale>
#include <new>
#include <vector>

namespace {

struct TTool {
  Q_DECLARE_TR_FUNCTIONS(TTool)
};

// The command line read against the table of options.
struct TCommandLine {
  QCommandLineParser Parser;
  std::vector<QCommandLineOption> Options; // in the table's order
  QString Command;
  QStringList Files;

  bool IsSet(const char* Name) const { return Parser.isSet(QLatin1String(Name)); }
  QString Value(const char* Name) const { return Parser.value(QLatin1String(Name)); }
};

QCommandLineOption OptionOf(const TOptionRow& Row) {
  QStringList Names{QLatin1String(Row.Name)};
  if (Row.Short)
    Names.prepend(QLatin1String(Row.Short));
  return Row.Value ? QCommandLineOption(Names, QString(), QLatin1String(Row.Value))
                   : QCommandLineOption(Names);
}

// QCommandLineParser's own messages are English; these are ours, translated.
QString ParseErrorText(const QCommandLineParser& Parser, const QStringList& Args) {
  const QStringList Unknown = Parser.unknownOptionNames();
  if (!Unknown.isEmpty())
    return TTool::tr("unknown option %1").arg(Dashed(Unknown.front()));
  for (const TOptionRow& Row : OptionRows())
    if (Row.Value && Args.size() > 1 && Args.back() == Dashed(QLatin1String(Row.Name)))
      return TTool::tr("option %1 has no value").arg(Args.back());
  return TTool::tr("invalid command line: %1").arg(Parser.errorText());
}

// Refuses an unknown command, an option that the command does not take or
// that is given twice, a missing option the command needs, and two options
// that exclude each other.
TToolDone CheckOptions(const TCommandLine& Line) {
  unsigned Command = 0;
  for (const TCommandName& C : Commands)
    if (Line.Command == QLatin1String(C.Name))
      Command = C.Command;
  if (Command == 0)
    return Usage(TTool::tr("unknown command \"%1\"").arg(Line.Command));
  QSet<QString> Seen;
  for (const QString& Name : Line.Parser.optionNames()) {
    const TOptionRow* Row = FindOption(Name);
    if (!Row || !(Row->Commands & Command))
      return Usage(
          TTool::tr("option %1 does not belong to the command %2").arg(Dashed(Name), Line.Command));
    if (Seen.contains(Name))
      return Usage(TTool::tr("option %1 is given more than once").arg(Dashed(Name)));
    Seen.insert(Name);
  }
  for (const TOptionRow& Row : OptionRows()) {
    if ((Row.Required & Command) && !Line.IsSet(Row.Name))
      return Usage(TTool::tr("the command %1 needs the option %2")
                       .arg(Line.Command, Dashed(QLatin1String(Row.Name))));
    if (Row.Excludes && Line.IsSet(Row.Name) && Line.IsSet(Row.Excludes))
      return Usage(TTool::tr("%1 and %2 exclude each other")
                       .arg(Dashed(QLatin1String(Row.Name)), Dashed(QLatin1String(Row.Excludes))));
  }
  return {};
}

// Count files, or at least one for -1.
TToolDone RequireFiles(const TCommandLine& Line, qsizetype Count) {
  const QStringList& Files = Line.Files;
  if (Count < 0 ? Files.isEmpty() : Files.size() < Count)
    return Usage(TTool::tr("too few files for the command %1").arg(Line.Command));
  if (Count >= 0 && Files.size() > Count)
    return Usage(Named(TTool::tr("extra argument \"%1\""), NameBytes(Files[Count])));
  return {};
}

// The settings of --locale, or of the environment without it.
TToolResult<TRegional> LocaleSettings(const TCommandLine& Line) {
  if (Line.IsSet("locale"))
    return SettingsOf(Line.Value("locale"));
  return EnvironmentSettings();
}

TToolDone RunCheck(const TCommandLine& Line) {
  if (TToolDone Files = RequireFiles(Line, -1); !Files)
    return Files;
  const TToolResult<TRegional> Settings = LocaleSettings(Line);
  if (!Settings)
    return Settings.Failure();
  return Check(Line.Files, *Settings);
}

TToolDone RunConvert(const TCommandLine& Line) {
  const TToolResult<TRegional> From = SettingsOf(Line.Value("from"));
  if (!From)
    return From.Failure();
  const TToolResult<TRegional> To = SettingsOf(Line.Value("to"));
  if (!To)
    return To.Failure();
  if (TToolDone Files = RequireFiles(Line, 2); !Files)
    return Files;
  return Convert(Line.Files[0], Line.Files[1], *From, *To);
}

TToolDone RunExport(const TCommandLine& Line) {
  int Level = 2;
  if (Line.IsSet("level")) {
    const QString Text = Line.Value("level");
    if (Text != u"0" && Text != u"1" && Text != u"2")
      return Usage(TTool::tr("the detail level must be 0, 1 or 2, not \"%1\"").arg(Text));
    Level = Text.toInt();
  }
  // Without a text a filter is off: a command line that names no language
  // means any language. The empty text is still there as --language "".
  TSetFilter Filter;
  Filter.AllLang = !Line.IsSet("language");
  Filter.Lang = Line.Value("language");
  Filter.AllCountries = !Line.IsSet("country");
  Filter.Country = Line.Value("country");
  const TToolResult<TRegional> Settings = LocaleSettings(Line);
  if (!Settings)
    return Settings.Failure();
  const QCollator Collator =
      RowCollator(Line.IsSet("locale") ? CollationOf(Line.Value("locale")) : CollationLocale());
  if (TToolDone Files = RequireFiles(Line, 2); !Files)
    return Files;
  return Export(Line.Files[0], Line.Files[1], *Settings, Filter, Level, Collator);
}

TToolDone Run(const QStringList& Args) {
  TCommandLine Line;
  for (const TOptionRow& Row : OptionRows())
    Line.Options.push_back(OptionOf(Row));
  Line.Parser.addOptions({Line.Options.begin(), Line.Options.end()});
  if (!Line.Parser.parse(Args))
    return Usage(ParseErrorText(Line.Parser, Args));
  if (Line.IsSet("help")) {
    PrintOut(Terminal(HelpText()));
    return {};
  }
  if (Line.IsSet("version")) {
    PrintOut(Terminal(ProgramName + u' ' + QStringLiteral(BRIMSETT_VERSION) + u'\n'));
    return {};
  }
  Line.Files = Line.Parser.positionalArguments();
  if (Line.Files.isEmpty())
    return Usage(TTool::tr("no command given"));
  Line.Command = Line.Files.takeFirst();
  if (TToolDone Checked = CheckOptions(Line); !Checked)
    return Checked;
  if (Line.Command == u"check")
    return RunCheck(Line);
  if (Line.Command == u"convert")
    return RunConvert(Line);
  return RunExport(Line);
}

// Arguments are read as UTF-8; other bytes would reach the file system as
// another name, and the command would read or replace the wrong file.
TToolDone CheckArguments(int argc, char** argv) {
  for (int I = 1; I < argc; ++I)
    if (!ArgumentIsExact(argv[I]))
      return Usage(Named(
          TTool::tr("argument \"%1\" is not UTF-8: such a name cannot be passed on unchanged"),
          ControlsEscaped(argv[I])));
  return {};
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
  if (TerminalConverts())
    std::setlocale(LC_CTYPE, "C.UTF-8");
  QCoreApplication::setApplicationName(ProgramName);
  QCoreApplication::setApplicationVersion(QStringLiteral(BRIMSETT_VERSION));
  // Messages in the language of the locale the tool runs in, whatever
  // --locale names for the files.
  LoadTranslations();
  TToolDone Done;
  try {
    Done = CheckArguments(argc, argv);
    if (Done)
      Done = Run(QCoreApplication::arguments());
  } catch (const std::bad_alloc&) {
    Done = TStopped{ExitFailed, Said(Terminal(FailureText(TFailure::OutOfMemory())))};
  }
  if (Done)
    return FinishStdout(ExitOk);
  PrintErr(Done.Failure().Message);
  if (Done.Failure().Exit == ExitUsage) {
    PrintErr(Terminal(TTool::tr("Help: brimsett-tool --help") + u'\n'));
    return ExitUsage;
  }
  return FinishStdout(Done.Failure().Exit);
}
