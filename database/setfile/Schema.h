#pragma once

// The names of the set file's elements and attributes, for the reader (as the
// parser gives them) and the writer (which takes QString only; made once, not
// per attribute).

#include <QString>

#include <array>

constexpr const char* RootKey = "propdb";
constexpr const char* TypeKey = "type";
constexpr const char* PropKey = "prop";
inline const QString RootName = QStringLiteral("propdb");
inline const QString TypeName = QStringLiteral("type");
inline const QString PropName = QStringLiteral("prop");

enum TTypeAttr { tGUID, tName, tLanguage, tCountry };
enum TPropAttr { pGUID, pName, pDetail, pDefault, pDate, pCost, pCurr };

inline constexpr std::array<const char*, 4> TypeAttrKeys = {"GUID", "name", "language", "country"};
inline constexpr std::array<const char*, 7> PropAttrKeys = {"GUID", "name", "detail", "default",
                                                            "date", "cost", "curr"};

template <size_t N> std::array<QString, N> Names(const std::array<const char*, N>& Keys) {
  std::array<QString, N> Out;
  for (size_t I = 0; I < N; ++I)
    Out[I] = QString::fromLatin1(Keys[I]);
  return Out;
}
inline const std::array<QString, 4> TypeAttrNames = Names(TypeAttrKeys);
inline const std::array<QString, 7> PropAttrNames = Names(PropAttrKeys);
