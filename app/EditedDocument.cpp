#include "app/EditedDocument.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace {

std::optional<TTakenSet> Take(TPropDB& DB, PTypeRecord Rec) {
  return DB.TakeType(Rec);
}
std::optional<TTakenProp> Take(TPropDB& DB, PPropRecord Rec) {
  return DB.TakeProp(Rec);
}

TEditTarget Target(PTypeRecord Set, bool Present) {
  return {Set, nullptr, Present};
}
TEditTarget Target(PPropRecord Item, bool Present) {
  return {Item->Parent, Item, Present};
}

// Equal to the last bit: a cost typed again with another sign of zero is a
// change, and a NaN is the same NaN.
bool Same(double A, double B) {
  return std::bit_cast<uint64_t>(A) == std::bit_cast<uint64_t>(B);
}
bool Same(const TTypeRecord& A, const TTypeRecord& B) {
  return A == B;
}
bool Same(const TPropRecord& A, const TPropRecord& B) {
  return A.GUID == B.GUID && A.Parent == B.Parent && A.Name == B.Name && A.Detail == B.Detail &&
         A.Default == B.Default && Same(A.Date, B.Date) && Same(A.Cost, B.Cost) && A.Curr == B.Curr;
}

template <class TRec>
using TTaken = std::conditional_t<std::is_same_v<TRec, TTypeRecord>, TTakenSet, TTakenProp>;

// Adding and removing are one command seen from either side: the record is
// in the database in one state and taken out, kept by the command, in the
// other. The first redo is the user's own command, already made (Taken, for
// a removal, holds what it took out) while the window updated its rows itself.
template <class TRec> class TPresenceCommand final : public QUndoCommand {
public:
  TPresenceCommand(TEditedDocument& Doc, TRec* Rec, std::optional<TTaken<TRec>> Taken,
                   const QString& Text)
      : QUndoCommand(Text), FDoc(Doc), FRec(Rec), FAdding(!Taken), FTaken(std::move(Taken)) {}
  ~TPresenceCommand() override {
    if (FTaken)
      FDoc.DB().Free(*FTaken);
  }

  void redo() override {
    if (FFirst) {
      FFirst = false;
      return;
    }
    FAdding ? PutBack() : TakeOut();
    FDoc.Shown(Target(FRec, FAdding));
  }

  void undo() override {
    if (FAdding)
      TakeOut();
    else
      PutBack();
    FDoc.Shown(Target(FRec, !FAdding));
  }

private:
  void TakeOut() { FTaken = Take(FDoc.DB(), FRec); }
  void PutBack() {
    if (!FTaken)
      return;
    FDoc.DB().PutBack(*FTaken);
    FTaken.reset();
  }

  TEditedDocument& FDoc;
  TRec* FRec;
  bool FAdding;
  std::optional<TTaken<TRec>> FTaken;
  bool FFirst = true;
};

// Records a removal, made here, by the record taken out of DB.
template <class TRec> bool Removed(TEditedDocument& Doc, TRec* Rec, const QString& Text) {
  std::optional<TTaken<TRec>> Taken = Take(Doc.DB(), Rec);
  if (!Taken)
    return false;
  Doc.History().push(new TPresenceCommand<TRec>(Doc, Rec, std::move(Taken), Text));
  return true;
}

// An edit in place: the record's values before and after.
template <class TRec> class TEditCommand final : public QUndoCommand {
public:
  TEditCommand(TEditedDocument& Doc, TRec* Rec, const TRec& Before, const QString& Text)
      : QUndoCommand(Text), FDoc(Doc), FRec(Rec), FBefore(Before), FAfter(*Rec) {}

  void redo() override {
    if (FFirst) {
      FFirst = false;
      return;
    }
    *FRec = FAfter;
    FDoc.Shown(Target(FRec, true));
  }

  void undo() override {
    *FRec = FBefore;
    FDoc.Shown(Target(FRec, true));
  }

private:
  TEditedDocument& FDoc;
  TRec* FRec;
  TRec FBefore;
  TRec FAfter;
  bool FFirst = true;
};

} // namespace

TEditedDocument::~TEditedDocument() {
  // Commands that hold taken records free them into the database.
  FHistory.clear();
}

void TEditedDocument::New() {
  // Before the database lets go of its blocks, where the kept records live.
  FHistory.clear();
  FFile.New();
}

TResult<TWarnings> TEditedDocument::Load(const QString& FileName, const TRegional& Settings,
                                         const std::function<void()>& BeforeReplace,
                                         const TLoadProgress& Progress) {
  return FFile.Load(
      FileName, Settings,
      [&] {
        FHistory.clear();
        if (BeforeReplace)
          BeforeReplace();
      },
      Progress);
}

TDone TEditedDocument::Save(const QString& FileName, const TRegional& Settings) {
  TDone Saved = FFile.Save(FileName, Settings);
  if (Saved)
    FHistory.setClean();
  return Saved;
}

void TEditedDocument::Added(PTypeRecord Set) {
  FHistory.push(new TPresenceCommand<TTypeRecord>(*this, Set, std::nullopt,
                                                  QStringLiteral("Добавление набора")));
}

void TEditedDocument::Added(PPropRecord Item) {
  FHistory.push(new TPresenceCommand<TPropRecord>(*this, Item, std::nullopt,
                                                  QStringLiteral("Добавление содержимого")));
}

void TEditedDocument::Edited(PTypeRecord Set, const TTypeRecord& Before) {
  if (!Same(*Set, Before))
    FHistory.push(
        new TEditCommand<TTypeRecord>(*this, Set, Before, QStringLiteral("Изменение набора")));
}

void TEditedDocument::Edited(PPropRecord Item, const TPropRecord& Before) {
  if (!Same(*Item, Before))
    FHistory.push(new TEditCommand<TPropRecord>(*this, Item, Before,
                                                QStringLiteral("Изменение содержимого")));
}

bool TEditedDocument::Remove(PTypeRecord Set) {
  return Removed(*this, Set, QStringLiteral("Удаление набора"));
}

bool TEditedDocument::Remove(PPropRecord Item) {
  return Removed(*this, Item, QStringLiteral("Удаление содержимого"));
}
