#pragma once

// An iconv conversion descriptor that closes itself, and the one conversion
// loop that the 8-bit text functions share.

#include <QByteArray>
#include <QByteArrayView>

#include <iconv.h>

class TIconv {
public:
  // What goes out where iconv refuses input, and how far the input moves on.
  struct TInvalid {
    QByteArray Replacement;
    bool WholeUtf8Sequence = false; // else one byte
    bool ResetState = false;        // back to the initial shift state after it
  };

  TIconv(const QByteArray& To, const QByteArray& From);
  ~TIconv() {
    if (IsOpen())
      iconv_close(FCd);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // False when iconv knows one of the two character sets not, or could not
  // load the conversion.
  bool IsOpen() const { return FCd != reinterpret_cast<iconv_t>(-1); }
  // Why the conversion did not open, as errno; 0 when it is open.
  int OpenError() const { return FOpenError; }
  // For conversions of another shape than Convert's.
  iconv_t Handle() const { return FCd; }

  // Converts Input whole (IsOpen() must hold). With EndInInitialState, a
  // stateful output set is brought back to its initial shift state at the end.
  QByteArray Convert(QByteArrayView Input, const TInvalid& Invalid, bool EndInInitialState);

  // Whether Charset names UTF-8, which needs no conversion.
  static bool IsUtf8(const QByteArray& Charset) {
    return Charset.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
           Charset.compare("UTF8", Qt::CaseInsensitive) == 0;
  }

  // Length of the UTF-8 sequence that starts with Lead (1 for a stray byte).
  static int Utf8Length(unsigned char Lead);

private:
  iconv_t FCd;
  int FOpenError = 0;
};
