#include "regional/Guid.h"

#include "regional/Regional.h"

#include <algorithm>

namespace {

QUuid ToUuid(const TGUID& GUID) {
  return QUuid(GUID.D1, GUID.D2, GUID.D3, GUID.D4[0], GUID.D4[1], GUID.D4[2], GUID.D4[3],
               GUID.D4[4], GUID.D4[5], GUID.D4[6], GUID.D4[7]);
}

} // namespace

QString GUIDToString(const TGUID& GUID) {
  return ToUuid(GUID).toString(QUuid::WithBraces).toUpper();
}

TGUID StringToGUID(const QString& Text) {
  auto Fail = [&Text]() {
    return TError(QStringLiteral("'") + Text + QStringLiteral("' is not a valid GUID value"));
  };
  // QUuid also reads the form without braces; the set file has them always.
  if (Text.size() != 38 || Text[0] != u'{' || Text[37] != u'}' || Text[9] != u'-' ||
      Text[14] != u'-' || Text[19] != u'-' || Text[24] != u'-')
    throw Fail();
  // QUuid gives the nil value for text it cannot read, so the nil text itself is
  // told apart by hand.
  const QUuid Uuid = QUuid::fromString(Text);
  if (Uuid.isNull() && Text != QStringLiteral("{00000000-0000-0000-0000-000000000000}"))
    throw Fail();
  return GUIDFromUuid(Uuid);
}

TGUID GUIDFromUuid(const QUuid& Uuid) {
  TGUID GUID;
  GUID.D1 = Uuid.data1;
  GUID.D2 = Uuid.data2;
  GUID.D3 = Uuid.data3;
  std::copy(std::begin(Uuid.data4), std::end(Uuid.data4), GUID.D4.begin());
  return GUID;
}
