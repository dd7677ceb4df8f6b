#pragma once

#include "failures/Failure.h"

#include <QString>

#include <functional>

class QIODevice;

// Writes FileName whole or not at all. Write fills a temporary file beside it
// (and must check its own writes: the device is unbuffered, so a full disk
// shows at the write that meets it); the temporary file replaces FileName only
// when Write succeeded. On failure, Write's or its own, the file that was
// there before is left as it was, and no temporary file remains.
// A symbolic link is followed, but not one that another user put into a
// sticky folder that everybody may write (as the kernel's protected_symlinks
// rule has it); a FileName that is, or leads to, anything but a regular file,
// or a file that the user may not write, is refused before anything is
// written. The temporary file is readable by its owner alone, or less, from
// its first byte.
//
// A file that is replaced keeps its mode, its extended attributes (ACLs among
// them) and, as far as the system lets the saving user set them, its owner
// and group. It gets a new inode: another hard link to the old file keeps the
// old contents.
TDone WriteFileAtomically(const QString& FileName, const std::function<TDone(QIODevice&)>& Write);

// A write past the file-size limit (ulimit -f) then fails with EFBIG, which
// the save reports, instead of killing the process with SIGXFSZ.
void IgnoreFileSizeSignal();
