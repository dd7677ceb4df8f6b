// brimsett-tool: checks, converts and exports set files without a window, on
// the core library alone. A set file carries the regional form of the machine
// that wrote it, so every command takes the settings it reads and writes under
// by a locale name rather than from wherever it happens to run.

#include "database/AtomicFile.h"
#include "database/Document.h"
#include "database/PropDB.h"
#include "database/SetFile.h"
#include "regional/Regional.h"
#include "testview/TestFilter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <exception>

namespace {

enum TExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

const QString ProgramName = QStringLiteral("brimsett-tool");

// Kept in step with tool/brimsett-tool.1: every option here is in the man page.
const char* const HelpText =
    "brimsett-tool — проверка, перевод в другие региональные настройки и выгрузка\n"
    "файлов наборов (.vsxml) без окна редактора.\n"
    "\n"
    "Использование:\n"
    "  brimsett-tool check   [--locale NAME] FILE...\n"
    "  brimsett-tool convert --from NAME --to NAME INPUT OUTPUT\n"
    "  brimsett-tool export  [--locale NAME] [--language TEXT | --all-languages]\n"
    "                        [--country TEXT | --all-countries] [--level 0|1|2] INPUT OUTPUT\n"
    "  brimsett-tool --help | --version\n"
    "\n"
    "Команды:\n"
    "  check    Читает каждый FILE целиком и выводит по строке на файл: имя файла и\n"
    "           число наборов и элементов либо сообщение об ошибке чтения (его строки\n"
    "           через \" | \").\n"
    "  convert  Читает INPUT в настройках --from и записывает OUTPUT в настройках --to\n"
    "           так, как его сохранил бы редактор. Если INPUT не читается целиком,\n"
    "           OUTPUT не создаётся и не меняется.\n"
    "  export   Записывает в OUTPUT то, что окно \"Выбор набора\" записало бы кнопкой\n"
    "           \"Сохранить в текстовый файл\" для каждого набора, прошедшего фильтры,\n"
    "           в порядке файла: его элементы с детализацией не выше --level и с\n"
    "           признаком \"по умолчанию\", по имени; в 8-битной кодировке настроек,\n"
    "           строки через CR LF.\n"
    "\n"
    "Файл прочитан целиком, когда нет ошибки чтения: любой узел в propdb, кроме\n"
    "элемента type, тоже ошибка.\n"
    "Выходной файл заменяется только записанным полностью.\n"
    "\n"
    "Параметры:\n"
    "  --locale NAME      Региональные настройки локали NAME (например ru_RU.UTF-8):\n"
    "                     формат даты, десятичный разделитель, кодировка и порядок\n"
    "                     строк выгрузки. Без параметра действуют настройки окружения.\n"
    "  --from NAME        Настройки, в которых записан INPUT.\n"
    "  --to NAME          Настройки, в которых записать OUTPUT.\n"
    "  --language TEXT    Только наборы, язык которых в точности равен TEXT (пустой\n"
    "                     TEXT: наборы без языка).\n"
    "  --all-languages    Наборы любого языка; так же без --language.\n"
    "  --country TEXT     Только наборы, страна которых в точности равна TEXT.\n"
    "  --all-countries    Наборы любой страны; так же без --country.\n"
    "  --level 0|1|2      Степень детализации: 0 низкая, 1 средняя, 2 высокая\n"
    "                     (по умолчанию 2).\n"
    "  -h, --help         Эта справка.\n"
    "  --version          Версия программы.\n"
    "\n"
    "Код возврата: 0 успех; 1 файл не прочитан целиком или не записан; 2 ошибка в\n"
    "командной строке (неизвестная команда, параметр или локаль, нет аргумента,\n"
    "неверный уровень, несовместимые параметры).\n";

// Raised for anything wrong on the command line; nothing has been read or
// written yet when it is.
struct TUsageError {
  QString Message;
};

void Print(FILE* Stream, const QString& Text) {
  const QByteArray Bytes = Text.toLocal8Bit();
  std::fwrite(Bytes.constData(), 1, static_cast<size_t>(Bytes.size()), Stream);
}

void Fail(const QString& Text) {
  Print(stderr, ProgramName + QStringLiteral(": ") + Text + u'\n');
}

// An error message on one line: a conversion message quotes the attribute,
// line breaks and all.
QString OneLine(const QString& Message) {
  static const QRegularExpression Breaks(QStringLiteral("\\r\\n|\\r|\\n"));
  QStringList Parts = Message.split(Breaks);
  while (Parts.size() > 1 && Parts.back().isEmpty())
    Parts.removeLast();
  return Parts.join(QStringLiteral(" | "));
}

QString ErrorText(const std::exception& E) {
  if (const auto* Load = dynamic_cast<const TLoadError*>(&E)) {
    QStringList Lines = Load->Failure().Lines(Load->Failure().Reason);
    if (Lines.size() > 1 && Lines.back().isEmpty())
      Lines.removeLast();
    return Lines.join(QStringLiteral(" | "));
  }
  if (const auto* Error = dynamic_cast<const TError*>(&E))
    return Error->Message();
  return QString::fromLocal8Bit(E.what());
}

TRegional SettingsOf(const QString& Name) {
  if (Name.isEmpty())
    throw TUsageError{QStringLiteral("пустое имя локали")};
  std::optional<TRegional> Settings = TRegional::TryFromLocale(Name.toLocal8Bit());
  if (!Settings)
    throw TUsageError{QStringLiteral("неизвестная локаль \"") + Name + u'"'};
  return *Settings;
}

// The editor takes its settings from the environment and falls back to the C
// settings; so does the tool without --locale, but it says so.
TRegional EnvironmentSettings() {
  if (std::optional<TRegional> Settings = TRegional::TryFromLocale(QByteArray()))
    return *Settings;
  Fail(QStringLiteral("локаль окружения недоступна, действуют настройки C"));
  return TRegional::FromLocale("C");
}

// The collation of a named locale, as the test view takes it from LC_ALL.
QLocale CollationOf(const QString& Name) {
  const QString Base = Name.section(u'.', 0, 0).section(u'@', 0, 0);
  if (Base.isEmpty() || Base == u"C" || Base == u"POSIX")
    return QLocale::c();
  return QLocale(Base);
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

// QCommandLineParser's own messages are English; these say the same in Russian.
QString ParseErrorText(const QCommandLineParser& Parser, const QStringList& Args,
                       const TOptions& O) {
  const QStringList Unknown = Parser.unknownOptionNames();
  if (!Unknown.isEmpty())
    return QStringLiteral("неизвестный параметр ") + Dashed(Unknown.front());
  for (const QCommandLineOption* Option :
       {&O.Locale, &O.From, &O.To, &O.Language, &O.Country, &O.Level})
    if (Args.size() > 1 && Args.back() == Dashed(Option->names().front()))
      return QStringLiteral("у параметра ") + Args.back() + QStringLiteral(" нет значения");
  return QStringLiteral("неверная командная строка: ") + Parser.errorText();
}

void RequireFiles(const QStringList& Files, qsizetype Count, const QString& Command) {
  if (Count < 0 ? Files.isEmpty() : Files.size() < Count)
    throw TUsageError{QStringLiteral("команде ") + Command + QStringLiteral(" не хватает файлов")};
  if (Count >= 0 && Files.size() > Count)
    throw TUsageError{QStringLiteral("лишний аргумент \"") + Files[Count] + u'"'};
}

int Check(const QStringList& Files, const TRegional& Settings) {
  int Result = ExitOk;
  for (const QString& File : Files) {
    TPropDB DB;
    TDocument Doc(DB);
    QString Line = File + QStringLiteral(": ");
    if (Doc.Load(File, Settings)) {
      Line += QStringLiteral("наборов: ") + QString::number(DB.TypeCount()) +
              QStringLiteral(", элементов: ") + QString::number(DB.PropCount());
    } else {
      Line += QStringLiteral("ошибка: ") + OneLine(Doc.Error());
      Result = ExitFailed;
    }
    Print(stdout, Line + u'\n');
  }
  std::fflush(stdout);
  return Result;
}

bool Load(const QString& File, TPropDB& DB, const TRegional& Settings) {
  TDocument Doc(DB);
  if (Doc.Load(File, Settings))
    return true;
  Fail(File + QStringLiteral(": ошибка чтения: ") + OneLine(Doc.Error()));
  return false;
}

int Convert(const QString& Input, const QString& Output, const TRegional& From,
            const TRegional& To) {
  TPropDB DB;
  if (!Load(Input, DB, From)) {
    Fail(Output + QStringLiteral(": не записан"));
    return ExitFailed;
  }
  if (const TDocument Doc(DB); !Doc.Save(Output, To)) {
    Fail(Output + QStringLiteral(": ошибка записи: ") + OneLine(Doc.Error()));
    return ExitFailed;
  }
  return ExitOk;
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
  TPropDB DB;
  if (!Load(Input, DB, Settings)) {
    Fail(Output + QStringLiteral(": не записан"));
    return ExitFailed;
  }
  try {
    // One set's export after another is the export of all their rows: the
    // 8-bit character sets carry no state from line to line.
    SaveExport(Output, ExportRows(DB, Filter, Level, Collator), Settings);
  } catch (const std::exception& E) {
    Fail(Output + QStringLiteral(": ошибка записи: ") + OneLine(ErrorText(E)));
    return ExitFailed;
  }
  return ExitOk;
}

int Run(const QStringList& Args) {
  TOptions O;
  QCommandLineParser Parser;
  Parser.addOptions({O.Help, O.Version, O.Locale, O.From, O.To, O.Language, O.AllLanguages,
                     O.Country, O.AllCountries, O.Level});
  if (!Parser.parse(Args))
    throw TUsageError{ParseErrorText(Parser, Args, O)};
  if (Parser.isSet(O.Help)) {
    Print(stdout, QString::fromUtf8(HelpText));
    return ExitOk;
  }
  if (Parser.isSet(O.Version)) {
    Print(stdout, ProgramName + u' ' + QStringLiteral(BRIMSETT_VERSION) + u'\n');
    return ExitOk;
  }

  QStringList Files = Parser.positionalArguments();
  if (Files.isEmpty())
    throw TUsageError{QStringLiteral("не указана команда")};
  const QString Command = Files.takeFirst();

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
    throw TUsageError{QStringLiteral("неизвестная команда \"") + Command + u'"'};
  QSet<QString> Seen;
  for (const QString& Name : Parser.optionNames()) {
    if (!Allowed.contains(Name))
      throw TUsageError{QStringLiteral("параметр ") + Dashed(Name) +
                        QStringLiteral(" не относится к команде ") + Command};
    if (Seen.contains(Name))
      throw TUsageError{QStringLiteral("параметр ") + Dashed(Name) +
                        QStringLiteral(" задан больше одного раза")};
    Seen.insert(Name);
  }

  if (Command == u"check") {
    RequireFiles(Files, -1, Command);
    const TRegional Settings =
        Parser.isSet(O.Locale) ? SettingsOf(Parser.value(O.Locale)) : EnvironmentSettings();
    return Check(Files, Settings);
  }

  if (Command == u"convert") {
    for (const QCommandLineOption* Option : {&O.From, &O.To})
      if (!Parser.isSet(*Option))
        throw TUsageError{QStringLiteral("команде convert нужен параметр ") +
                          Dashed(Option->names().front())};
    const TRegional From = SettingsOf(Parser.value(O.From));
    const TRegional To = SettingsOf(Parser.value(O.To));
    RequireFiles(Files, 2, Command);
    return Convert(Files[0], Files[1], From, To);
  }

  // export
  if (Parser.isSet(O.Language) && Parser.isSet(O.AllLanguages))
    throw TUsageError{QStringLiteral("--language и --all-languages вместе не задаются")};
  if (Parser.isSet(O.Country) && Parser.isSet(O.AllCountries))
    throw TUsageError{QStringLiteral("--country и --all-countries вместе не задаются")};
  int Level = 2;
  if (Parser.isSet(O.Level)) {
    const QString Text = Parser.value(O.Level);
    if (Text != u"0" && Text != u"1" && Text != u"2")
      throw TUsageError{QStringLiteral("уровень детализации должен быть 0, 1 или 2, а не \"") +
                        Text + u'"'};
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

} // namespace

int main(int argc, char** argv) {
  IgnoreFileSizeSignal();
  QCoreApplication App(argc, argv);
  QCoreApplication::setApplicationName(ProgramName);
  QCoreApplication::setApplicationVersion(QStringLiteral(BRIMSETT_VERSION));
  try {
    return Run(QCoreApplication::arguments());
  } catch (const TUsageError& Error) {
    Fail(Error.Message);
    Print(stderr, QStringLiteral("Справка: brimsett-tool --help\n"));
    return ExitUsage;
  }
}
