#pragma once

// The reasons a set file fails to load, in the user's language. The reader
// words them in English; these look the English up in the catalogue at call
// time, so that a translator installed later still applies.

#include <QString>

#include <span>

// One expat error code and our English wording for it. The wording is ours,
// not expat's, so that a newer expat does not change what users read.
struct TExpatReason {
  int Code;
  const char* Text;
};

// Every expat code that a set file can raise; codes that only a misused
// parser or namespace processing gives are left out.
std::span<const TExpatReason> ExpatReasons();

// The reasons that the reader, the writer and the files layer raise
// themselves, as they raise them (%1, %2 ... stand for what they fill in).
std::span<const char* const> OwnReasons();

// The reason for an expat error code, translated; an unknown code gives
// expat's own text.
QString ExpatReason(int Code);

// English, a reason of OwnReasons() (filled in or not) or expat's own wording
// of a code, translated; any other text, such as a conversion message, as it
// is.
QString TranslatedReason(const QString& English);

// A reader's message with its first line, the reason, translated; the lines
// after it (line number, source text) stay as they are.
QString TranslatedMessage(const QString& Message);
