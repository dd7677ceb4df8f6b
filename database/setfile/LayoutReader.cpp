// The layout reader. A document is read element by element from a buffer that holds
// what the device gave and is not yet read: an element that the buffer ends
// inside is read again from its start once more bytes came, so that nothing
// of it is added before all of it is known to be in the layout.

#include "database/setfile/LayoutReader.h"

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "database/setfile/KeptReads.h"
#include "database/setfile/Limits.h"
#include "database/setfile/PlainScan.h"
#include "database/setfile/Schema.h"
#include "database/setfile/Values.h"

#include <QDate>
#include <QFileDevice>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Bytes asked of the device at a time.
constexpr size_t ReadSize = size_t(256) << 10;
// An element longer than this goes to the general reader, whose bound on a
// tag it meets there.
constexpr size_t LongestElement = size_t(MaxTagBytes);
// A device that cannot go back keeps what was read for the general reader;
// a longer document goes there once this much was kept.
constexpr qsizetype KeepLimit = qsizetype(32) << 20;
constexpr size_t KeepPieces = 65536;

// The writer's escapes: the character, and the length of the reference at
// P, of which at least six bytes are there; 0 for any other.
std::pair<char, size_t> Reference(const unsigned char* P) {
  const auto Is = [P](std::string_view Text) {
    return std::memcmp(P, Text.data(), Text.size()) == 0;
  };
  if (Is("&amp;"))
    return {'&', 5};
  if (Is("&quot;"))
    return {'"', 6};
  if (Is("&lt;"))
    return {'<', 4};
  if (Is("&gt;"))
    return {'>', 4};
  if (Is("&#9;"))
    return {'\t', 4};
  if (Is("&#10;"))
    return {'\n', 5};
  if (Is("&#13;"))
    return {'\r', 5};
  return {0, 0};
}

// The length of the UTF-8 sequence at P, of which at least four bytes are
// there, for a character that XML 1.0 allows in a document: no overlong
// form, no surrogate, nothing beyond U+10FFFF, neither U+FFFE nor U+FFFF.
// 0 for anything else; P[0] is at least 0x80.
size_t SequenceAt(const unsigned char* P) {
  const auto In = [](unsigned char B, unsigned char Low, unsigned char High) {
    return B >= Low && B <= High;
  };
  const unsigned char B = P[0];
  if (B < 0xC2)
    return 0;
  if (B < 0xE0)
    return In(P[1], 0x80, 0xBF) ? 2 : 0;
  if (B < 0xF0) {
    const unsigned char Low = B == 0xE0 ? 0xA0 : 0x80, High = B == 0xED ? 0x9F : 0xBF;
    if (!In(P[1], Low, High) || !In(P[2], 0x80, 0xBF))
      return 0;
    return B == 0xEF && P[1] == 0xBF && P[2] >= 0xBE ? 0 : 3;
  }
  if (B < 0xF5) {
    const unsigned char Low = B == 0xF0 ? 0x90 : 0x80, High = B == 0xF4 ? 0x8F : 0xBF;
    return In(P[1], Low, High) && In(P[2], 0x80, 0xBF) && In(P[3], 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

// A value's bytes between its quotation marks; Escaped when it holds a
// reference.
struct TSpan {
  unsigned char* Begin = nullptr;
  size_t Size = 0;
  bool Escaped = false;
};

enum class TStep { Done, More, GiveUp };

class TWriterLayout {
public:
  TWriterLayout(QIODevice& Device, TPropDB& DB, const TRegional& Settings, TReplay& Consumed,
                const TLoadProgress& Progress)
      : FDevice(Device), FDB(DB), FConsumed(Consumed), FProgress(Progress),
        FContext(Settings, QDate::currentDate().year()),
        // A value's closing quotation mark is read with the value.
        FTypeLeads(Leads(TypeAttributes, TypeStart, "")),
        FPropLeads(Leads(PropAttributes, PropStart, "")) {}

  bool Run();

private:
  enum class TState { Prolog, Root, Type, Trailer, Finished };

  QIODevice& FDevice;
  TPropDB& FDB;
  TReplay& FConsumed;
  const TLoadProgress& FProgress;
  TReadContext FContext;
  const std::array<std::string, TypeAttributes.size()> FTypeLeads;
  const std::array<std::string, PropAttributes.size()> FPropLeads;
  std::string FScratch;
  // The last text of each attribute, by element.
  std::array<TLastText, TypeAttributes.size()> FTypeLast;
  std::array<TLastText, PropAttributes.size()> FPropLast;

  std::unique_ptr<unsigned char[]> FBuffer;
  size_t FCapacity = 0;
  size_t FPos = 0; // the next element starts here
  size_t FEnd = 0; // what the device gave ends here
  qint64 FRead = 0;
  qint64 FLimit = -1; // a regular file is read no further than its size
  bool FEof = false;

  TState FState = TState::Prolog;
  PTypeRecord FType = nullptr;
  size_t FItems = 0; // of the set being read

  bool Fill();
  TStep Step();
  TStep Literal(unsigned char*& P, std::string_view Text) const;
  TStep Value(unsigned char*& P, TSpan& Span) const;
  template <size_t N>
  TStep Attributes(unsigned char*& P, const std::array<std::string, N>& Leads,
                   std::array<TSpan, N>& Values) const;
  TRawValue Terminated(const TSpan& Span);
  template <class TRec, size_t N>
  bool ReadValues(TRec& Rec, const std::array<TAttribute<TRec>, N>& Table,
                  const std::array<TSpan, N>& Values, std::array<TLastText, N>& Last);
};

// Moves what is not yet read to the front and appends what the device gives
// next; false when the device fails, holds more than its size, or an element
// outgrows its bound. At the end of the device, true once with FEof set.
bool TWriterLayout::Fill() {
  const size_t Left = FEnd - FPos;
  // An element is read again from its start after each read that ends
  // inside it; reading at least as much again as it has so far keeps that
  // linear.
  const size_t Next = std::max(ReadSize, Left);
  if (Left + Next > FCapacity) {
    if (Left > LongestElement)
      return false;
    const size_t Capacity = std::max(2 * FCapacity, Left + Next);
    auto Buffer = std::make_unique_for_overwrite<unsigned char[]>(Capacity);
    if (Left > 0)
      std::memcpy(Buffer.get(), FBuffer.get() + FPos, Left);
    FBuffer = std::move(Buffer);
    FCapacity = Capacity;
  } else {
    std::memmove(FBuffer.get(), FBuffer.get() + FPos, Left);
  }
  FPos = 0;
  FEnd = Left;
  qint64 Want = qint64(Next);
  if (FLimit >= 0)
    Want = std::min<qint64>(Want, FLimit - FRead + 1);
  FConsumed.Lost = !FConsumed.Seekable;
  const qint64 Got = FDevice.read(reinterpret_cast<char*>(FBuffer.get() + FEnd), Want);
  if (Got < 0 || (FLimit >= 0 && FRead + Got > FLimit))
    return false;
  if (!FConsumed.Seekable) {
    if (Got > 0) {
      CountKeptRead();
      FConsumed.Kept.append(reinterpret_cast<const char*>(FBuffer.get() + FEnd), qsizetype(Got));
      FConsumed.Pieces.push_back(Got);
    }
    FConsumed.Lost = false;
    if (FConsumed.Kept.size() > KeepLimit || FConsumed.Pieces.size() > KeepPieces)
      return false;
  }
  FRead += Got;
  FEnd += size_t(Got);
  FEof = Got == 0;
  if (FProgress)
    FProgress(FRead, FLimit);
  return true;
}

TStep TWriterLayout::Literal(unsigned char*& P, std::string_view Text) const {
  const size_t Have = std::min(Text.size(), size_t(FBuffer.get() + FEnd - P));
  if (std::memcmp(P, Text.data(), Have) != 0)
    return TStep::GiveUp;
  if (Have < Text.size())
    return TStep::More;
  P += Text.size();
  return TStep::Done;
}

TStep TWriterLayout::Value(unsigned char*& P, TSpan& Span) const {
  const unsigned char* const End = FBuffer.get() + FEnd;
  Span.Begin = P;
  Span.Escaped = false;
  for (;;) {
    P += PlainPrefix(P, size_t(End - P));
    if (P == End)
      return TStep::More;
    const unsigned char C = *P;
    if (C == '"') {
      Span.Size = size_t(P - Span.Begin);
      ++P;
      return TStep::Done;
    }
    // A reference or a sequence is looked at whole: a value is followed by
    // more than six bytes in any document of the layout.
    if (End - P < 6)
      return TStep::More;
    size_t Length = 0;
    if (C == '&') {
      Length = Reference(P).second;
      Span.Escaped = true;
    } else if (C >= 0x80) {
      Length = SequenceAt(P);
      // Runs of two-byte characters (Cyrillic, Greek and the like) at once.
      while (Length != 0 && P + Length + 6 <= End && P[Length] >= 0xC2 && P[Length] < 0xE0 &&
             (P[Length + 1] & 0xC0) == 0x80)
        Length += 2;
    }
    if (Length == 0)
      return TStep::GiveUp; // a control character, markup, another reference
    P += Length;
  }
}

template <size_t N>
TStep TWriterLayout::Attributes(unsigned char*& P, const std::array<std::string, N>& Leads,
                                std::array<TSpan, N>& Values) const {
  for (size_t I = 0; I < N; ++I) {
    TStep Step = Literal(P, Leads[I]);
    if (Step == TStep::Done)
      Step = Value(P, Values[I]);
    if (Step != TStep::Done)
      return Step;
  }
  return TStep::Done;
}

// The value as the general reader gets it from the parser, ended by a zero
// byte as the rows take it: in place of the closing quotation mark, or with
// its references replaced in a copy. Each call may overwrite the last copy.
TRawValue TWriterLayout::Terminated(const TSpan& Span) {
  if (!Span.Escaped) {
    Span.Begin[Span.Size] = 0;
    return {reinterpret_cast<const char*>(Span.Begin), Span.Size};
  }
  FScratch.clear();
  for (size_t I = 0; I < Span.Size;) {
    if (Span.Begin[I] == '&') {
      const auto [Char, Length] = Reference(Span.Begin + I);
      FScratch += Char;
      I += Length;
    } else {
      FScratch += char(Span.Begin[I++]);
    }
  }
  return {FScratch.c_str(), FScratch.size()};
}

// Reads Values into Rec through Table's rows. False when a value did not
// convert or was noted for a warning: such a record is the general reader's,
// which words the failure or the warning.
template <class TRec, size_t N>
bool TWriterLayout::ReadValues(TRec& Rec, const std::array<TAttribute<TRec>, N>& Table,
                               const std::array<TSpan, N>& Values, std::array<TLastText, N>& Last) {
  // Unrolled over the table, so that each conversion is a direct call.
  const bool Read = [&]<size_t... I>(std::index_sequence<I...>) {
    return (bool(Table[I].Read(Rec, Terminated(Values[I]), FContext, Last[I])) && ...);
  }
  (std::make_index_sequence<N>());
  return FContext.TakeNoted() == 0 && Read;
}

// Reads the next element, or the end, from FPos; FPos moves only past what
// was read whole.
TStep TWriterLayout::Step() {
  unsigned char* P = FBuffer.get() + FPos;
  const size_t Have = FEnd - FPos;
  TStep Result = TStep::Done;
  switch (FState) {
  case TState::Prolog:
    Result = Literal(P, Prolog);
    if (Result != TStep::Done)
      return Result;
    if (P == FBuffer.get() + FEnd)
      return TStep::More;
    if (*P == '/') {
      Result = Literal(P, EmptyRootEnd);
      if (Result == TStep::Done)
        FState = TState::Trailer;
    } else if (*P == '>') {
      ++P;
      FState = TState::Root;
    } else {
      return TStep::GiveUp;
    }
    break;
  case TState::Root: {
    // A set, or the end of a root that holds at least one.
    if (Have < 3)
      return TStep::More;
    if (P[2] == '<') {
      if (!FType)
        return TStep::GiveUp;
      Result = Literal(P, RootEnd);
      if (Result == TStep::Done)
        FState = TState::Trailer;
      break;
    }
    std::array<TSpan, TypeAttributes.size()> Values;
    Result = Attributes(P, FTypeLeads, Values);
    if (Result != TStep::Done)
      return Result;
    if (P == FBuffer.get() + FEnd)
      return TStep::More;
    const bool Empty = *P == '/';
    Result = Literal(P, Empty ? std::string_view("/>") : std::string_view(">"));
    if (Result != TStep::Done)
      return Result;
    // The record is added first: a value that is not read here gives the
    // whole document to the general reader, which starts afresh.
    FType = FDB.AddType();
    if (!ReadValues(*FType, TypeAttributes, Values, FTypeLast))
      return TStep::GiveUp;
    FItems = 0;
    FState = Empty ? TState::Root : TState::Type;
    break;
  }
  case TState::Type: {
    // An item, or the end of a set that holds at least one.
    if (Have < 5)
      return TStep::More;
    if (P[4] == '<') {
      if (FItems == 0)
        return TStep::GiveUp;
      Result = Literal(P, TypeEnd);
      if (Result == TStep::Done)
        FState = TState::Root;
      break;
    }
    std::array<TSpan, PropAttributes.size()> Values;
    Result = Attributes(P, FPropLeads, Values);
    if (Result == TStep::Done)
      Result = Literal(P, "/>");
    if (Result != TStep::Done)
      return Result;
    if (!ReadValues(*FDB.AddProp(FType), PropAttributes, Values, FPropLast))
      return TStep::GiveUp;
    ++FItems;
    break;
  }
  case TState::Trailer:
    // Nothing after the last line break.
    if (Have > 0)
      return TStep::GiveUp;
    if (!FEof)
      return TStep::More;
    FState = TState::Finished;
    break;
  case TState::Finished:
    break;
  }
  if (Result == TStep::Done)
    FPos = size_t(P - FBuffer.get());
  return Result;
}

bool TWriterLayout::Run() {
  FConsumed.Touched = true;
  FConsumed.Seekable = !FDevice.isSequential();
  FConsumed.Start = FConsumed.Seekable ? FDevice.pos() : 0;
  if (FConsumed.Seekable && qobject_cast<QFileDevice*>(&FDevice))
    FLimit = FDevice.size() - FConsumed.Start;
  if (!Fill())
    return false;
  while (FState != TState::Finished) {
    const TStep Next = Step();
    if (Next == TStep::GiveUp || (Next == TStep::More && (FEof || !Fill())))
      return false;
  }
  return true;
}

} // namespace

std::optional<TResult<TWarnings>> TryReadLayout(QIODevice& Device, TPropDB& DB,
                                                const TRegional& Settings, TReplay& Consumed,
                                                const TLoadProgress& Progress) {
  if (DB.TypeCount() != 0 || DB.PropCount() != 0)
    return std::nullopt;
  // Running out of memory fails the load wherever it happens: the general
  // reader would meet the same shortage, and reading on past bytes that were
  // not kept would load another document than the one given.
  std::optional<TFailure> Failed;
  try {
    TWriterLayout Layout(Device, DB, Settings, Consumed, Progress);
    if (Layout.Run())
      return TResult<TWarnings>(TWarnings());
  } catch (const std::bad_alloc&) {
    Failed = TFailure::Own(Reason::OutOfMemory);
  } catch (const std::exception& E) {
    if (Consumed.Lost)
      Failed = TFailure::Foreign(QString::fromUtf8(E.what()));
  }
  DB.Clear();
  if (Failed)
    return TResult<TWarnings>(std::move(*Failed));
  return std::nullopt;
}
