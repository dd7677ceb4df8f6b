#include "Terminal.h"

#include "regional/Iconv.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <fcntl.h>
#include <langinfo.h>
#include <memory>
#include <unistd.h>

namespace {

// The texts are English in the source and come in the user's language from
// the catalogue.
struct TTool {
  Q_DECLARE_TR_FUNCTIONS(TTool)
};

// Which of standard input, output and error were closed when the tool
// started. Each is held on /dev/null since, so that no file the tool opens
// takes its number; reading or writing one is a failure all the same.
bool ClosedAt[3] = {};

// The first write to standard output that failed, as errno; a result that
// did not arrive makes the command fail however it went.
int StdoutError = 0;
bool StdoutUsed = false;

// Writes Bytes whole to Fd: 0, or the errno of the write that failed.
int WriteAll(int Fd, QByteArrayView Bytes);

// Messages go out in the character set of the locale the tool runs in; Qt 6
// would write UTF-8 whatever it is. Opened at start, while a descriptor is
// still free to load the conversion; nullptr for UTF-8 itself.
std::unique_ptr<TIconv> ToTerminal;

} // namespace

void HoldClosedStreams() {
  for (int Fd = STDIN_FILENO; Fd <= STDERR_FILENO; ++Fd) {
    if (::fcntl(Fd, F_GETFD) != -1 || errno != EBADF)
      continue;
    ClosedAt[Fd] = true;
    // The lowest free number is Fd, since the ones below it are open by now.
    int Held = ::open("/dev/null", O_RDWR);
    if (Held < 0)
      Held = ::open("/", O_PATH);
    if (Held >= 0 && Held != Fd) {
      ::dup2(Held, Fd);
      ::close(Held);
    }
  }
}

QString SystemReason(int Code) {
  return FailureText(TFailure::System(Code));
}

namespace {

int WriteAll(int Fd, QByteArrayView Bytes) {
  const char* Next = Bytes.data();
  qsizetype Left = Bytes.size();
  while (Left > 0) {
    const ssize_t Written = ::write(Fd, Next, static_cast<size_t>(Left));
    if (Written < 0 && errno == EINTR)
      continue;
    if (Written < 0)
      return errno;
    Next += Written;
    Left -= Written;
  }
  return 0;
}

} // namespace

void OpenTerminal() {
  std::setlocale(LC_ALL, "");
  const QByteArray Charset(nl_langinfo(CODESET));
  if (!TIconv::IsUtf8(Charset))
    ToTerminal = std::make_unique<TIconv>(Charset, "UTF-8");
}

QByteArray Terminal(const QString& Text) {
  const QByteArray Utf8 = Text.toUtf8();
  if (!ToTerminal)
    return Utf8;
  if (!ToTerminal->IsOpen()) {
    QByteArray Ascii;
    for (qsizetype I = 0; I < Utf8.size();) {
      const auto C = static_cast<unsigned char>(Utf8[I]);
      Ascii += C < 0x80 ? char(C) : '?';
      I += C < 0x80 ? 1 : std::min<qsizetype>(TIconv::Utf8Length(C), Utf8.size() - I);
    }
    return Ascii;
  }
  return ToTerminal->Convert(Utf8, {"?", /*WholeUtf8Sequence=*/true, /*ResetState=*/false},
                             /*EndInInitialState=*/true);
}

QByteArray NameBytes(const QString& File) {
  return QFile::encodeName(Escaped(File));
}

QByteArray ControlsEscaped(const char* Argument) {
  QByteArray Out;
  for (const char* P = Argument; *P; ++P) {
    const auto Byte = static_cast<unsigned char>(*P);
    if (Byte < 0x20 || Byte == 0x7F)
      Out += "\\x" + QByteArray::number(Byte, 16).toUpper().rightJustified(2, '0');
    else
      Out += char(Byte);
  }
  return Out;
}

QByteArray Named(const QString& Pattern, const QByteArray& Name, const QString& Text) {
  QByteArray Out;
  const QStringList Parts = Pattern.split(QStringLiteral("%1"));
  for (qsizetype I = 0; I < Parts.size(); ++I) {
    if (I > 0)
      Out += Name;
    QString Part = Parts[I];
    Out += Terminal(Part.replace(QStringLiteral("%2"), Text));
  }
  return Out;
}

void PrintOut(const QByteArray& Bytes) {
  StdoutUsed = true;
  if (StdoutError == 0)
    StdoutError = ClosedAt[STDOUT_FILENO] ? EBADF : WriteAll(STDOUT_FILENO, Bytes);
}

void PrintErr(const QByteArray& Bytes) {
  if (!ClosedAt[STDERR_FILENO])
    WriteAll(STDERR_FILENO, Bytes);
}

QByteArray Said(const QByteArray& Text) {
  return Terminal(ProgramName + QStringLiteral(": ")) + Text + '\n';
}

void Fail(const QByteArray& Text) {
  PrintErr(Said(Text));
}

TStopped Usage(const QByteArray& Text) {
  return {ExitUsage, Said(Text)};
}

TStopped Usage(const QString& Text) {
  return Usage(Terminal(Text));
}

void Fail(const QString& Text) {
  Fail(Terminal(Text));
}

// What coreutils' close_stdout does: a write error found only at the close
// (a file system that reports it late) fails the command too.
int FinishStdout(int Result) {
  if (StdoutUsed && StdoutError == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR)
    StdoutError = errno;
  if (StdoutError == 0)
    return Result;
  Fail(TTool::tr("write error on standard output: %1").arg(SystemReason(StdoutError)));
  return Result == ExitOk ? ExitFailed : Result;
}

TDone WriteStdout(const QByteArray& Bytes) {
  StdoutUsed = true;
  const int Error = ClosedAt[STDOUT_FILENO] ? EBADF : WriteAll(STDOUT_FILENO, Bytes);
  if (Error != 0)
    return TFailure::System(Error);
  return {};
}

bool ClosedAtStart(int Fd) {
  return ClosedAt[Fd];
}

bool TerminalConverts() {
  return ToTerminal != nullptr;
}
