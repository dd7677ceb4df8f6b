#pragma once

#include <QString>

#include <stdexcept>

// An error raised by the set file reader and writer, the atomic write and the
// conversions; Message() is the text that callers show.
class TError : public std::runtime_error {
public:
  explicit TError(const QString& AMessage)
      : std::runtime_error(AMessage.toStdString()), FMessage(AMessage) {}
  const QString& Message() const { return FMessage; }

private:
  QString FMessage;
};
