#pragma once

// The parser's plumbing: creation with the input limits, its memory, and the
// single-byte encodings it does not know itself.

// The library is built with document type support; its header hides the
// entity amplification limits without this.
#define XML_DTD
#include <expat.h>

#include <array>
#include <cstddef>
#include <vector>

// Expat frees little before the parser goes, and a document with 200,000
// attribute names would spend a fifth of its time in malloc and free; so its
// memory comes from blocks that are all released with the parser. Blocks grow
// only geometrically in expat (buffers, pools, hash tables), so what a
// reallocation leaves behind is at most as much again.
class TArena {
public:
  TArena() : FPrevious(Current) { Current = this; }
  ~TArena();
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  static const XML_Memory_Handling_Suite Suite;

private:
  static constexpr size_t Header = 16; // the size, and alignment for any type
  // Small documents take little; large ones get ever larger blocks.
  static constexpr size_t FirstBlock = size_t(16) << 10;
  static constexpr size_t LargestBlock = size_t(4) << 20;
  static thread_local TArena* Current;

  TArena* FPrevious;
  std::vector<void*> FBlocks;
  char* FNext = nullptr;
  size_t FLeft = 0;
  char* FLast = nullptr; // the latest allocation, which may grow in place
  size_t FBlockSize = FirstBlock;

  static size_t& SizeOf(void* Ptr) {
    return *reinterpret_cast<size_t*>(static_cast<char*>(Ptr) - Header);
  }
  static size_t Rounded(size_t Size) { return (Size + Header - 1) / Header * Header; }

  void* Allocate(size_t Size);
  void* Reallocate(void* Old, size_t Size);

  static void* Malloc(size_t Size);
  static void* Realloc(void* Ptr, size_t Size);
  static void Free(void*) {}
};

// A parser whose memory comes from the arena that is current on this thread
// (which must outlive it), with parameter entities off and entity expansion
// bounded. Raises std::bad_alloc.
XML_Parser NewParser();

// A single-byte encoding as expat takes it: the code point of every byte, -1
// for a byte that is not in the encoding.
using TByteTable = std::array<int, 256>;

// The table of a single-byte encoding from iconv, built once per name; nullptr
// for an encoding that iconv does not know or that is not single-byte.
const TByteTable* ByteTable(const char* Name);

// Fills Info for the parser's unknown-encoding handler; the table, or nullptr
// when the encoding cannot be read. Never raises.
const TByteTable* FillEncoding(const XML_Char* Name, XML_Encoding* Info);
