#pragma once

// The bytes of a set file as the writer builds them: attribute values escaped
// and encoded as UTF-8 in one pass, numbers and dates formatted in place, all
// handed to the device in large blocks.

#include "regional/Guid.h"
#include "regional/Regional.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

class TValueOut {
public:
  TValueOut(QIODevice& Device, const TRegional& Settings);

  // Markup, as it stands.
  void Raw(std::string_view Text) {
    char* O = Room(Text.size());
    std::memcpy(O, Text.data(), Text.size());
    End(O + Text.size());
  }
  // The values, as they stand between an attribute's quotation marks.
  void Text(QStringView Text);
  void GUID(const TGUID& GUID);
  void Int(int32_t Value);
  // The date part in the settings' pattern; the count must be one that
  // DecodeDate takes.
  void Date(double Date);
  void Cost(double Cost);

  // Hands what is buffered to the device once a block is full, or at once.
  // Fails with the device's reason when a write failed, now or before;
  // nothing is written after a failure.
  TDone FlushIfFull();
  TDone Flush();

private:
  // Where the next N bytes go; End takes the end of what was put there.
  char* Room(size_t N) {
    if (FUsed + N > FBuffer.size())
      Grow(N);
    return FBuffer.data() + FUsed;
  }
  void Grow(size_t N);
  void End(const char* Last) { FUsed = size_t(Last - FBuffer.data()); }
  // Hands what is buffered to the device, unless a write failed before.
  void Hand();

  QIODevice& FDevice;
  const TRegional& FSettings;
  std::string FDateSeparator;
  std::string FDecimal;
  std::vector<char> FBuffer;
  size_t FUsed = 0;
  std::optional<TFailure> FFailed;
};
