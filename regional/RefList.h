#pragma once

// The plain-text reference lists (countries, languages, currencies) that
// start-up offers in the drop-down boxes.

#include "failures/Failure.h"
#include "regional/Regional.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One entry per line, in file order, nothing trimmed or skipped. A leading
// byte-order mark (UTF-16 LE, UTF-16 BE, UTF-8) chooses the encoding; without
// one the bytes are in the 8-bit character set of Settings.
QStringList DecodeRefList(const QByteArray& Bytes, const TRegional& Settings);

// The entries of a reference list file; fails when it is missing, not a
// plain file, or cannot be read.
TResult<QStringList> LoadRefList(const QString& FileName, const TRegional& Settings);
