#include "regional/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

TIconv::TIconv(const QByteArray& To, const QByteArray& From)
    : FCd(iconv_open(To.constData(), From.constData())) {
  if (IsOpen())
    return;
  FOpenError = errno;
  // iconv says EINVAL also for a conversion whose module it could not load
  // for want of a descriptor; that is the reason then.
  if (FOpenError != EINVAL)
    return;
  const int Probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (Probe >= 0)
    ::close(Probe);
  else if (errno == EMFILE || errno == ENFILE)
    FOpenError = errno;
}

QByteArray TIconv::Convert(QByteArrayView Input, const TInvalid& Invalid, bool EndInInitialState) {
  QByteArray Out;
  std::vector<char> Buffer(64 + static_cast<size_t>(Input.size()) * 4);
  char* In = const_cast<char*>(Input.data());
  size_t InLeft = static_cast<size_t>(Input.size());
  auto Append = [&](const char* End) {
    Out.append(Buffer.data(), static_cast<qsizetype>(End - Buffer.data()));
  };
  while (InLeft > 0) {
    char* OutPtr = Buffer.data();
    size_t OutLeft = Buffer.size();
    const size_t R = iconv(FCd, &In, &InLeft, &OutPtr, &OutLeft);
    const int Error = errno; // before anything else can set it
    Append(OutPtr);
    if (R != static_cast<size_t>(-1) || Error == E2BIG)
      continue;
    Out += Invalid.Replacement;
    const size_t Skip = Invalid.WholeUtf8Sequence
                            ? std::min<size_t>(Utf8Length(static_cast<unsigned char>(*In)), InLeft)
                            : 1;
    In += Skip;
    InLeft -= Skip;
    if (Invalid.ResetState)
      iconv(FCd, nullptr, nullptr, nullptr, nullptr);
  }
  if (EndInInitialState) {
    char* OutPtr = Buffer.data();
    size_t OutLeft = Buffer.size();
    iconv(FCd, nullptr, nullptr, &OutPtr, &OutLeft);
    Append(OutPtr);
  }
  return Out;
}

int TIconv::Utf8Length(unsigned char Lead) {
  if (Lead >= 0xF0 && Lead <= 0xF4)
    return 4;
  if (Lead >= 0xE0)
    return Lead <= 0xEF ? 3 : 1;
  if (Lead >= 0xC2)
    return 2;
  return 1;
}
