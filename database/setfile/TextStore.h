#pragma once

// The texts of the records of one load. A text of up to 64 bytes that equals
// one met recently shares its characters (a cache of 4,096 slots by hash:
// a set's language, an item's currency, names that repeat nearby); short
// texts are laid end to end in shared blocks instead of one allocation each,
// which for a short text costs more than the text; a long one has a block of
// its own.

#include "database/Text.h"

#include <memory>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TTextStore {
public:
  TTextStore();
  TTextStore(const TTextStore&) = delete;
  TTextStore& operator=(const TTextStore&) = delete;

  // The UTF-8 bytes as a string, equal to Utf8ToText's.
  TText Take(std::string_view Utf8);

private:
  // The block that texts go into next; each text holds a reference to its
  // block, which lives as long as any of them.
  std::unique_ptr<TTextBlock> FBlock;
  // The texts met last, one per hash slot: a bounded cache, so that a
  // document of distinct texts costs no table of them all.
  struct TEntry {
    uint64_t Hash = 0;
    std::string Bytes;
    TText Text;
  };
  std::vector<TEntry> FRecent;

  TText Place(std::string_view Utf8);
};
