#include "database/Text.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

using TData = QTypedArrayData<char16_t>;

void Release(QArrayData* Block) noexcept {
  if (!Block->deref())
    TData::deallocate(Block);
}

} // namespace

TText::TText(QStringView Text) {
  if (Text.isEmpty())
    return;
  if (size_t(Text.size()) > std::numeric_limits<uint32_t>::max())
    throw std::bad_alloc();
  TTextBlock Block(TTextBlock::UnitsFor(Text.size()));
  std::memcpy(Block.Next(), Text.utf16(), size_t(Text.size()) * sizeof(char16_t));
  *this = Block.Take(Text.size());
}

TText& TText::operator=(const TText& Other) noexcept {
  Other.Ref();
  Deref();
  FHead = Other.FHead;
  return *this;
}

TText& TText::operator=(TText&& Other) noexcept {
  if (this != &Other) {
    Deref();
    FHead = Other.FHead;
    Other.FHead = nullptr;
  }
  return *this;
}

void TText::Deref() noexcept {
  if (FHead)
    Release(Block());
}

TText::operator QString() const {
  if (!FHead)
    return QString();
  Ref();
  return QString(QString::DataPointer(static_cast<TData*>(Block()),
                                      const_cast<char16_t*>(Chars(FHead)), FHead->Size));
}

TTextBlock::TTextBlock(qsizetype Units) {
  const auto [Block, Data] = TData::allocate(Units);
  if (!Block)
    throw std::bad_alloc();
  FBlock = Block;
  FNext = Data;
  FLeft = Units;
}

TTextBlock::~TTextBlock() {
  Release(FBlock);
}

TText TTextBlock::Take(qsizetype Length) noexcept {
  TText::THead* const Head = this->Head();
  Head->Offset = uint32_t(reinterpret_cast<char*>(Head) - reinterpret_cast<char*>(FBlock));
  Head->Size = uint32_t(Length);
  Next()[Length] = 0;
  const qsizetype Units = UnitsFor(Length);
  FNext += Units;
  FLeft -= Units;
  FBlock->ref();
  return TText(Head);
}
