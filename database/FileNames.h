#pragma once

// File names as the system takes them: bytes, which the program reads as
// UTF-8 text. A name that does not come back from its text as the same bytes
// would lead a command to another file.

#include <QString>

// False when FileName cannot stand for the file it was read from byte for
// byte: a name on disk in bytes that are not UTF-8 reads as the same text, but
// the text leads to another name (or none). Such a name must be refused
// rather than read or replaced.
bool NameIsExact(const QString& FileName);
// A command-line argument whose bytes read back as themselves: UTF-8, so that
// its text leads to the same name.
bool ArgumentIsExact(const char* Argument);
