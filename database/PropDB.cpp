// The set database: two flat lists of owned records.

#include "database/PropDB.h"

#include <QRandomGenerator>

#include <algorithm>
#include <memory>

TPropDB::~TPropDB() {
  Clear();
}

PTypeRecord TPropDB::AddType() {
  // Held until the list owns it, so a failed append leaks nothing.
  auto Rec = std::make_unique<TTypeRecord>();
  FTypeList.push_back(Rec.get());
  return Rec.release();
}

PPropRecord TPropDB::AddProp(PTypeRecord Parent) {
  if (!Parent)
    return nullptr;
  auto Rec = std::make_unique<TPropRecord>();
  Rec->Parent = Parent;
  FPropList.push_back(Rec.get());
  return Rec.release();
}

PTypeRecord TPropDB::FindType(const TGUID& GUID) const {
  for (PTypeRecord Rec : FTypeList)
    if (Rec->GUID == GUID)
      return Rec;
  return nullptr;
}

PPropRecord TPropDB::FindProp(const TGUID& GUID) const {
  for (PPropRecord Rec : FPropList)
    if (Rec->GUID == GUID)
      return Rec;
  return nullptr;
}

PTypeRecord TPropDB::Types(int Index) const {
  if (Index < 0 || Index >= TypeCount())
    return nullptr;
  return FTypeList[static_cast<size_t>(Index)];
}

PPropRecord TPropDB::Props(int Index) const {
  if (Index < 0 || Index >= PropCount())
    return nullptr;
  return FPropList[static_cast<size_t>(Index)];
}

bool TPropDB::RemoveProp(PPropRecord Rec) {
  const auto It = std::find(FPropList.begin(), FPropList.end(), Rec);
  if (It == FPropList.end())
    return false;
  delete *It;
  FPropList.erase(It);
  return true;
}

bool TPropDB::RemoveType(PTypeRecord Rec) {
  const auto It = std::find(FTypeList.begin(), FTypeList.end(), Rec);
  if (It == FTypeList.end())
    return false;
  // One stable pass instead of a RemoveProp per item: the same survivors in the
  // same order, without moving the tail once for every removed item.
  auto Out = FPropList.begin();
  for (auto In = FPropList.begin(); In != FPropList.end(); ++In) {
    if ((*In)->Parent == Rec)
      delete *In;
    else
      *Out++ = *In;
  }
  FPropList.erase(Out, FPropList.end());
  delete *It;
  FTypeList.erase(It);
  return true;
}

void TPropDB::Clear() {
  for (PPropRecord Rec : FPropList)
    delete Rec;
  for (PTypeRecord Rec : FTypeList)
    delete Rec;
  // Release the arrays too, as a new database would have none.
  TPropList().swap(FPropList);
  TTypeList().swap(FTypeList);
}

int32_t NewGUID(TGUID& GUID) {
  quint32 Words[4];
  QRandomGenerator::system()->fillRange(Words);
  GUID.D1 = Words[0];
  GUID.D2 = static_cast<uint16_t>(Words[1] >> 16);
  // Version 4 (random) in the top four bits of D3.
  GUID.D3 = static_cast<uint16_t>((Words[1] & 0x0FFFu) | 0x4000u);
  for (int I = 0; I < 4; ++I) {
    GUID.D4[static_cast<size_t>(I)] = static_cast<uint8_t>(Words[2] >> (8 * I));
    GUID.D4[static_cast<size_t>(I + 4)] = static_cast<uint8_t>(Words[3] >> (8 * I));
  }
  // RFC 4122 variant: the top two bits of D4[0] are 10.
  GUID.D4[0] = static_cast<uint8_t>((GUID.D4[0] & 0x3Fu) | 0x80u);
  return 0;
}
