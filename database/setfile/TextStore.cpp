#include "database/setfile/TextStore.h"

#include "database/setfile/Values.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Characters per block: large against a name, small against the memory a
// block kept alive by one surviving string holds.
constexpr qsizetype BlockUnits = 2048;
// Cache slots, a power of two.
constexpr size_t RecentSlots = 4096;
// Longer texts rarely repeat and are not worth keeping twice.
constexpr size_t RecentBytes = 64;

uint64_t HashOf(std::string_view Bytes) {
  // Eight bytes at a time, each word mixed in by a multiplication.
  constexpr uint64_t Factor = 0xBF58476D1CE4E5B9ull;
  const size_t Size = Bytes.size();
  uint64_t H = Size * 0x9E3779B97F4A7C15ull;
  for (size_t I = 0; I < Size; I += 8) {
    uint64_t W = 0;
    std::memcpy(&W, Bytes.data() + I, std::min<size_t>(8, Size - I));
    H = (H ^ W) * Factor;
    H ^= H >> 31;
  }
  return H;
}

} // namespace

TTextStore::TTextStore() : FRecent(RecentSlots) {}

TText TTextStore::Place(std::string_view Utf8) {
  // UTF-16 takes at most one unit per byte.
  const qsizetype Need = TTextBlock::UnitsFor(qsizetype(Utf8.size()));
  // A long text has a block of its own, of exactly its length.
  if (Need > BlockUnits / 4)
    return TText(Utf8ToText(Utf8));
  if (!FBlock || Need > FBlock->Left())
    FBlock = std::make_unique<TTextBlock>(BlockUnits);
  const qsizetype Length = Utf8ToUnits(Utf8, FBlock->Next(), size_t(FBlock->Room()));
  if (Length < 0)
    return TText(Utf8ToText(Utf8));
  return FBlock->Take(Length);
}

TText TTextStore::Take(std::string_view Utf8) {
  if (Utf8.empty())
    return TText();
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
