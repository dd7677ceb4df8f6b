#pragma once

#include <QString>

#include <functional>

class QIODevice;

// Writes FileName whole or not at all. Write fills a temporary file beside it
// (and must check its own writes: the device is unbuffered, so a full disk
// shows at the write that meets it); the temporary file replaces FileName only
// when Write returned normally. Raises TError with the reason; the file that
// was there before is then left as it was, and no temporary file remains.
void WriteFileAtomically(const QString& FileName, const std::function<void(QIODevice&)>& Write);
