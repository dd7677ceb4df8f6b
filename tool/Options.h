#pragma once

// The tool's commands and options, defined once: the parser, the help text
// and the bash completion are made from this table, and a test holds the man
// page to it.

#include <QString>
#include <QStringList>

#include <span>

// The commands, as bits of the set that an option belongs to.
enum TCommand : unsigned { CommandCheck = 1, CommandConvert = 2, CommandExport = 4 };

struct TCommandName {
  TCommand Command;
  const char* Name;
};
inline constexpr TCommandName Commands[] = {
    {CommandCheck, "check"}, {CommandConvert, "convert"}, {CommandExport, "export"}};

struct TOptionRow {
  const char* Name;  // the long name, without its dashes
  const char* Short; // a one-letter name, or nullptr
  // What the value stands for in the help ("NAME"); nullptr for an option
  // without a value. One that lists its values ("0|1|2") completes them.
  const char* Value;
  unsigned Commands; // the commands that take it; none for --help and --version
  unsigned Required; // the commands that need it
  // The option that it excludes, or nullptr.
  const char* Excludes;
  const char* Help; // translated in the context "TTool"; its lines after the first are indented
};

std::span<const TOptionRow> OptionRows();
// The row with the long name Name, or nullptr.
const TOptionRow* FindOption(const QString& Name);

// "--locale", or "-h" for a one-letter name.
QString Dashed(const QString& Name);

// The whole help text, in the catalogue's language.
QString HelpText();

// The bash completion script: the commands, each command's options, locale
// names after an option whose value is a NAME, the listed values of one that
// lists them, nothing after a TEXT, set files for the rest.
QByteArray BashCompletion();
