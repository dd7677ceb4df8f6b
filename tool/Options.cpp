#include "Options.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

constexpr unsigned AllCommands = CommandCheck | CommandConvert | CommandExport;
// The options' names and values stand in one column of the help this wide.
constexpr qsizetype HelpIndent = 21;

constexpr TOptionRow Rows[] = {
    {"locale", nullptr, "NAME", CommandCheck | CommandExport, 0, nullptr,
     QT_TRANSLATE_NOOP("TTool", "The regional settings of the locale NAME (for example\n"
                                "ru_RU.UTF-8): date format, decimal separator, character\n"
                                "set and row order of the export. Without it the\n"
                                "environment's settings apply.")},
    {"from", nullptr, "NAME", CommandConvert, CommandConvert, nullptr,
     QT_TRANSLATE_NOOP("TTool", "The settings INPUT was written under.")},
    {"to", nullptr, "NAME", CommandConvert, CommandConvert, nullptr,
     QT_TRANSLATE_NOOP("TTool", "The settings to write OUTPUT under.")},
    {"language", nullptr, "TEXT", CommandExport, 0, "all-languages",
     QT_TRANSLATE_NOOP("TTool", "Only sets whose language is exactly TEXT (an empty\n"
                                "TEXT: sets without a language).")},
    {"all-languages", nullptr, nullptr, CommandExport, 0, nullptr,
     QT_TRANSLATE_NOOP("TTool", "Sets of any language; also without --language.")},
    {"country", nullptr, "TEXT", CommandExport, 0, "all-countries",
     QT_TRANSLATE_NOOP("TTool", "Only sets whose country is exactly TEXT.")},
    {"all-countries", nullptr, nullptr, CommandExport, 0, nullptr,
     QT_TRANSLATE_NOOP("TTool", "Sets of any country; also without --country.")},
    {"level", nullptr, "0|1|2", CommandExport, 0, nullptr,
     QT_TRANSLATE_NOOP("TTool", "The detail level: 0 low, 1 medium, 2 high (default 2).")},
    {"help", "h", nullptr, 0, 0, nullptr, QT_TRANSLATE_NOOP("TTool", "This help.")},
    {"version", nullptr, nullptr, 0, 0, nullptr,
     QT_TRANSLATE_NOOP("TTool", "The program's version.")},
};

// Everything of the help before its options, and after them.
const char* const HelpHead = QT_TRANSLATE_NOOP(
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
    "Options:\n");
const char* const HelpTail = QT_TRANSLATE_NOOP(
    "TTool", "Exit status: 0 success; 1 a file did not read completely or was not written;\n"
             "2 a command-line error (unknown command, option or locale, a missing\n"
             "argument, a wrong level, options that exclude each other).\n");

QString Tr(const char* Text) {
  return QCoreApplication::translate("TTool", Text);
}

// How the option is written: its names and its value.
QString Label(const TOptionRow& Row) {
  QString Label = QStringLiteral("--") + QLatin1String(Row.Name);
  if (Row.Short)
    Label.prepend(QStringLiteral("-") + QLatin1String(Row.Short) + QStringLiteral(", "));
  if (Row.Value)
    Label += u' ' + QLatin1String(Row.Value);
  return Label;
}

} // namespace

std::span<const TOptionRow> OptionRows() {
  return Rows;
}

const TOptionRow* FindOption(const QString& Name) {
  for (const TOptionRow& Row : Rows)
    if (Name == QLatin1String(Row.Name) || (Row.Short && Name == QLatin1String(Row.Short)))
      return &Row;
  return nullptr;
}

QString Dashed(const QString& Name) {
  return (Name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + Name;
}

QString HelpText() {
  QString Text = Tr(HelpHead);
  for (const TOptionRow& Row : Rows) {
    const QString Names = QStringLiteral("  ") + Label(Row);
    const QString Indent(HelpIndent, u' ');
    Text += Names.leftJustified(HelpIndent - 1) + u' ' +
            Tr(Row.Help).replace(u'\n', u'\n' + Indent) + u'\n';
  }
  return Text + u'\n' + Tr(HelpTail);
}

QByteArray BashCompletion() {
  QStringList Locales, Texts, Commands, ListedNames;
  QString Listed;
  for (const TOptionRow& Row : Rows) {
    if (!Row.Value)
      continue;
    const QString Name = QStringLiteral("--") + QLatin1String(Row.Name);
    const QString Value = QLatin1String(Row.Value);
    if (Value == u"NAME")
      Locales << Name;
    else if (Value == u"TEXT")
      Texts << Name;
    else {
      ListedNames << Name;
      Listed += QStringLiteral("  %1)\n    COMPREPLY=($(compgen -W \"%2\" -- \"$cur\"))\n"
                               "    return\n    ;;\n")
                    .arg(Name, QString(Value).replace(u'|', u' '));
    }
  }
  QString PerCommand;
  for (const TCommandName& C : ::Commands) {
    Commands << QLatin1String(C.Name);
    QStringList Options;
    for (const TOptionRow& Row : Rows)
      if (Row.Commands & C.Command)
        Options << QStringLiteral("--") + QLatin1String(Row.Name);
    PerCommand +=
        QStringLiteral("  %1) options='%2' ;;\n").arg(QLatin1String(C.Name), Options.join(u' '));
  }
  QStringList Alone = Commands;
  for (const TOptionRow& Row : Rows)
    if ((Row.Commands & AllCommands) == 0)
      Alone << QStringLiteral("--") + QLatin1String(Row.Name);
  const QString Script =
      QStringLiteral("# bash completion for brimsett-tool: commands, the options of each command,\n"
                     "# locale names for %1, the listed values of %2, set files for the rest.\n"
                     "# Made from the tool's table of options.\n"
                     "\n"
                     "_brimsett_tool() {\n"
                     "  local cur prev words cword\n"
                     "  _init_completion || return\n"
                     "\n"
                     "  case $prev in\n"
                     "  %3)\n"
                     "    COMPREPLY=($(compgen -W \"$(locale -a 2>/dev/null)\" -- \"$cur\"))\n"
                     "    return\n"
                     "    ;;\n"
                     "%4"
                     "  %5)\n"
                     "    return\n"
                     "    ;;\n"
                     "  esac\n"
                     "\n"
                     "  local command='' i\n"
                     "  for ((i = 1; i < cword; i++)); do\n"
                     "    case ${words[i]} in\n"
                     "    %6)\n"
                     "      command=${words[i]}\n"
                     "      break\n"
                     "      ;;\n"
                     "    esac\n"
                     "  done\n"
                     "\n"
                     "  local options\n"
                     "  case $command in\n"
                     "  '') options='%7' ;;\n"
                     "%8"
                     "  esac\n"
                     "  if [[ -z $command || $cur == -* ]]; then\n"
                     "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
                     "  else\n"
                     "    _filedir vsxml\n"
                     "    [[ $command == export ]] && _filedir txt\n"
                     "  fi\n"
                     "  # \"-\" is standard input or output.\n"
                     "  [[ -n $command && - == \"$cur\"* ]] && COMPREPLY+=(-)\n"
                     "  return 0\n"
                     "}\n"
                     "complete -F _brimsett_tool brimsett-tool\n")
          .arg(Locales.join(QStringLiteral(", ")), ListedNames.join(QStringLiteral(", ")),
               Locales.join(QStringLiteral(" | ")), Listed, Texts.join(QStringLiteral(" | ")),
               Commands.join(QStringLiteral(" | ")), Alone.join(u' '), PerCommand);
  return Script.toUtf8();
}
