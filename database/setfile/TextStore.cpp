#include "database/setfile/TextStore.h"

#include "database/setfile/Values.h"

#include <algorithm>
#include <new>

namespace {

// Characters per block: large against a name, small against the memory a
// block kept alive by one surviving string holds.
constexpr qsizetype BlockUnits = 8192;
// Cache slots, a power of two.
constexpr size_t RecentSlots = 4096;
// Longer texts rarely repeat and are not worth keeping twice.
constexpr size_t RecentBytes = 64;

uint64_t HashOf(std::string_view Bytes) {
  // FNV-1a: the texts are short.
  uint64_t H = 14695981039346656037ull;
  for (const char C : Bytes)
    H = (H ^ static_cast<unsigned char>(C)) * 1099511628211ull;
  return H;
}

} // namespace

TTextStore::TTextStore() : FRecent(RecentSlots) {}

QString TTextStore::Place(std::string_view Utf8) {
  // UTF-16 takes at most one unit per byte, and one for the terminating zero
  // that a string's data carries.
  const qsizetype Need = qsizetype(Utf8.size()) + 1;
  if (Need > FLeft) {
    const qsizetype Units = std::max(Need, BlockUnits);
    FBlock = QString::DataPointer(QTypedArrayData<char16_t>::allocate(Units));
    if (!FBlock.data())
      throw std::bad_alloc();
    FNext = FBlock.data();
    FLeft = Units;
  }
  const qsizetype Length = Utf8ToUnits(Utf8, FNext, size_t(FLeft - 1));
  if (Length < 0)
    return Utf8ToText(Utf8);
  char16_t* const Start = FNext;
  Start[Length] = 0;
  FNext += Length + 1;
  FLeft -= Length + 1;
  FBlock.ref();
  return QString(QString::DataPointer(FBlock.d_ptr(), Start, Length));
}

QString TTextStore::Take(std::string_view Utf8) {
  if (Utf8.empty())
    return Utf8ToText(Utf8);
  if (Utf8.size() > RecentBytes)
    return Place(Utf8);
  const uint64_t Hash = HashOf(Utf8);
  TEntry& Entry = FRecent[size_t(Hash) & (RecentSlots - 1)];
  if (Entry.Hash != Hash || Entry.Bytes != Utf8) {
    Entry.Text = Place(Utf8);
    Entry.Hash = Hash;
    Entry.Bytes.assign(Utf8);
  }
  return Entry.Text;
}
