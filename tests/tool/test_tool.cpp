// brimsett-tool run as a user runs it: exit statuses, conversions between
// regional settings, the export, and its help against its man page.

#include "database/PropDB.h"
#include "database/SetFile.h"
#include "tests/TestFailure.h"
#include "tests/TestRecords.h"
#include "tests/TestSetFile.h"
#include "testview/TestFilter.h"
#include "tool/Options.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>

namespace {

const QString Example = QStringLiteral(BRIMSETT_EXAMPLES_DIR "/example.vsxml");

struct TRun {
  int Exit = -1;
  QByteArray Out, Err;
};

// Each argument goes through printf %b, so that a test can pass bytes that are
// not UTF-8 ("\\0377"). In is the tool's standard input, closed after it.
// Shell runs the tool as "$@", with the limits and redirections it sets, and
// in English unless it says otherwise.
TRun Tool(const QStringList& Args, const QByteArray& In = {}, const char* Shell = nullptr) {
  QProcess P;
  if (Shell) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("LC_ALL", "C.UTF-8");
    P.setProcessEnvironment(Env);
  }
  P.start(QStringLiteral("/bin/sh"),
          QStringList{"-c",
                      "for A; do set -- \"$@\" \"$(printf %b \"$A\")\"; shift; done; " +
                          QString::fromUtf8(Shell ? Shell : "exec \"$@\""),
                      "sh", QStringLiteral(BRIMSETT_TOOL_PATH)} +
              Args);
  P.write(In);
  P.closeWriteChannel();
  EXPECT_TRUE(P.waitForFinished(60000));
  return {P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1, P.readAllStandardOutput(),
          P.readAllStandardError()};
}

QByteArray Read(const QString& FileName) {
  QFile File(FileName);
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(unreadable)");
}

void Write(const QString& FileName, const QByteArray& Bytes) {
  QFile File(FileName);
  EXPECT_TRUE(File.open(QIODevice::WriteOnly) && File.write(Bytes) == Bytes.size());
}

TEST(Tool, ExitStatusesAndUntouchedOutput) {
  QTemporaryDir Dir;
  const QString Bad = Dir.filePath("bad.vsxml"), Cut = Dir.filePath("cut.vsxml"),
                Out = Dir.filePath("out");
  Write(Bad, "<?xml version=\"1.0\"?>\r\n<propdb>\r\n  <type name=\"A\">\r\n</propdb>\r\n");
  // Text between the sets: set B must never be dropped quietly. A comment
  // there is skipped with a warning, as text inside a set is.
  Write(Cut,
        "<propdb><type GUID=\"{6513270E-269E-4D37-B2A7-4DE452E6B438}\" name=\"A\"/><![CDATA[x]]>"
        "<type GUID=\"{6513270E-269E-4D37-B2A7-4DE452E6B439}\" name=\"B\"/></propdb>");
  const QString Commented = Dir.filePath("commented.vsxml");
  Write(Commented, Read(Cut)
                       .replace("<![CDATA[x]]>", "<!-- c -->")
                       .replace("name=\"A\"/>", "name=\"A\">t</type>"));
  const QString Ru = QStringLiteral("ru_RU.UTF-8"), Us = QStringLiteral("en_US.UTF-8");
  // Targets that are not regular files stay what they are; a name of 255 bytes
  // can be replaced as often as it is saved.
  const QString Fifo = Dir.filePath("fifo"), Loop = Dir.filePath("loop"),
                Long = Dir.filePath(QString(249, u'n') + ".vsxml"), Link = Dir.filePath("link");
  ASSERT_EQ(mkfifo(QFile::encodeName(Fifo), 0600), 0);
  ASSERT_TRUE(QFile::link(Loop, Loop) && QFile::link(Long, Link));
  // A name with the byte FF, and the name it used to be read as.
  const QString Octet = Dir.filePath("\\0377.vsxml"), Mangled = Dir.filePath("\uFFFD.vsxml");
  Write(Mangled, "old");
  // A name that windows-1251 cannot hold: written as "?", and said so.
  const QString Chinese = Dir.filePath("cn.vsxml");
  Write(Chinese, Read(Example).replace("Чайник", "中文茶壶"));
  // A stream is quoted at its failing line, long after the lines before it
  // were let go; a failure found at once and one found at the end.
  const QByteArray Lines(200000, '\n');
  const QByteArray Mismatch = "<propdb>" + Lines + "<a></b>\n</propdb>",
                   Comment = "<propdb>" + Lines + "<![CDATA[c]]>" + Lines + "</propdb>";
  // An export onto its own input, by name or through a link; control bytes
  // from a file; what a load skips.
  const QString Self = Dir.filePath("self.vsxml"), SelfLink = Dir.filePath("self-link"),
                Ctl = Dir.filePath("ctl.vsxml"), Odd = Dir.filePath("odd.vsxml");
  Write(Self, Read(Example));
  ASSERT_TRUE(QFile::link(Self, SelfLink));
  Write(Ctl, "<propdb>\x1B]0;title\x07\x1B[2J</propdb>");
  Write(Odd, "<propdb><type GUID=\"{6513270E-269E-4D37-B2A7-4DE452E6B438}\" name=\"A\"><x/>"
             "</type></propdb>");
  const QByteArray SelfInShell = "exec \"$@\" <" + QFile::encodeName(Self),
                   SelfAppendShell = "exec \"$@\" >>" + QFile::encodeName(Self),
                   SelfOpenShell = "exec \"$@\" 1<>" + QFile::encodeName(Self);
  const char *const SelfIn = SelfInShell.constData(),
                    *const SelfAppend = SelfAppendShell.constData(),
                    *const SelfOpen = SelfOpenShell.constData();
  const QString Forged = Dir.filePath("a\\n-: sets: 1\\033[2J");
  // A writer that keeps the pipe open after a malformed start: the answer
  // comes before it closes, or the time-out ends the tool.
  const QByteArray SlowShell =
      "F=" + QFile::encodeName(Dir.filePath("slow")) +
      "; mkfifo $F; (printf '<propdb><a></b>\\n'; sleep 30) >$F 2>/dev/null"
      " & W=$!; timeout 20 \"$@\" <$F; R=$?; kill $W; exit $R";
  const char* const Slow = SlowShell.constData();
  const char* const EndlessTag =
      "(printf '<propdb><type name=\"'; head -c 40000000 /dev/zero | tr '\\0' n) | exec \"$@\"";
  const QString Named = Dir.filePath("Пример.vsxml");
  Write(Named, Read(Example));
  // Messages in the terminal's character set; the file name keeps its bytes.
  const QByteArray InCp1251 = QFile::encodeName(Named) + ": \xED\xE0\xE1\xEE\xF0\xEE\xE2: 7";
  const char *const Full = "exec \"$@\" >/dev/full", *const NoOut = "exec \"$@\" >&-",
                    *const NoIn = "exec \"$@\" <&-",
                    *const Cp1251 = "LC_ALL=ru_RU.CP1251 exec \"$@\"";
  // 512 bytes of file; three descriptors and Qt's own.
  const char *const Small = "ulimit -f 1; exec \"$@\"",
                    *const SmallOut = "ulimit -f 1; F=$(mktemp); \"$@\" >$F; R=$?; rm $F; exit $R",
                    *const FewFds = "exec 3>&-; ulimit -n 4; exec \"$@\"";
  // The sanitizers' runtime takes no address limit, and needs descriptors of
  // its own: those rows run in the plain build.
#ifdef __SANITIZE_ADDRESS__
  const bool Sanitized = true;
  const char* const Zeros = "head -c 300000000 /dev/zero | exec \"$@\"";
#else
  const bool Sanitized = false;
  const char* const Zeros = "ulimit -v 400000; head -c 300000000 /dev/zero | exec \"$@\"";
#endif
  const struct {
    QStringList Args;
    int Exit;
    bool Warns = false;
    QByteArray In = {};
    const char* Shell = nullptr; // its rows are checked by what they say
    QByteArray Says = {};
  } Cases[] = {
      {{"check", "--locale", Ru, Example}, 0},
      {{"check", "--locale", Ru, Bad}, 1},
      {{"check", "--locale", Ru, Cut}, 1},
      {{"check", "--locale", "xx_XX.UTF-8", Example}, 2},
      {{"check", "--locale"}, 2},
      {{"convert", "--from", Ru, "--to", Us, Bad, Out}, 1},
      {{"convert", "--from", Ru, "--to", Us, Cut, Out}, 1},
      {{"convert", "--from", Ru, Example, Out}, 2},
      {{"export", "--language", "Russian", "--all-languages", Example, Out}, 2},
      {{"export", "--level", "3", Example, Out}, 2},
      {{"frobnicate", Example}, 2},
      {{"convert", "--from", Ru, "--to", Us, Example, Fifo}, 1},
      {{"export", "--locale", Ru, Example, Loop}, 1},
      {{"convert", "--from", Ru, "--to", Ru, Example, Long}, 0},
      {{"convert", "--from", Ru, "--to", Ru, Example, Long}, 0},
      {{"export", "--locale", Ru, Example, Link}, 0},
      {{"check", "--locale", Ru, Octet}, 2},
      {{"convert", "--from", Ru, "--to", Ru, Example, Octet}, 2},
      {{"export", "--locale", "ru_RU.CP1251", Chinese, Dir.filePath("cn.txt")}, 0, true},
      // "-": standard input and output; a failed load writes no byte there.
      {{"check", "--locale", Ru, "-"}, 0, false, Read(Example)},
      {{"check", "--locale", Ru, "-"}, 1, false, Read(Cut)},
      {{"convert", "--from", Ru, "--to", Us, "-", Out}, 1, false, Read(Bad)},
      {{"convert", "--from", Ru, "--to", Us, Cut, "-"}, 1},
      {{"export", "--locale", Ru, "-", "-"}, 1, false, Read(Bad)},
      {{"check", "--locale", Ru, "-"}, 1, false, Mismatch, nullptr, "Line: 200001 | <a></b>"},
      {{"check", "--locale", Ru, "-"}, 1, false, Comment, nullptr, "Line: 200001 | <![CDATA[c]]>"},
      {{"check", "-"}, 1, false, {}, Zeros, "UTF-16"},
      // A result that does not arrive, or a stream closed at start, fails.
      {{"check", "--locale", Ru, Example}, 1, false, {}, Full, "No space"},
      {{"--help"}, 1, false, {}, Full, "No space"},
      {{"check", "--locale", Ru, Example}, 1, false, {}, NoOut, "Bad file"},
      {{"export", "--locale", Ru, Example, "-"}, 1, false, {}, NoOut, "Bad file"},
      {{"check", "--locale", Ru, "-"}, 1, false, {}, NoIn, "Bad file"},
      // A write cut short by the file-size limit names it.
      {{"export", "--locale", Ru, Example, Out}, 1, false, {}, Small, "too large"},
      {{"export", "--locale", Ru, Example, "-"}, 1, false, {}, SmallOut, "too large"},
      // No descriptor left to load the character set: no export in ASCII.
      {{"export", "--locale", "ru_RU.CP1251", "-", "-"}, 1, false, Read(Example), FewFds, "many"},
      {{"check", "--locale", Ru, Named}, 0, false, {}, Cp1251, InCp1251},
      {{"export", "--locale", Ru, Self, Self}, 1, false, {}, nullptr, "overwrite"},
      {{"export", "--locale", Ru, Self, SelfLink}, 1, false, {}, nullptr, "overwrite"},
      {{"check", "--locale", Ru, Ctl}, 1, false, {}, nullptr, "\\x1B]0;title\\x07\\x1B[2J"},
      {{"check", "--locale", Ru, Odd}, 0, false, {}, nullptr, "warning: 1 elements"},
      {{"check", "--locale", Ru, Commented}, 0, false, {}, nullptr, "warning: 2 elements"},
      // An export onto its input through a redirected stream.
      {{"export", "--locale", Ru, "-", Self}, 1, false, {}, SelfIn, "overwrite"},
      {{"export", "--locale", Ru, Self, "-"}, 1, false, {}, SelfAppend, "overwrite"},
      {{"export", "--locale", Ru, Self, "-"}, 1, false, {}, SelfOpen, "overwrite"},
      {{"convert", "--from", Ru, "--to", Ru, Self, "-"}, 1, false, {}, SelfAppend, "overwrite"},
      {{"check", "--locale", Ru, "-"}, 1, false, {}, Slow, "Line: 1 | <propdb><a></b>"},
      // A tag from a pipe has a bound, as one from a file has its size.
      {{"check", "-"}, 1, false, {}, EndlessTag, "16 MB"},
      // A name that would forge a line or act on the terminal.
      {{"check", "--locale", Ru, Forged}, 1, false, {}, nullptr, "\\x0A-: sets: 1\\x1B[2J"},
      {{"check", "a\\033\\0377"}, 2, false, {}, nullptr, "a\\x1B"},
  };
  for (const auto& C : Cases) {
    if (Sanitized && C.Shell == FewFds)
      continue;
    Write(Out, "old");
    const TRun R = Tool(C.Args, C.In, C.Shell);
    const bool Check = C.Args.front() == u"check";
    SCOPED_TRACE(C.Args.join(u' ').toStdString() + "\n" + R.Err.toStdString());
    EXPECT_EQ(R.Exit, C.Exit);
    EXPECT_EQ(Read(Out), "old");
    EXPECT_FALSE(R.Out.contains('\r') || R.Err.contains('\r'));
    EXPECT_FALSE((R.Out + R.Err).contains('\x1B'));
    if (!C.Says.isEmpty()) {
      EXPECT_TRUE((R.Out + R.Err).contains(C.Says)) << R.Out.toStdString();
      continue;
    }
    // One line a file, and no CR LF of the reader's messages on the terminal.
    EXPECT_EQ(R.Out.count('\n'), Check && C.Exit != 2 ? 1 : 0);
    EXPECT_EQ(R.Err.isEmpty(), !C.Warns && (C.Exit == 0 || (C.Exit == 1 && Check)));
  }
  struct stat Info {};
  EXPECT_TRUE(stat(QFile::encodeName(Fifo), &Info) == 0 && S_ISFIFO(Info.st_mode));
  EXPECT_EQ(QFileInfo(Loop).symLinkTarget(), Loop);
  EXPECT_TRUE(QFileInfo(Link).isSymLink());
  EXPECT_EQ(Read(Mangled), "old");
  EXPECT_EQ(Read(Self), Read(Example));
}

// Back under ru_RU gives the bytes of a save there; on to en_GB keeps the days,
// though 04/07/2010 is 7 April under en_US and 4 July under en_GB.
TEST(Tool, ConvertRoundTripAndUsToGb) {
  QTemporaryDir Dir;
  const QString Us = Dir.filePath("us"), Back = Dir.filePath("back"), Gb = Dir.filePath("gb");
  const auto Convert = [](const char* From, const char* To, const QString& In, const QString& Out) {
    return Tool({"convert", "--from", From, "--to", To, In, Out}).Exit;
  };
  ASSERT_EQ(Convert("ru_RU.UTF-8", "en_US.UTF-8", Example, Us), 0);
  ASSERT_EQ(Convert("en_US.UTF-8", "ru_RU.UTF-8", Us, Back), 0);
  ASSERT_EQ(Convert("en_US.UTF-8", "en_GB.UTF-8", Us, Gb), 0);
  // The same through standard input and output.
  const TRun Piped =
      Tool({"convert", "--from", "en_US.UTF-8", "--to", "ru_RU.UTF-8", "-", "-"}, Read(Us));
  EXPECT_EQ(Piped.Exit, 0);
  EXPECT_EQ(Piped.Out, Read(Back));
  const TRegional Ru = TRegional::FromLocale("ru_RU.UTF-8");
  TPropDB DB, InGb;
  Ok(LoadFromXML(DB, Example, Ru));
  EXPECT_NE(Read(Us), Ok(SaveToXMLBytes(DB, Ru)));
  EXPECT_EQ(Read(Back), Ok(SaveToXMLBytes(DB, Ru)));
  Ok(LoadSetFile(Gb, InGb, TRegional::FromLocale("en_GB.UTF-8")));
  ASSERT_EQ(InGb.PropCount(), DB.PropCount());
  for (int I = 0; I < DB.PropCount(); ++I)
    EXPECT_EQ(InGb.Props(I)->Date, DB.Props(I)->Date) << DB.Props(I)->Name.ToString().toStdString();
}

// The ticked rows of each Russian set for Russia at level 1, in the view's order.
TEST(Tool, ExportWritesWhatTheViewWritesForEachSet) {
  for (const char* Name : {"ru_RU.UTF-8", "ru_RU.CP1251"}) {
    QTemporaryDir Dir;
    const QString Out = Dir.filePath("out.txt");
    const QStringList Args = {"--language", "Russian", "--country", "Russia", "--level", "1"};
    ASSERT_EQ(Tool(QStringList{"export", "--locale", Name} + Args + QStringList{Example, Out}).Exit,
              0);
    const TRegional Settings = TRegional::FromLocale(Name);
    TPropDB DB;
    Ok(LoadSetFile(Example, DB, Settings));
    TPropList Rows;
    for (const char* Item : {"Микроволновая печь", "Холодильник", "Чайник", "Домкрат",
                             "Зимние шины", "Набор ключей", "Газонокосилка", "Лопата"})
      for (int I = 0; I < DB.PropCount(); ++I)
        if (DB.Props(I)->Name == QString::fromUtf8(Item))
          Rows.push_back(DB.Props(I));
    ASSERT_EQ(Rows.size(), 8u);
    EXPECT_EQ(Read(Out), *ExportBytes(Rows, Settings)) << Name;
    EXPECT_EQ(Tool(QStringList{"export", "--locale", Name} + Args + QStringList{Example, "-"}).Out,
              *ExportBytes(Rows, Settings))
        << Name;
  }
}

// A full standard output is a failed write, not a success.
// Under any memory limit a valid document from a pipe converts whole or fails
// as out of memory: a read that could not be kept is never skipped.
TEST(Tool, APipeUnderAMemoryLimitConvertsWholeOrNotAtAll) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizers' runtime takes no address limit";
#endif
  QTemporaryDir Dir;
  const QString Big = Dir.filePath("big.vsxml"), Out = Dir.filePath("out.vsxml");
  TPropDB DB;
  for (int Set = 0; Set < 140; ++Set) {
    const PTypeRecord Type = AddTestSet(DB, QStringLiteral("Набор %1").arg(Set));
    for (int Item = 0; Item < 1000; ++Item)
      AddTestItem(DB, Type, QStringLiteral("Вещь %1").arg(Item), {1, true, 12.5});
  }
  ASSERT_TRUE(SaveToXML(DB, Big, TRegional::FromLocale("ru_RU.UTF-8")));
  const QString Ru = QStringLiteral("ru_RU.UTF-8");
  for (int Limit = 100000; Limit <= 200000; Limit += 20000) {
    SCOPED_TRACE(Limit);
    QFile::remove(Out);
    const QByteArray Shell = "ulimit -v " + QByteArray::number(Limit) + "; cat " +
                             QFile::encodeName(Big) + " | exec \"$@\"";
    const TRun R = Tool({"convert", "--from", Ru, "--to", Ru, "-", Out}, {}, Shell.constData());
    if (R.Exit == 0)
      EXPECT_TRUE(Tool({"check", "--locale", Ru, Out}).Out.contains("items: 140000"));
    else
      EXPECT_TRUE(R.Err.contains("memory") && !QFile::exists(Out)) << R.Err.toStdString();
  }
}

TEST(Tool, FullStandardOutputFails) {
  QProcess P;
  P.setStandardOutputFile(QStringLiteral("/dev/full"));
  P.start(QStringLiteral(BRIMSETT_TOOL_PATH),
          {"convert", "--from", "ru_RU.UTF-8", "--to", "en_US.UTF-8", Example, "-"});
  ASSERT_TRUE(P.waitForFinished(60000));
  EXPECT_EQ(P.exitCode(), 1);
  EXPECT_FALSE(P.readAllStandardError().isEmpty());
}

// The man page is written by hand; the help and the completion are made from
// the table of options.
TEST(Tool, HelpAndManPageNameTheTablesOptions) {
  const TRun Help = Tool({"--help"});
  ASSERT_EQ(Help.Exit, 0);
  const QString Man =
      QString::fromUtf8(Read(BRIMSETT_TOOL_MAN)).replace(QStringLiteral("\\-"), "-");
  const auto Options = [](const QString& Text) {
    std::set<QString> Found; // -h, --help, --locale ...
    for (const auto& M : QRegularExpression("(?<![\\w-])--?[a-z][a-z-]*").globalMatch(Text))
      Found.insert(M.captured());
    return Found;
  };
  std::set<QString> Table;
  for (const TOptionRow& Row : OptionRows()) {
    Table.insert(Dashed(QLatin1String(Row.Name)));
    if (Row.Short)
      Table.insert(Dashed(QLatin1String(Row.Short)));
  }
  EXPECT_EQ(Options(Man), Table);
  EXPECT_EQ(Options(QString::fromUtf8(Help.Out)), Table);
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
