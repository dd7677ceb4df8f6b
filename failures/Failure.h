#pragma once

// Why something failed, or was not carried exactly, as data: the id of a
// reason and what fills it in. Nothing is worded until it is shown, by
// FailureText and WarningText, so that the catalogue installed at that time
// applies and nothing has to be read back out of a sentence.

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

class QIODevice;

enum class TReasonKind : unsigned char {
  Own,        // Text is one of Reason:: (failures/Reasons.h)
  Parser,     // Code is the parser's error code
  System,     // Code is an errno value
  Foreign,    // Args[0] is a reason as Qt or the runtime words it
  Conversion, // Text is one of Conversion::, shown as it stands
  Memory,     // the memory ran out
};

// The conversions' messages, in English as the reading rules have always
// given them, and translated where they are shown. "%1" is the text that did
// not convert; a value of a file adds "%2", the name of its set or item.
namespace Conversion {
inline constexpr const char* NotADate =
    QT_TRANSLATE_NOOP("Conversion", "''%1'' is not a valid date");
inline constexpr const char* NotAFloat =
    QT_TRANSLATE_NOOP("Conversion", "'%1' is not a valid floating point value");
inline constexpr const char* NotAnInteger =
    QT_TRANSLATE_NOOP("Conversion", "''%1'' is not a valid integer value");
inline constexpr const char* NotAGuid =
    QT_TRANSLATE_NOOP("Conversion", "'%1' is not a valid GUID value");
// Where in a file: the message, and the set or item that holds the value.
inline constexpr const char* InSet = QT_TRANSLATE_NOOP("Conversion", "%1 (set \"%2\")");
inline constexpr const char* InItem = QT_TRANSLATE_NOOP("Conversion", "%1 (item \"%2\")");
} // namespace Conversion

struct TFailure {
  TReasonKind Kind = TReasonKind::Own;
  const char* Text = nullptr; // Own, Conversion: the reason's pattern
  int Code = 0;               // Parser, System
  QStringList Args;           // what the pattern's %1, %2 ... stand for
  // A document that does not parse is shown with where: the line (0 when the
  // file could not be read at all) and the start of that line.
  bool Parse = false;
  qint64 Line = 0;
  QString Source;
  const char* Where =
      nullptr; // Conversion: Conversion::InSet or InItem, with the name last in Args

  static TFailure Own(const char* Reason, QStringList Args = {}) {
    return Of(TReasonKind::Own, Reason, 0, std::move(Args));
  }
  static TFailure Parser(int Code) { return Of(TReasonKind::Parser, nullptr, Code); }
  static TFailure System(int Errno) { return Of(TReasonKind::System, nullptr, Errno); }
  static TFailure OfDevice(const QIODevice& Device);
  static TFailure Foreign(const QString& Reason) {
    return Of(TReasonKind::Foreign, nullptr, 0, {Reason});
  }
  static TFailure Converting(const char* Pattern, const QString& Text) {
    return Of(TReasonKind::Conversion, Pattern, 0, {Text});
  }
  // A conversion's failure on a value of a file: where it stands, by Holder,
  // Conversion::InSet or InItem, and the record's Name.
  TFailure In(const char* Holder, const QString& Name, qint64 ALine) && {
    Where = Holder;
    Args.append(Name);
    return std::move(*this).At(ALine);
  }
  static TFailure OutOfMemory() { return Of(TReasonKind::Memory, nullptr, 0); }

  // The same failure as a parse failure at Line.
  TFailure At(qint64 ALine) && {
    Parse = true;
    Line = ALine;
    return std::move(*this);
  }
  bool Is(const char* Reason) const { return Kind == TReasonKind::Own && Text == Reason; }

  friend bool operator==(const TFailure&, const TFailure&) = default;

private:
  static TFailure Of(TReasonKind Kind, const char* Text, int Code, QStringList Args = {}) {
    TFailure F;
    F.Kind = Kind;
    F.Text = Text;
    F.Code = Code;
    F.Args = std::move(Args);
    return F;
  }
};

// How the lines of a failure are put together: one under the other (CR LF,
// as message boxes take them), or on one line for a terminal.
enum class TLayout : unsigned char { Lines, OneLine };

// The one wording of a failure, in the user's language: the reason, and for a
// parse failure the parse-error pattern's "Line: N" and source after it.
// What came from a file shows its control characters escaped.
QString FailureText(const TFailure& Failure, TLayout Layout = TLayout::Lines);

// Text with its C0 and C1 control characters but TAB, DEL, the line and
// paragraph separators and the bidirectional controls escaped ("\x1B",
// "\u202E"), as everything from a file is shown: in a terminal they would
// act, in a message box they would show as nothing or turn the text around.
QString Escaped(const QString& Text);

// What a load read but does not carry as the file had it, one entry a kind:
// how many values or nodes, and the first of them.
enum class TWarningKind : unsigned char {
  Skipped,          // elements, attributes and other nodes that the format does not know
  CostRounded,      // costs beyond the 15 digits that a file keeps, or too small to read
  YearFromToday,    // dates whose year, or its century, came from today
  FlagModulo,       // default flags outside 0..255, read modulo 256
  DetailOutOfRange, // detail levels outside 0..2: at no level in the test view
  RowSplits,        // exported texts holding a tab or a line break
  CharactersLost,   // exported characters that the character set has no byte for
};

struct TWarning {
  TWarningKind Kind;
  qint64 Count = 0;
  QString First;        // the first node's or item's name
  qint64 Line = 0;      // where the first is; 0 where no line applies
  QString Charset = {}; // CharactersLost: the character set written

  friend bool operator==(const TWarning&, const TWarning&) = default;
};

class TWarnings {
public:
  // Counts one more of Kind. Only for the first does First() give its name
  // and line, so that counting the others costs nothing more.
  template <class TFirst> void Add(TWarningKind Kind, TFirst First) {
    for (TWarning& W : FAll)
      if (W.Kind == Kind) {
        ++W.Count;
        return;
      }
    auto [Name, Line] = First();
    FAll.push_back({Kind, 1, std::move(Name), Line});
  }
  // Adds Warning whole, or its count to the one of its kind.
  void Put(TWarning Warning) {
    for (TWarning& W : FAll)
      if (W.Kind == Warning.Kind) {
        W.Count += Warning.Count;
        return;
      }
    FAll.push_back(std::move(Warning));
  }
  const std::vector<TWarning>& All() const { return FAll; }
  bool Empty() const { return FAll.empty(); }

  friend bool operator==(const TWarnings&, const TWarnings&) = default;

private:
  std::vector<TWarning> FAll; // in the order first met
};

// The one wording of a warning, in the user's language.
QString WarningText(const TWarning& Warning);

// Either a value or the failure that stands in its place: a TFailure, or
// another account of why (the tool's command-line errors).
template <class T, class TWhy = TFailure> class [[nodiscard]] TResult {
public:
  TResult(T Value) : FValue(std::move(Value)) {}
  TResult(TWhy Failure) : FValue(std::move(Failure)) {}

  explicit operator bool() const { return FValue.index() == 0; }
  T& operator*() { return std::get<0>(FValue); }
  const T& operator*() const { return std::get<0>(FValue); }
  T* operator->() { return &std::get<0>(FValue); }
  const T* operator->() const { return &std::get<0>(FValue); }
  const TWhy& Failure() const { return std::get<1>(FValue); }

private:
  std::variant<T, TWhy> FValue;
};

// What only succeeds or fails.
template <class TWhy> class [[nodiscard]] TResult<void, TWhy> {
public:
  TResult() = default;
  TResult(TWhy Failure) : FFailure(std::move(Failure)) {}

  explicit operator bool() const { return !FFailure; }
  const TWhy& Failure() const { return *FFailure; }

private:
  std::optional<TWhy> FFailure;
};

using TDone = TResult<void>;
