// The set database: two flat lists of owned records.

#include "database/PropDB.h"

#include <algorithm>
#include <cstddef>

namespace {

// A record from Pool at the end of List.
template <class TRec> TRec* Append(TRecordPool<TRec>& Pool, std::vector<TRec*>& List) {
  TRec* Rec = Pool.New();
  try {
    List.push_back(Rec);
  } catch (...) {
    Pool.Release(Rec);
    throw;
  }
  return Rec;
}

template <class TRec> TRec* FindByGUID(const std::vector<TRec*>& List, const TGUID& GUID) {
  const auto It = std::find_if(List.begin(), List.end(),
                               [&GUID](const TRec* Rec) { return Rec->GUID == GUID; });
  return It == List.end() ? nullptr : *It;
}

// Drops Set's items from List in one stable pass, handing each to Taken with
// its place: the same survivors in the same order, without moving the tail
// once for every item.
template <class TTaken> void TakeItems(TPropList& List, PTypeRecord Set, TTaken Taken) {
  auto Out = List.begin();
  for (auto In = List.begin(); In != List.end(); ++In) {
    if ((*In)->Parent == Set)
      Taken(*In, In - List.begin());
    else
      *Out++ = *In;
  }
  List.erase(Out, List.end());
}

} // namespace

PTypeRecord TPropDB::AddType() {
  return Append(FTypePool, FTypeList);
}

PPropRecord TPropDB::AddProp(PTypeRecord Parent) {
  if (!Parent)
    return nullptr;
  const PPropRecord Rec = Append(FPropPool, FPropList);
  Rec->Parent = Parent;
  return Rec;
}

PTypeRecord TPropDB::FindType(const TGUID& GUID) const {
  return FindByGUID(FTypeList, GUID);
}

PPropRecord TPropDB::FindProp(const TGUID& GUID) const {
  return FindByGUID(FPropList, GUID);
}

PTypeRecord TPropDB::Types(int Index) const {
  if (Index < 0 || Index >= TypeCount())
    return nullptr;
  return FTypeList[static_cast<size_t>(Index)];
}

PPropRecord TPropDB::Props(int Index) const {
  if (Index < 0 || Index >= PropCount())
    return nullptr;
  return FPropList[static_cast<size_t>(Index)];
}

bool TPropDB::RemoveProp(PPropRecord Rec) {
  const auto It = std::find(FPropList.begin(), FPropList.end(), Rec);
  if (It == FPropList.end())
    return false;
  FPropList.erase(It);
  FPropPool.Release(Rec);
  return true;
}

bool TPropDB::RemoveType(PTypeRecord Rec) {
  const auto It = std::find(FTypeList.begin(), FTypeList.end(), Rec);
  if (It == FTypeList.end())
    return false;
  // An item is freed as soon as it is seen, while its memory is still in the
  // cache.
  TakeItems(FPropList, Rec, [this](PPropRecord Item, ptrdiff_t) { FPropPool.Release(Item); });
  FTypeList.erase(It);
  FTypePool.Release(Rec);
  return true;
}

std::optional<TTakenSet> TPropDB::TakeType(PTypeRecord Rec) {
  const auto It = std::find(FTypeList.begin(), FTypeList.end(), Rec);
  if (It == FTypeList.end())
    return std::nullopt;
  TTakenSet Taken;
  Taken.Type = Rec;
  Taken.TypeIndex = static_cast<int>(It - FTypeList.begin());
  // Counted first, so that a failing allocation leaves the lists as they were.
  const size_t Count = static_cast<size_t>(std::count_if(
      FPropList.begin(), FPropList.end(), [Rec](PPropRecord P) { return P->Parent == Rec; }));
  Taken.Items.reserve(Count);
  Taken.ItemIndexes.reserve(Count);
  TakeItems(FPropList, Rec, [&Taken](PPropRecord Item, ptrdiff_t Index) {
    Taken.Items.push_back(Item);
    Taken.ItemIndexes.push_back(static_cast<int>(Index));
  });
  FTypeList.erase(It);
  return Taken;
}

std::optional<TTakenProp> TPropDB::TakeProp(PPropRecord Rec) {
  const auto It = std::find(FPropList.begin(), FPropList.end(), Rec);
  if (It == FPropList.end())
    return std::nullopt;
  const int Index = static_cast<int>(It - FPropList.begin());
  FPropList.erase(It);
  return TTakenProp{Rec, Index};
}

void TPropDB::PutBack(TTakenSet& Taken) {
  if (!Taken.Type)
    return;
  // Room first: past this point nothing allocates, so a failure changes nothing.
  FPropList.reserve(FPropList.size() + Taken.Items.size());
  FTypeList.reserve(FTypeList.size() + 1);
  // One pass from the back: each kept item moves once to its old place.
  const size_t Kept = FPropList.size();
  FPropList.resize(Kept + Taken.Items.size());
  size_t In = Kept, Out = FPropList.size(), Next = Taken.Items.size();
  while (Next > 0) {
    --Out;
    if (static_cast<size_t>(Taken.ItemIndexes[Next - 1]) == Out)
      FPropList[Out] = Taken.Items[--Next];
    else
      FPropList[Out] = FPropList[--In];
  }
  const size_t At = std::min(static_cast<size_t>(Taken.TypeIndex), FTypeList.size());
  FTypeList.insert(FTypeList.begin() + static_cast<std::ptrdiff_t>(At), Taken.Type);
  Taken = {};
}

void TPropDB::PutBack(TTakenProp& Taken) {
  if (!Taken.Prop)
    return;
  const size_t At = std::min(static_cast<size_t>(Taken.Index), FPropList.size());
  FPropList.insert(FPropList.begin() + static_cast<std::ptrdiff_t>(At), Taken.Prop);
  Taken = {};
}

void TPropDB::Free(TTakenSet& Taken) noexcept {
  for (PPropRecord Item : Taken.Items)
    FPropPool.Release(Item);
  if (Taken.Type)
    FTypePool.Release(Taken.Type);
  Taken = {};
}

void TPropDB::Free(TTakenProp& Taken) noexcept {
  if (Taken.Prop)
    FPropPool.Release(Taken.Prop);
  Taken = {};
}

void TPropDB::Clear() {
  // Release the arrays too, as a new database would have none.
  FPropPool.Reset(FPropList);
  FTypePool.Reset(FTypeList);
  TPropList().swap(FPropList);
  TTypeList().swap(FTypeList);
}

void TPropDB::Swap(TPropDB& Other) noexcept {
  FPropPool.Swap(Other.FPropPool);
  FTypePool.Swap(Other.FTypePool);
  FPropList.swap(Other.FPropList);
  FTypeList.swap(Other.FTypeList);
}

TPropsBySet::TPropsBySet(const TPropDB& DB) {
  const size_t TypeCount = size_t(DB.TypeCount());
  const size_t PropCount = size_t(DB.PropCount());
  FIndex.reserve(TypeCount);
  for (size_t T = 0; T < TypeCount; ++T)
    FIndex.emplace(DB.Types(int(T)), int(T));
  // Counted first, then placed: two passes over the items, no per-set lists.
  constexpr int NoType = -1;
  std::vector<int> PropType(PropCount, NoType);
  FFirst.assign(TypeCount + 1, 0);
  for (size_t P = 0; P < PropCount; ++P) {
    const auto It = FIndex.find(DB.Props(int(P))->Parent);
    if (It == FIndex.end())
      continue;
    PropType[P] = It->second;
    ++FFirst[size_t(It->second) + 1];
  }
  for (size_t T = 0; T < TypeCount; ++T)
    FFirst[T + 1] += FFirst[T];
  FGrouped.resize(FFirst[TypeCount]);
  std::vector<size_t> Next(FFirst.begin(), FFirst.end() - 1);
  for (size_t P = 0; P < PropCount; ++P)
    if (PropType[P] != NoType)
      FGrouped[Next[size_t(PropType[P])]++] = DB.Props(int(P));
}

std::span<const PPropRecord> TPropsBySet::Items(int TypeIndex) const {
  if (TypeIndex < 0 || size_t(TypeIndex) + 1 >= FFirst.size())
    return {};
  const size_t From = FFirst[size_t(TypeIndex)];
  return std::span<const PPropRecord>(FGrouped).subspan(From, FFirst[size_t(TypeIndex) + 1] - From);
}

std::span<const PPropRecord> TPropsBySet::Items(PTypeRecord Type) const {
  const auto It = FIndex.find(Type);
  return It == FIndex.end() ? std::span<const PPropRecord>() : Items(It->second);
}

int32_t NewGUID(TGUID& GUID) {
  // QUuid makes random (version 4, RFC 4122 variant) values.
  GUID = GUIDFromUuid(QUuid::createUuid());
  return 0;
}
