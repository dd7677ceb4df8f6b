#pragma once

#include "database/RecordPool.h"
#include "database/Text.h"
#include "regional/Guid.h"
#include "regional/Regional.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "failures/Failure.h"

struct TTypeRecord;
using PTypeRecord = TTypeRecord*;

// A set: a named list of items meant for one language and one country.
struct TTypeRecord {
  TGUID GUID;
  TText Name;
  TText Language;
  TText Country;

  friend bool operator==(const TTypeRecord&, const TTypeRecord&) = default;
};

// An item of the set Parent: a named piece of property.
struct TPropRecord {
  TGUID GUID;
  PTypeRecord Parent = nullptr;
  TText Name;
  int32_t Detail = 0;
  bool Default = false;
  double Date = 0; // day count, see regional/Regional.h
  double Cost = 0;
  TText Curr;

  friend bool operator==(const TPropRecord&, const TPropRecord&) = default;
};
using PPropRecord = TPropRecord*;

using TTypeList = std::vector<PTypeRecord>;
using TPropList = std::vector<PPropRecord>;

// A set taken out of the database with its items, for an undo to put back:
// the records themselves, still allocated, and where each stood.
struct TTakenSet {
  PTypeRecord Type = nullptr;
  int TypeIndex = 0;
  TPropList Items;              // in item-list order
  std::vector<int> ItemIndexes; // each item's place in the item list, ascending
};

// An item taken out of the database, and where it stood.
struct TTakenProp {
  PPropRecord Prop = nullptr;
  int Index = 0;
};

// Owns every set and item; everyone else holds plain pointers. Every
// operation reports by its result; only std::bad_alloc is raised, when the
// memory for a record or a list runs out (AddType, AddProp, TakeType,
// PutBack). The set file's load and save return their failure.
class TPropDB {
public:
  TPropDB() = default;
  ~TPropDB() { Clear(); }
  TPropDB(const TPropDB&) = delete;
  TPropDB& operator=(const TPropDB&) = delete;

  PTypeRecord AddType();
  PPropRecord AddProp(PTypeRecord Parent);
  // The record with GUID, or null: a linear search, which only tests call;
  // nothing in the windows looks a record up by its GUID.
  PTypeRecord FindType(const TGUID& GUID) const;
  PPropRecord FindProp(const TGUID& GUID) const;
  PTypeRecord Types(int Index) const;
  PPropRecord Props(int Index) const;
  int TypeCount() const { return static_cast<int>(FTypeList.size()); }
  int PropCount() const { return static_cast<int>(FPropList.size()); }
  bool RemoveProp(PPropRecord Rec);
  bool RemoveType(PTypeRecord Rec);
  // Take a record out of the lists without freeing it, and put it back at
  // its old place: removal and its undo in time linear in the lists, and no
  // copy of a record. A taken record must be put back or freed before the
  // database is cleared or swapped, which frees only the records it lists.
  std::optional<TTakenSet> TakeType(PTypeRecord Rec);
  std::optional<TTakenProp> TakeProp(PPropRecord Rec);
  void PutBack(TTakenSet& Taken);
  void PutBack(TTakenProp& Taken);
  void Free(TTakenSet& Taken) noexcept;
  void Free(TTakenProp& Taken) noexcept;
  void Clear();
  // Exchanges every record with Other's; the records stay where they are.
  void Swap(TPropDB& Other) noexcept;

private:
  TRecordPool<TPropRecord> FPropPool;
  TRecordPool<TTypeRecord> FTypePool;
  TPropList FPropList;
  TTypeList FTypeList;
};

// The items of every set of DB in item-list order, grouped in one pass over
// the item list rather than a scan of it for every set: what the writer, the
// export and anything else that lists the items of many sets take. An item
// whose Parent is not in the set list is in no group. Holds plain pointers:
// valid while DB's lists stay as they were.
class TPropsBySet {
public:
  explicit TPropsBySet(const TPropDB& DB);
  // The items of the set at Index of the set list; none outside it.
  std::span<const PPropRecord> Items(int TypeIndex) const;
  // The same for a set by identity; none for one not in the list.
  std::span<const PPropRecord> Items(PTypeRecord Type) const;

private:
  std::vector<PPropRecord> FGrouped;
  std::vector<size_t> FFirst; // the items of set T: FGrouped[FFirst[T] .. FFirst[T + 1])
  std::unordered_map<PTypeRecord, int> FIndex;
};

// Fills GUID with a fresh random (version 4) value. Always 0: the result is
// kept for callers that check it, though nothing can fail; the main window's
// new set and new item ignore it.
int32_t NewGUID(TGUID& GUID);
