#pragma once

// Records for tests, added to a database the way the windows add them.

#include "database/PropDB.h"

#include <QStringList>

#include <bit>
#include <string>

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

// Every field of every record of DB, one record a line, to compare whole
// databases: numbers by their bits (a NaN is equal to itself), an item's set
// by its place.
inline std::string Printed(const TPropDB& DB) {
  const auto Bits = [](double Value) { return QString::number(std::bit_cast<quint64>(Value), 16); };
  QString Out;
  for (int T = 0; T < DB.TypeCount(); ++T) {
    const TTypeRecord& R = *DB.Types(T);
    Out += QStringList{QStringLiteral("set"), GUIDToString(R.GUID), R.Name, R.Language, R.Country}
               .join(u'|') +
           u'\n';
  }
  for (int P = 0; P < DB.PropCount(); ++P) {
    const TPropRecord& R = *DB.Props(P);
    int Parent = -1;
    for (int T = 0; T < DB.TypeCount() && Parent < 0; ++T)
      Parent = DB.Types(T) == R.Parent ? T : -1;
    Out += QStringList{QStringLiteral("item"),
                       QString::number(Parent),
                       GUIDToString(R.GUID),
                       R.Name,
                       QString::number(R.Detail),
                       QString::number(R.Default),
                       Bits(R.Date),
                       Bits(R.Cost),
                       R.Curr}
               .join(u'|') +
           u'\n';
  }
  return Out.toStdString();
}
