#include "ui/Columns.h"

namespace {

// Texts of an item's Default flag: [false] "Нет", [true] "Да".
const QString DefaultText[2] = {QStringLiteral("Нет"), QStringLiteral("Да")};

QString TypeName(const TTypeRecord& Rec, const TRegional&) {
  return Rec.Name;
}
QString TypeCountry(const TTypeRecord& Rec, const TRegional&) {
  return Rec.Country;
}
QString TypeLanguage(const TTypeRecord& Rec, const TRegional&) {
  return Rec.Language;
}

QString PropName(const TPropRecord& Rec, const TRegional&) {
  return Rec.Name;
}
QString PropDate(const TPropRecord& Rec, const TRegional& Settings) {
  return DateToStr(Rec.Date, Settings);
}
QString PropDefault(const TPropRecord& Rec, const TRegional&) {
  return DefaultText[Rec.Default ? 1 : 0];
}
QString PropCost(const TPropRecord& Rec, const TRegional& Settings) {
  return CostToStr(Rec.Cost, Settings.DecimalSeparator);
}
QString PropCurr(const TPropRecord& Rec, const TRegional&) {
  return Rec.Curr;
}

// Every column an item has, with its width in each list; 0 where that list
// does not show it.
struct TPropField {
  const char16_t* Caption;
  int MainWidth;
  int TestWidth;
  QString (*Text)(const TPropRecord&, const TRegional&);
};
constexpr TPropField PropFields[] = {
    {u"Имущество", 150, 150, PropName},     {u"Дата", 80, 80, PropDate},
    {u"По умолчанию", 100, 0, PropDefault}, {u"Цена", 50, 60, PropCost},
    {u"Валюта", 0, 60, PropCurr},
};

TColumns<TPropRecord> PropColumnsOf(TItemList List) {
  TColumns<TPropRecord> Columns;
  for (const TPropField& Field : PropFields)
    if (const int Width = List == TItemList::Main ? Field.MainWidth : Field.TestWidth)
      Columns.push_back({QString::fromUtf16(Field.Caption), Width, Field.Text});
  return Columns;
}

} // namespace

const TColumns<TTypeRecord>& TypeColumns() {
  static const TColumns<TTypeRecord> Columns = {{QStringLiteral("Набор"), 150, TypeName},
                                                {QStringLiteral("Страна"), 100, TypeCountry},
                                                {QStringLiteral("Язык"), 80, TypeLanguage}};
  return Columns;
}

const TColumns<TPropRecord>& PropColumns(TItemList List) {
  static const TColumns<TPropRecord> Main = PropColumnsOf(TItemList::Main);
  static const TColumns<TPropRecord> Test = PropColumnsOf(TItemList::Test);
  return List == TItemList::Main ? Main : Test;
}
