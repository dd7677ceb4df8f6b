#include "database/setfile/Entities.h"

#include "database/setfile/Limits.h"
#include "failures/Reasons.h"

#include <algorithm>

namespace {

bool IsNameByte(char C) {
  return static_cast<unsigned char>(C) >= 0x80 || (C >= 'a' && C <= 'z') ||
         (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '.' || C == '-' || C == '_' ||
         C == ':';
}

TFailure Named(const char* Reason, std::string_view Name) {
  return TFailure::Own(Reason, {QString::fromUtf8(Name.data(), qsizetype(Name.size()))});
}

} // namespace

bool TEntityGraph::IsPredefined(std::string_view Name) {
  return Name == "amp" || Name == "lt" || Name == "gt" || Name == "quot" || Name == "apos";
}

void TEntityGraph::ForEachReference(std::string_view Text,
                                    const std::function<void(std::string_view)>& Found) {
  static constexpr std::string_view Skipped[][2] = {
      {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
  size_t I = 0;
  while (I < Text.size()) {
    const char C = Text[I];
    if (C == '<') {
      size_t Next = I + 1;
      for (const auto& S : Skipped) {
        if (Text.substr(I, S[0].size()) == S[0]) {
          const size_t End = Text.find(S[1], I + S[0].size());
          Next = End == std::string_view::npos ? Text.size() : End + S[1].size();
          break;
        }
      }
      I = Next;
      continue;
    }
    ++I;
    if (C != '&' || I == Text.size() || Text[I] == '#')
      continue;
    size_t End = I;
    while (End < Text.size() && IsNameByte(Text[End]))
      ++End;
    // Anything else is not well-formed, which the parser tells when it expands it.
    if (End > I && End < Text.size() && Text[End] == ';')
      Found(Text.substr(I, End - I));
    I = End;
  }
}

int TEntityGraph::Intern(std::string_view Name) {
  const auto Found = FIds.find(Name);
  if (Found != FIds.end())
    return Found->second;
  if (FNodes.size() >= size_t(MaxEntities))
    return -1;
  const auto Added = FIds.emplace(std::string(Name), int(FNodes.size())).first;
  FNames.push_back(&Added->first);
  FNodes.emplace_back();
  return Added->second;
}

std::optional<TFailure> TEntityGraph::Declare(std::string_view Name, const char* Value,
                                              int Length) {
  if (IsPredefined(Name))
    return std::nullopt; // never expanded from its declaration
  const int Id = Intern(Name);
  if (Id < 0)
    return TFailure::Own(Reason::TooManyEntities);
  if (FNodes[size_t(Id)].Declared)
    return std::nullopt;
  std::vector<int> Refs;
  bool Full = false;
  if (Value) {
    ForEachReference(std::string_view(Value, size_t(Length)), [&](std::string_view Ref) {
      if (IsPredefined(Ref))
        return;
      const int R = Intern(Ref);
      Full = Full || R < 0;
      Refs.push_back(R);
    });
  }
  if (Full)
    return TFailure::Own(Reason::TooManyEntities);
  std::sort(Refs.begin(), Refs.end());
  Refs.erase(std::unique(Refs.begin(), Refs.end()), Refs.end());
  if (std::binary_search(Refs.begin(), Refs.end(), Id))
    return Named(Reason::EntityRefersToItself, Name);

  TNode& Node = FNodes[size_t(Id)];
  Node.Declared = true;
  Node.Height = 1;
  for (const int R : Refs) {
    FNodes[size_t(R)].Referrers.push_back(Id);
    Node.Height = std::max(Node.Height, FNodes[size_t(R)].Height + 1);
  }
  Node.Refs = std::move(Refs);
  if (Node.Height > MaxEntityDepth)
    return TFailure::Own(Reason::EntitiesTooDeep);
  // The entities that refer to this one now reach further. Each step raises a
  // height, and no height passes the limit, so this ends in proportion to
  // the references; coming back to this entity is a cycle.
  std::vector<int> Work{Id};
  while (!Work.empty()) {
    const int X = Work.back();
    Work.pop_back();
    const int Height = FNodes[size_t(X)].Height + 1;
    for (const int P : FNodes[size_t(X)].Referrers) {
      if (FNodes[size_t(P)].Height >= Height)
        continue;
      if (P == Id)
        return Named(Reason::EntityRefersToItself, Name);
      if (Height > MaxEntityDepth)
        return TFailure::Own(Reason::EntitiesTooDeep);
      FNodes[size_t(P)].Height = Height;
      Work.push_back(P);
    }
  }
  return std::nullopt;
}

std::optional<TFailure> TEntityGraph::CheckDeclared() const {
  for (size_t I = 0; I < FNodes.size(); ++I) {
    if (!FNodes[I].Declared && !FNodes[I].Referrers.empty())
      return Named(Reason::EntityNotDeclared, *FNames[I]);
  }
  return std::nullopt;
}

bool TEntityGraph::Resolves(std::string_view Name) {
  if (IsPredefined(Name))
    return true;
  const auto Found = FIds.find(Name);
  if (Found == FIds.end())
    return false;
  std::vector<int> Work{Found->second}, Seen;
  bool Ok = true;
  while (!Work.empty() && Ok) {
    const int X = Work.back();
    Work.pop_back();
    TNode& Node = FNodes[size_t(X)];
    if (Node.Resolves)
      continue;
    Ok = Node.Declared;
    Node.Resolves = true; // seen; undone below when something does not resolve
    Seen.push_back(X);
    Work.insert(Work.end(), Node.Refs.begin(), Node.Refs.end());
  }
  for (const int X : Seen)
    FNodes[size_t(X)].Resolves = Ok;
  return Ok;
}
