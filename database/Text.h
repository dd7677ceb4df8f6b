#pragma once

// A text field of a record. A document holds a million of them, and a
// QString is three words where this is one: a pointer to the size and the
// characters, which sit in a string block of their own or, from a load,
// among the texts of a shared block. Either way the block counts its
// references as a QString's does, so a QString made from a text shares the
// characters instead of copying them, and the block lives as long as any
// text or string that uses it.

#include <QString>
#include <QStringView>

#include <cstdint>

class TText {
public:
  TText() noexcept = default;
  explicit TText(QStringView Text);
  explicit TText(const QString& Text) : TText(QStringView(Text)) {}
  TText(const TText& Other) noexcept : FHead(Other.FHead) { Ref(); }
  TText(TText&& Other) noexcept : FHead(Other.FHead) { Other.FHead = nullptr; }
  ~TText() { Deref(); }
  TText& operator=(const TText& Other) noexcept;
  TText& operator=(TText&& Other) noexcept;
  TText& operator=(const QString& Text) { return *this = TText(Text); }

  // A string that shares these characters.
  operator QString() const;
  QString ToString() const { return *this; }
  QStringView View() const noexcept {
    return FHead ? QStringView(Chars(FHead), FHead->Size) : QStringView();
  }
  qsizetype size() const noexcept { return FHead ? qsizetype(FHead->Size) : 0; }
  bool isEmpty() const noexcept { return !FHead; }

  friend bool operator==(const TText& A, const TText& B) noexcept {
    return A.FHead == B.FHead || A.View() == B.View();
  }
  friend bool operator==(const TText& A, const QString& B) noexcept { return A.View() == B; }
  friend bool operator==(const TText& A, QStringView B) noexcept { return A.View() == B; }

private:
  friend class TTextBlock;
  // Stands in front of the characters, which end with a zero as a string's
  // data does. Offset leads back to the block.
  struct THead {
    uint32_t Offset;
    uint32_t Size;
  };
  static const char16_t* Chars(const THead* Head) noexcept {
    return reinterpret_cast<const char16_t*>(Head + 1);
  }
  QArrayData* Block() const noexcept {
    return reinterpret_cast<QArrayData*>(reinterpret_cast<char*>(FHead) - FHead->Offset);
  }
  void Ref() const noexcept {
    if (FHead)
      Block()->ref();
  }
  void Deref() noexcept;
  // Takes over a reference that the caller holds; Head is not empty.
  explicit TText(THead* Head) noexcept : FHead(Head) {}

  THead* FHead = nullptr; // none for an empty text
};

// A string block that texts are laid into end to end: what a load uses for
// the many short texts of its records, where a block for each would cost more
// than the text.
class TTextBlock {
public:
  // A block of Units code units for texts and their heads.
  explicit TTextBlock(qsizetype Units);
  TTextBlock(const TTextBlock&) = delete;
  TTextBlock& operator=(const TTextBlock&) = delete;
  ~TTextBlock();

  // Units that a text of Length units takes in a block.
  static qsizetype UnitsFor(qsizetype Length) noexcept {
    // The next head starts on a multiple of its alignment.
    return (HeadUnits + Length + 1 + 1) & ~qsizetype(1);
  }
  qsizetype Left() const noexcept { return FLeft; }
  // Where the characters of the next text go, and the units they may take
  // there; the text must fit in Left() all the same.
  char16_t* Next() noexcept { return const_cast<char16_t*>(TText::Chars(Head())); }
  qsizetype Room() const noexcept { return FLeft - HeadUnits - 1; }
  // The text of the first Length units at Next(), which then moves past it.
  TText Take(qsizetype Length) noexcept;

private:
  static constexpr qsizetype HeadUnits = sizeof(TText::THead) / sizeof(char16_t);
  TText::THead* Head() noexcept { return reinterpret_cast<TText::THead*>(FNext); }
  QArrayData* FBlock = nullptr;
  char16_t* FNext = nullptr;
  qsizetype FLeft = 0;
};
