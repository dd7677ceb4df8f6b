#pragma once

// The general entities of a document type and which of them refers to which.
// Expat expands a reference by recursion, so a long chain of them overflows
// the stack; and where part of the document type is not read, it drops a
// reference it cannot resolve without a word. The graph keeps every expansion
// shallow and lets the reader refuse a reference that would not resolve.

#include "failures/Failure.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Lets a set of names be searched by a string_view.
struct TNameHash {
  using is_transparent = void;
  size_t operator()(std::string_view S) const { return std::hash<std::string_view>()(S); }
};

class TEntityGraph {
public:
  // Records the entity Name, declared with the replacement text Value
  // (nullptr for an external entity); a later declaration of the same name
  // does not count, as for the parser. Returns the reason to refuse the
  // document, if any: a reference chain longer than MaxEntityDepth, a cycle,
  // or too many entities.
  std::optional<TFailure> Declare(std::string_view Name, const char* Value, int Length);
  // The reason to refuse a document type in which an entity refers to one
  // that was never declared, if any.
  std::optional<TFailure> CheckDeclared() const;
  // Whether Name and every entity that its expansion refers to are declared.
  bool Resolves(std::string_view Name);

private:
  struct TNode {
    std::vector<int> Refs;      // what the replacement text refers to
    std::vector<int> Referrers; // whose text refers to this one
    int Height = 0;             // the longest chain of expansions from here
    bool Declared = false;
    bool Resolves = false; // known to expand completely
  };
  std::unordered_map<std::string, int, TNameHash, std::equal_to<>> FIds;
  std::vector<TNode> FNodes;
  std::vector<const std::string*> FNames; // by id

  int Intern(std::string_view Name); // -1 past MaxEntities

  // Calls Found with the name of each entity reference in the replacement
  // text Text; character references, and the text of comments, CDATA sections
  // and processing instructions, are no entity references.
  static void ForEachReference(std::string_view Text,
                               const std::function<void(std::string_view)>& Found);
  static bool IsPredefined(std::string_view Name);
};
