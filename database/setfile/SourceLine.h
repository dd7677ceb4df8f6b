#pragma once

// The source line that a parse error quotes, read again from the device.

#include "database/setfile/Expat.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// How the bytes of a failing line are shown: leniently for UTF-8 and UTF-16
// (U+FFFD for what does not decode), up to the first byte that is not in the
// encoding for the single-byte ones.
struct TSourceEncoding {
  enum { Utf8, Utf16LE, Utf16BE, Latin1, Ascii, Table } Kind = Utf8;
  const TByteTable* Map = nullptr;

  int UnitSize() const { return Kind == Utf16LE || Kind == Utf16BE ? 2 : 1; }
  // The code unit at P (one byte, or two in the UTF-16 byte order).
  unsigned UnitAt(const char* P) const {
    const auto* U = reinterpret_cast<const unsigned char*>(P);
    if (UnitSize() == 1)
      return U[0];
    return Kind == Utf16LE ? unsigned(U[0] | U[1] << 8) : unsigned(U[0] << 8 | U[1]);
  }
  QString Decode(const QByteArray& Bytes) const;
};

// The first 40 characters of line Line (counted from 1 as the parser counts:
// CR, LF and CR LF each end a line), read again from the device from Start.
// Reads up to the line and 168 bytes of it, never more; a sequential device
// gives nothing.
QString SourceLine(QIODevice& Device, qint64 Start, qint64 Line, const TSourceEncoding& Encoding);

// The same for a device that cannot be read again (a pipe): the bytes as they
// were read, kept only from the start of the line that the parser may still
// point back to, so that a stream costs no more than the parser holds of it.
class TStreamLines {
public:
  void Append(const char* Bytes, qint64 Size) { FKept.append(Bytes, Size); }
  // The parser points back no further than byte From of the stream.
  void Release(qint64 From, const TSourceEncoding& Encoding);
  // Line's quote is wanted later: taken before its bytes are let go.
  void Hold(qint64 Line) { FHeld = Line; }
  QString Source(qint64 Line, const TSourceEncoding& Encoding) const;

private:
  QByteArray FKept;
  qint64 FKeptAt = 0, FKeptLine = 1; // where FKept starts: a line's start
  qint64 FScanned = 0;               // lines counted up to here
  qint64 FLineAt = 0, FLine = 1;     // the last line start counted
  bool FAfterCR = false;
  qint64 FHeld = 0;
  QString FHeldSource;
};
