#pragma once

// What a row of the format's tables (database/setfile/Schema.h) reads a value
// with. Both readers give one, so that each conversion and each warning rule
// of a value is written once, in its row.

#include "database/Text.h"
#include "database/setfile/TextStore.h"
#include "failures/Failure.h"
#include "regional/Regional.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

// An attribute's value as a reader gives it to a row: its bytes, ended by a
// zero byte (nullptr for an absent attribute), and their number where the
// reader knows it without counting.
struct TRawValue {
  static constexpr size_t Unknown = size_t(-1);
  TRawValue(const char* ABytes = nullptr, size_t ASize = Unknown) : Bytes(ABytes), Size(ASize) {}
  const char* Bytes;
  size_t Size;
};

// An attribute's text as read last.
struct TLastText {
  std::string Raw;
  TText Text;
};

class TReadContext {
public:
  TReadContext(const TRegional& Settings, int ThisYear)
      : FSettings(Settings), FThisYear(ThisYear) {}
  TReadContext(const TReadContext&) = delete;
  TReadContext& operator=(const TReadContext&) = delete;

  // The value as a QString for the general conversions, which only failing
  // or unusual values reach.
  const QString& Scratch(std::string_view Value);
  // As text of a record; equal texts share their characters, and with Last a
  // text that repeats the one before is not looked up. A text that would take
  // the values beyond their bound is not taken: Overflowed() says so.
  TText Text(std::string_view Value, TLastText* Last = nullptr);
  const TRegional& Settings() const { return FSettings; }
  // Two-digit years are read against one year for the whole file.
  int ThisYear() const { return FThisYear; }

  // A value of the record being read that a save would not keep as it is.
  void Note(TWarningKind Kind) { FNoted |= 1u << unsigned(Kind); }
  // The kinds noted since the last call, one bit each.
  unsigned TakeNoted() { return std::exchange(FNoted, 0u); }

  // The bytes of the values taken so far, and the most they may come to.
  qint64 ValueBytes = 0;
  qint64 ValueBound = std::numeric_limits<qint64>::max();
  bool Overflowed() const { return FOverflowed; }

private:
  const TRegional& FSettings;
  const int FThisYear;
  QString FScratch;
  TTextStore FTexts;
  unsigned FNoted = 0;
  bool FOverflowed = false;
};
