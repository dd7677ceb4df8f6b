#pragma once

// The editor's document: the set database and its file, with the history of
// the user's edits. The history knows whether the document differs from what
// was last loaded, saved or started empty.

#include "database/Document.h"
#include "database/PropDB.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

// What an undo or redo changed, for the lists to show: the set, and the item
// when it was an item; Present is false when the change took the record out.
struct TEditTarget {
  PTypeRecord Set = nullptr;
  PPropRecord Item = nullptr;
  bool Present = false;
};

class TEditedDocument {
public:
  // Works on DB, which must outlive the document.
  explicit TEditedDocument(TPropDB& DB) : FFile(DB) {}
  ~TEditedDocument();
  TEditedDocument(const TEditedDocument&) = delete;
  TEditedDocument& operator=(const TEditedDocument&) = delete;

  TPropDB& DB() const { return FFile.DB(); }
  const QString& FileName() const { return FFile.FileName(); }
  void SetFileName(const QString& Value) { FFile.SetFileName(Value); }

  QUndoStack& History() { return FHistory; }
  bool Modified() const { return !FHistory.isClean(); }
  // Runs after every undo and redo, once the database holds the result.
  void SetOnUndoRedo(std::function<void(const TEditTarget&)> Shown) { FShown = std::move(Shown); }

  // "Новый": an empty document without a file and without a history.
  void New();
  // As TDocument::Load; a successful load also ends the history.
  TResult<TWarnings> Load(const QString& FileName, const TRegional& Settings,
                          const std::function<void()>& BeforeReplace = nullptr,
                          const TLoadProgress& Progress = {});
  // As TDocument::Save; a successful save makes the document unmodified.
  TDone Save(const QString& FileName, const TRegional& Settings);

  // The edits, each recorded once it has been made. An edit passes the
  // record's values from before; one that changed nothing is not recorded.
  void Added(PTypeRecord Set);
  void Added(PPropRecord Item);
  void Edited(PTypeRecord Set, const TTypeRecord& Before);
  void Edited(PPropRecord Item, const TPropRecord& Before);
  // Removals are made by the history itself, which keeps the records for an
  // undo. False when the record is not in the database.
  bool Remove(PTypeRecord Set);
  bool Remove(PPropRecord Item);

  void Shown(const TEditTarget& Target) const {
    if (FShown)
      FShown(Target);
  }

private:
  TDocument FFile;
  QUndoStack FHistory;
  std::function<void(const TEditTarget&)> FShown;
};
