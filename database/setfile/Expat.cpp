#include "database/setfile/Expat.h"

#include "database/setfile/Limits.h"
#include "regional/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>

TArena::~TArena() {
  Current = FPrevious;
  for (void* Block : FBlocks)
    std::free(Block);
}

void* TArena::Allocate(size_t Size) {
  if (Size > (size_t(1) << 40))
    return nullptr;
  const size_t Need = Header + Rounded(Size);
  if (Need > FLeft) {
    const size_t Length = std::max(Need, FBlockSize);
    FBlockSize = std::min(2 * FBlockSize, LargestBlock);
    void* Block = std::malloc(Length);
    if (!Block)
      return nullptr;
    try {
      FBlocks.push_back(Block);
    } catch (...) {
      std::free(Block);
      return nullptr;
    }
    FNext = static_cast<char*>(Block);
    FLeft = Length;
  }
  FLast = FNext + Header;
  FNext += Need;
  FLeft -= Need;
  SizeOf(FLast) = Rounded(Size);
  return FLast;
}

void* TArena::Reallocate(void* Old, size_t Size) {
  if (!Old)
    return Allocate(Size);
  const size_t OldSize = SizeOf(Old);
  if (Old == FLast && Rounded(Size) <= OldSize + FLeft) {
    FLeft -= Rounded(Size) - std::min(OldSize, Rounded(Size));
    FNext = FLast + std::max(OldSize, Rounded(Size));
    SizeOf(Old) = std::max(OldSize, Rounded(Size));
    return Old;
  }
  void* New = Allocate(Size);
  if (New)
    std::memcpy(New, Old, std::min(OldSize, Size));
  return New;
}

void* TArena::Malloc(size_t Size) {
  return Current->Allocate(Size);
}
void* TArena::Realloc(void* Ptr, size_t Size) {
  return Current->Reallocate(Ptr, Size);
}

thread_local TArena* TArena::Current = nullptr;
const XML_Memory_Handling_Suite TArena::Suite = {TArena::Malloc, TArena::Realloc, TArena::Free};

XML_Parser NewParser() {
  XML_Parser Parser = XML_ParserCreate_MM(nullptr, &TArena::Suite, nullptr);
  if (!Parser)
    throw std::bad_alloc();
  XML_SetParamEntityParsing(Parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(Parser, MaxAmplification);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(Parser, AmplificationThreshold);
  return Parser;
}

namespace {

// XML's EncName: [A-Za-z] ([A-Za-z0-9._] | '-')*. Nothing else may reach iconv,
// whose names take suffixes such as //IGNORE.
bool IsEncName(const char* Name) {
  if (!((Name[0] >= 'A' && Name[0] <= 'Z') || (Name[0] >= 'a' && Name[0] <= 'z')))
    return false;
  for (const char* C = Name; *C; ++C) {
    const bool Ok = (*C >= 'A' && *C <= 'Z') || (*C >= 'a' && *C <= 'z') ||
                    (*C >= '0' && *C <= '9') || *C == '.' || *C == '_' || *C == '-';
    if (!Ok)
      return false;
  }
  return true;
}

} // namespace

const TByteTable* ByteTable(const char* Name) {
  static std::mutex Lock;
  static std::map<std::string, std::unique_ptr<TByteTable>> Tables;
  if (!IsEncName(Name))
    return nullptr;
  std::string Key(Name);
  std::transform(Key.begin(), Key.end(), Key.begin(),
                 [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; });
  const std::lock_guard<std::mutex> Guard(Lock);
  const auto Found = Tables.find(Key);
  if (Found != Tables.end())
    return Found->second.get();
  std::unique_ptr<TByteTable> Table;
  const TIconv Cd("UTF-32LE", Name);
  if (Cd.IsOpen()) {
    Table = std::make_unique<TByteTable>();
    for (int B = 0; B < 256 && Table; ++B) {
      iconv(Cd.Handle(), nullptr, nullptr, nullptr, nullptr);
      char In = char(B);
      unsigned char Out[8] = {};
      char* InPtr = &In;
      char* OutPtr = reinterpret_cast<char*>(Out);
      size_t InLeft = 1, OutLeft = sizeof Out;
      const size_t R = iconv(Cd.Handle(), &InPtr, &InLeft, &OutPtr, &OutLeft);
      if (R == size_t(-1) && errno == EILSEQ) {
        (*Table)[size_t(B)] = -1;
      } else if (R == size_t(-1) || sizeof Out - OutLeft != 4) {
        Table.reset(); // a lead byte or a shift: not single-byte
      } else {
        const uint32_t Code = uint32_t(Out[0]) | uint32_t(Out[1]) << 8 | uint32_t(Out[2]) << 16 |
                              uint32_t(Out[3]) << 24;
        (*Table)[size_t(B)] = Code < 0x110000 && (Code < 0xD800 || Code > 0xDFFF) ? int(Code) : -1;
      }
    }
  }
  return Tables.emplace(Key, std::move(Table)).first->second.get();
}

const TByteTable* FillEncoding(const XML_Char* Name, XML_Encoding* Info) {
  try {
    const TByteTable* Table = ByteTable(Name);
    if (!Table)
      return nullptr;
    std::copy(Table->begin(), Table->end(), Info->map);
    Info->data = nullptr;
    Info->convert = nullptr;
    Info->release = nullptr;
    return Table;
  } catch (...) {
    return nullptr;
  }
}
