#pragma once

// Storage for the records of one kind: blocks of many records, so that a
// load of 100,000 items costs a few allocations instead of one each, and a
// database is freed in blocks. A released slot is kept for the next record;
// the blocks go back only with the pool.

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

template <class TRec> class TRecordPool {
public:
  TRecordPool() = default;
  TRecordPool(const TRecordPool&) = delete;
  TRecordPool& operator=(const TRecordPool&) = delete;
  // Every record still in the pool must have been released, or destroyed
  // through Reset, before the pool goes.

  // A value-initialised record, valid until it is released.
  TRec* New() {
    TSlot* Slot = FFree;
    if (Slot) {
      FFree = Slot->Next;
    } else {
      if (FUsed == BlockSize) {
        // Nothing changes when either allocation fails.
        auto Block = std::make_unique_for_overwrite<TSlot[]>(BlockSize);
        FBlocks.push_back(std::move(Block));
        FUsed = 0;
      }
      Slot = &FBlocks.back()[FUsed++];
    }
    return ::new (static_cast<void*>(Slot->Storage)) TRec();
  }

  // Destroys Rec, which New gave, and keeps its slot.
  void Release(TRec* Rec) noexcept {
    Rec->~TRec();
    TSlot* Slot = reinterpret_cast<TSlot*>(Rec);
    Slot->Next = FFree;
    FFree = Slot;
  }

  // Destroys the records of Live, which must be every record not yet
  // released, and gives back every block.
  template <class TList> void Reset(const TList& Live) noexcept {
    for (TRec* Rec : Live)
      Rec->~TRec();
    decltype(FBlocks)().swap(FBlocks);
    FFree = nullptr;
    FUsed = BlockSize;
  }

  void Swap(TRecordPool& Other) noexcept {
    FBlocks.swap(Other.FBlocks);
    std::swap(FUsed, Other.FUsed);
    std::swap(FFree, Other.FFree);
  }

private:
  union TSlot {
    TSlot* Next;
    alignas(TRec) unsigned char Storage[sizeof(TRec)];
  };
  // About 100 KB of items at a time.
  static constexpr size_t BlockSize = 1024;

  std::vector<std::unique_ptr<TSlot[]>> FBlocks;
  size_t FUsed = BlockSize; // slots taken from the last block; none yet
  TSlot* FFree = nullptr;
};
