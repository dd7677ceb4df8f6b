#pragma once

// A device that gives or takes Limit bytes and then fails, as a broken medium
// or a full disk does.

#include <QIODevice>

#include <algorithm>
#include <cstring>

class TFailDevice : public QIODevice {
public:
  TFailDevice(const QByteArray& Data, qint64 Limit) : FData(Data), FLimit(Limit) {}
  QByteArray Written;

protected:
  qint64 readData(char* Out, qint64 Max) override {
    const qint64 N = std::min({Max, FLimit - FRead, qint64(FData.size()) - FRead});
    if (N <= 0 && FRead < FData.size()) {
      setErrorString(QStringLiteral("Input/output error"));
      return -1;
    }
    std::memcpy(Out, FData.constData() + FRead, size_t(std::max<qint64>(N, 0)));
    FRead += std::max<qint64>(N, 0);
    return std::max<qint64>(N, 0);
  }
  qint64 writeData(const char* In, qint64 Size) override {
    const qint64 N = std::min(Size, FLimit - Written.size());
    if (N <= 0) {
      setErrorString(QStringLiteral("No space left on device"));
      return -1;
    }
    Written.append(In, N);
    return N;
  }

private:
  QByteArray FData;
  qint64 FLimit;
  qint64 FRead = 0;
};
