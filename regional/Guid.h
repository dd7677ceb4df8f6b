#pragma once

#include "failures/Failure.h"

#include <QString>
#include <QUuid>

#include <array>
#include <cstdint>
#include <string_view>

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};

  friend bool operator==(const TGUID&, const TGUID&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
QString GUIDToString(const TGUID& GUID);
// The same 38 characters as bytes.
void GUIDToBytes(const TGUID& GUID, char* Out);
// Either case; fails with "'%s' is not a valid GUID value".
TResult<TGUID> StringToGUID(const QString& Text);
// The same form as 8-bit text (the set file's own bytes); false for any other.
bool ParseGUID(std::string_view Text, TGUID& GUID);
// QUuid's fields are laid out as TGUID's.
TGUID GUIDFromUuid(const QUuid& Uuid);
