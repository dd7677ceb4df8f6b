#pragma once

// What the set test view lists and what its export writes, apart from any
// window: the set filter, the item filter, the row order and the export file.

#include "database/PropDB.h"
#include "regional/Regional.h"

#include <QByteArray>
#include <QCollator>
#include <QLocale>
#include <QString>

#include <atomic>
#include <vector>

// The language and country inputs of the view. A text counts only while its
// "all" flag is off; it is compared whole, code unit by code unit.
struct TSetFilter {
  bool AllLang = false;
  QString Lang;
  bool AllCountries = false;
  QString Country;
};

// The sets of DB that pass Filter, in database order.
TTypeList FilterTypes(const TPropDB& DB, const TSetFilter& Filter);

// The items of DB whose Parent is Type (by identity) and whose Detail is at
// most Level, in database order. None for a null Type.
TPropList FilterItems(const TPropDB& DB, PTypeRecord Type, int Level);
// The same from items grouped once, for callers that list many sets.
TPropList FilterItems(const TPropsBySet& Groups, PTypeRecord Type, int Level);

// The locale whose collation orders the rows: the environment's LC_ALL,
// LC_COLLATE or LANG, in that order; "C" when none is set.
QLocale CollationLocale();
// The collation of the C library locale Name ("ru_RU.UTF-8@euro"): the
// character set and the modifier do not change the order.
QLocale CollationOf(const QString& Name);

// A case-sensitive collator for Locale, as the rows are ordered.
QCollator RowCollator(const QLocale& Locale = CollationLocale());

// Orders Rows ascending by Name under Collator; equal names keep their order.
void SortByName(TPropList& Rows, const QCollator& Collator);
// The same by Names, Names[I] being the name of Rows[I], for a caller that
// may not read the records: another thread. False, with Rows as they were,
// when Stop was set meanwhile.
bool SortByName(TPropList& Rows, const std::vector<TText>& Names, const QCollator& Collator,
                const std::atomic<bool>& Stop);

// One export line: Name TAB short date TAB price with two decimals TAB Curr CR LF.
QString ExportLine(const TPropRecord& Rec, const TRegional& Settings);

// The whole export file for Rows, in Settings' 8-bit character set, no
// byte-order mark; fails when that character set cannot be converted to.
// Lost, when given, gets the characters that the bytes do not carry as they
// are (the character set has no byte for them: "?" or a look-alike stands
// in), as a CharactersLost warning naming the first row that holds one.
TResult<QByteArray> ExportBytes(const TPropList& Rows, const TRegional& Settings,
                                TWarnings* Lost = nullptr);

// Writes the export of Rows to FileName through a temporary file that replaces
// it only when everything was written; on failure, an empty FileName too, the
// file that was there before is left as it was. Returns what was lost, as
// ExportBytes does.
TResult<TWarnings> SaveExport(const QString& FileName, const TPropList& Rows,
                              const TRegional& Settings);

// Refuses an export to Output when it is the set file Input that it exports,
// under whatever name or link.
TDone CheckNotInput(const QString& Output, const QString& Input);

// The rows whose name or currency holds a tab or a line break, which splits
// the row in the export.
TWarnings ExportWarnings(const TPropList& Rows);
