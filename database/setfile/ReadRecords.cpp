// How the general reader takes sets and items from the parser's tags: their
// attributes through the format's rows, and the names it does not know,
// counted against their bounds.

#include "database/setfile/Reader.h"

#include "database/setfile/Limits.h"
#include "database/setfile/Schema.h"
#include "database/setfile/Values.h"
#include "failures/Reasons.h"

#include <optional>
#include <string_view>
#include <utility>

namespace {

// Name against one of the format's names, a byte at a time: these are short,
// and most elements are items.
bool IsName(const XML_Char* Name, const char* Key) {
  size_t I = 0;
  while (Key[I] != 0 && Name[I] == Key[I])
    ++I;
  return Key[I] == 0 && Name[I] == 0;
}

} // namespace

void TReader::ConversionFailed(TFailure Failure, const XML_Char** Atts, bool Set) {
  if (!FPending) {
    // The name from the tag: a value before it in the table fails first.
    QString Name;
    for (const XML_Char** A = Atts; *A; A += 2)
      if (std::string_view(A[0]) == "name")
        Name = Utf8ToText(A[1]);
    FPending =
        Failure.Kind == TReasonKind::Conversion && !Name.isEmpty()
            ? std::move(Failure).In(Set ? Conversion::InSet : Conversion::InItem, Name, Line())
            : std::move(Failure).At(Line());
    FStream.Hold(FPending->Line);
  }
  FDone = true;
}

void TReader::WarnNoted(const TPropRecord& Prop, unsigned Noted) {
  for (unsigned Kind = 0; Noted >> Kind; ++Kind)
    if (Noted >> Kind & 1)
      FWarnings.Add(TWarningKind(Kind), [&] { return std::pair(Prop.Name, Line()); });
}

template <class TTable>
void TReader::Find(const XML_Char** Atts, const TTable& Table,
                   std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                   std::array<const XML_Char*, std::tuple_size_v<TTable>>& Values, int Specified) {
  constexpr size_t Count = std::tuple_size_v<TTable>;
  Values.fill(nullptr);
  // The writer's order is the table's: the attribute after the last one found
  // is tried first.
  size_t Next = 0;
  for (const XML_Char** A = Atts; *A; A += 2) {
    size_t I = Next;
    if (I >= Count || A[0] != Keys[I]) {
      I = 0;
      while (I < Count && A[0] != Keys[I] && !IsName(A[0], Table[I].Key))
        ++I;
      if (I == Count) {
        if (A - Atts < Specified) {
          CountAttributeName(A[0]);
          Skipped(A[0]);
        }
        continue;
      }
      Keys[I] = A[0];
    }
    Values[I] = A[1];
    Next = I + 1;
  }
}

// The attributes written in the tag, not those its document type adds (whose
// bound is their own); as many entries of Atts, two an attribute. A tag that
// came within one read is counted here, whole; one longer was counted while
// it came in. What the writer writes needs no count.
int TReader::CheckAttributeCount() {
  const int Specified = XML_GetSpecifiedAttributeCount(FParser);
  if (Specified > 2 * MaxAttributes)
    Stop(Reason::TooManyAttributes);
  return Specified;
}

// The parser keeps every element name it meets; the format's own are few.
void TReader::CountName(const XML_Char* Name) {
  if (IsName(Name, PropKey) || IsName(Name, TypeKey) || IsName(Name, RootKey) ||
      FNames.count(std::string_view(Name)))
    return;
  if (FNames.size() >= size_t(MaxElementNames))
    Stop(Reason::TooManyNames);
  FNames.emplace(Name);
}

// The same for the attribute names that nothing reads: the parser spends the
// most on a name it has not met before.
void TReader::CountAttributeName(const XML_Char* Name) {
  if (FAttributeNames.contains(Name))
    return;
  if (FAttributeNames.size() >= size_t(MaxAttributeNames))
    Stop(Reason::TooManyAttributeNames);
  FAttributeNames.emplace(Name);
}

// In the table's order; attributes that it does not know are skipped.
template <class TTable, class TRec>
TDone TReader::ReadAttributes(const XML_Char** Atts, const TTable& Table,
                              std::array<const XML_Char*, std::tuple_size_v<TTable>>& Keys,
                              TRec& Rec, std::array<TLastText, std::tuple_size_v<TTable>>& Last) {
  constexpr size_t Count = std::tuple_size_v<TTable>;
  FContext.ValueBound = ValueAllowance + ValueFactor * FFed;
  // Unrolled over the table, so that each conversion is a direct call.
  const auto ReadAll = [&]<size_t... I>(const auto& Values, std::index_sequence<I...>) {
    std::optional<TFailure> Failed;
    const auto One = [&](TResult<size_t> Length) {
      if (!Length)
        Failed = Length.Failure();
      else
        FContext.ValueBytes += qint64(*Length);
      return bool(Length);
    };
    (One(Table[I].Read(Rec, Values[I], FContext, Last[I])) && ...);
    if (FContext.Overflowed())
      Stop(Reason::ValuesExpand);
    return Failed ? TDone(std::move(*Failed)) : TDone();
  };
  // What the writer writes, each attribute once in the table's order and no
  // other, is read straight from the parser's list.
  const auto InOrder = [&]<size_t... I>(std::index_sequence<I...>) {
    return ((Atts[2 * I] && Atts[2 * I] == Keys[I]) && ...) && !Atts[2 * Count];
  };
  if (InOrder(std::make_index_sequence<Count>())) {
    struct TInPlace {
      const XML_Char** Atts;
      const XML_Char* operator[](size_t I) const { return Atts[2 * I + 1]; }
    };
    return ReadAll(TInPlace{Atts}, std::make_index_sequence<Count>());
  }
  const int Specified = CheckAttributeCount();
  std::array<const XML_Char*, Count> Values;
  Find(Atts, Table, Keys, Values, Specified);
  return ReadAll(Values, std::make_index_sequence<Count>());
}

TReader::TElement TReader::ReadType(const XML_Char** Atts) {
  // The record is added before its values are read, so a value that does not
  // convert leaves it with the values read before.
  FType = FDB.AddType();
  if (TDone Read = ReadAttributes(Atts, TypeAttributes, FTypeKeys, *FType, FLastType); !Read)
    ConversionFailed(Read.Failure(), Atts, true);
  return TElement::Type;
}

void TReader::ReadProp(const XML_Char** Atts) {
  const PPropRecord Prop = FDB.AddProp(FType);
  if (TDone Read = ReadAttributes(Atts, PropAttributes, FPropKeys, *Prop, FLastProp); !Read)
    ConversionFailed(Read.Failure(), Atts, false);
  if (const unsigned Noted = FContext.TakeNoted())
    WarnNoted(*Prop, Noted);
  if (FContext.ValueBytes > FContext.ValueBound)
    Stop(Reason::ValuesExpand);
}

// The element Name with Atts under Parent, read; what it is to its children.
TReader::TElement TReader::ReadChild(TElement Parent, const XML_Char* Name, const XML_Char** Atts) {
  switch (Parent) {
  case TElement::Outside:
    // Another root is another kind of file, which a save would destroy.
    if (!IsName(Name, RootKey))
      Stop(Reason::NotPropdb);
    return TElement::Root; // the root's own attributes are not read
  case TElement::Root:
    if (IsName(Name, TypeKey))
      return ReadType(Atts);
    Unexpected();
    return TElement::Skipped;
  case TElement::Type:
    // Nothing below an item, nor inside any other element, is looked at.
    if (!IsName(Name, PropKey))
      return TElement::Skipped;
    ReadProp(Atts);
    return TElement::Prop;
  case TElement::Prop:
  case TElement::Skipped:
    break;
  }
  return TElement::Skipped;
}
