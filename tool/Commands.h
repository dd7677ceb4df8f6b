#pragma once

// The tool's three commands, once their command line is read: each reads its
// input, says on standard error what it did not carry or why it failed, and
// writes its result.

#include "Terminal.h"
#include "regional/Regional.h"
#include "testview/TestFilter.h"

#include <QCollator>
#include <QString>
#include <QStringList>

// The settings of the locale Name, or the command-line error.
TToolResult<TRegional> SettingsOf(const QString& Name);
// The editor takes its settings from the environment and falls back to the C
// settings; so does the tool without --locale, but it says so.
TRegional EnvironmentSettings();

// Each of Files read whole, a line each on standard output.
TToolDone Check(const QStringList& Files, const TRegional& Settings);
// Input read under From, written to Output under To.
TToolDone Convert(const QString& Input, const QString& Output, const TRegional& From,
                  const TRegional& To);
// The ticked rows of the sets of Input that pass Filter, at Level, in the
// order of Collator, exported to Output.
TToolDone Export(const QString& Input, const QString& Output, const TRegional& Settings,
                 const TSetFilter& Filter, int Level, const QCollator& Collator);
