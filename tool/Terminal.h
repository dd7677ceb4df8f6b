#pragma once

// The tool's standard streams and terminal: which streams were closed at the
// start, the terminal's character set, the file names as given, and how the
// tool ends.

#include "failures/Failure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

enum TExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Why the tool stops early: a command-line error, found before anything was
// read or written (ExitUsage), or a command that failed (ExitFailed). Message
// is what is left to say on standard error, as it is written there; a
// command that said why as it went leaves it empty.
struct TStopped {
  TExit Exit = ExitFailed;
  QByteArray Message;
};
using TToolDone = TResult<void, TStopped>;
template <class T> using TToolResult = TResult<T, TStopped>;

inline const QString ProgramName = QStringLiteral("brimsett-tool");

// "-" stands for standard input or output.
inline bool IsStdStream(const QString& File) {
  return File == u"-";
}

// Both before Qt opens its first descriptor: holds each standard stream that
// was closed at the start on /dev/null, so that no file the tool opens takes
// its number, and opens the conversion to the terminal's character set.
void HoldClosedStreams();
void OpenTerminal();
// Whether the standard stream Fd was closed at the start; reading or writing
// it is a failure all the same.
bool ClosedAtStart(int Fd);
// Whether the terminal takes another character set than UTF-8.
bool TerminalConverts();

// The reason for errno Code as the other system reasons are shown.
QString SystemReason(int Code);
// Text in the terminal's character set; a character it cannot hold is "?".
QByteArray Terminal(const QString& Text);
// A file name as it was given on the command line: its bytes, not converted,
// but with the characters that would act on a terminal escaped, as a file's
// contents are.
QByteArray NameBytes(const QString& File);
// An argument that is not UTF-8, byte for byte but for its control bytes,
// which would act on the terminal.
QByteArray ControlsEscaped(const char* Argument);
// Pattern (translated) with %1 the name Name, which keeps its bytes, and %2
// Text.
QByteArray Named(const QString& Pattern, const QByteArray& Name, const QString& Text = {});

// A line of the result on standard output; a write that fails is remembered
// for the end.
void PrintOut(const QByteArray& Bytes);
// Bytes written directly to standard output, which has no old content to keep.
TDone WriteStdout(const QByteArray& Bytes);
// A message on standard error, after the program's name.
void PrintErr(const QByteArray& Bytes);
void Fail(const QByteArray& Text);
void Fail(const QString& Text);
// The line that Fail writes.
QByteArray Said(const QByteArray& Text);
// A command-line error that Text words.
TStopped Usage(const QString& Text);
TStopped Usage(const QByteArray& Text);
// The exit status of a run that ended with Result, once standard output is
// closed: a write to it that failed, then or before, fails the run.
int FinishStdout(int Result);
