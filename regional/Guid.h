#pragma once

#include <QString>
#include <QUuid>

#include <array>
#include <cstdint>

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};

  friend bool operator==(const TGUID&, const TGUID&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
QString GUIDToString(const TGUID& GUID);
// Either case; raises TError "'%s' is not a valid GUID value".
TGUID StringToGUID(const QString& Text);
// QUuid's fields are laid out as TGUID's.
TGUID GUIDFromUuid(const QUuid& Uuid);
