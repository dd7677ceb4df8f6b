#pragma once

// Records for tests, added to a database the way the windows add them.

#include "database/PropDB.h"

inline PTypeRecord AddTestSet(TPropDB& DB, const QString& Name,
                              const QString& Language = QStringLiteral("Russian"),
                              const QString& Country = QStringLiteral("Russia")) {
  const PTypeRecord Set = DB.AddType();
  Set->Name = Name;
  Set->Language = Language;
  Set->Country = Country;
  return Set;
}

struct TItemFields {
  int Detail = 0;
  bool Default = false;
  double Cost = 0;
  QString Curr = QStringLiteral("RUR");
  double Date = *EncodeDate(2024, 3, 5);
};

inline PPropRecord AddTestItem(TPropDB& DB, PTypeRecord Set, const QString& Name,
                               const TItemFields& Fields = {}) {
  const PPropRecord Item = DB.AddProp(Set);
  Item->Name = Name;
  Item->Detail = Fields.Detail;
  Item->Default = Fields.Default;
  Item->Cost = Fields.Cost;
  Item->Curr = Fields.Curr;
  Item->Date = Fields.Date;
  return Item;
}
