// The test view's plain logic: which sets and items it lists, in which order,
// and the bytes its export writes.

#include "tests/TestFailure.h"
#include "tests/TestRecords.h"
#include "tests/TestSettings.h"
#include "testview/TestFilter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/resource.h>

namespace {

PPropRecord AddItem(TPropDB& DB, PTypeRecord Type, const QString& Name, int Detail = 0,
                    double Cost = 0, const QString& Curr = QStringLiteral("RUR")) {
  return AddTestItem(DB, Type, Name, {.Detail = Detail, .Cost = Cost, .Curr = Curr});
}

QStringList Names(const TTypeList& Types) {
  QStringList Result;
  for (const PTypeRecord Type : Types)
    Result.append(Type->Name);
  return Result;
}

QStringList Names(const TPropList& Props) {
  QStringList Result;
  for (const PPropRecord Prop : Props)
    Result.append(Prop->Name);
  return Result;
}

class TestViewFilter : public ::testing::Test {
protected:
  void SetUp() override {
    AddTestSet(DB, "A", "Russian", "Russia");
    AddTestSet(DB, "lower", "russian", "Russia");
    AddTestSet(DB, "blank", "Russian ", "Russia");
    AddTestSet(DB, "nolang", "", "Russia");
    AddTestSet(DB, "en", "English", "Russia");
    AddTestSet(DB, "ua", "Russian", "Ukraine");
    AddTestSet(DB, "A2", "Russian", "Russia");
    AddTestSet(DB, "ru", "Русский", "Россия");
    AddTestSet(DB, "decomposed", "Cafe\u0301", "Russia");
  }
  TPropDB DB;
};

} // namespace

TEST_F(TestViewFilter, SetsPassByExactTexts) {
  struct TCase {
    bool AllLang;
    QString Lang;
    bool AllCountries;
    QString Country;
    QStringList Expected;
  };
  const TCase Cases[] = {
      {false, "Russian", false, "Russia", {"A", "A2"}},
      {false, "russian", false, "Russia", {"lower"}},
      {false, "Russian ", false, "Russia", {"blank"}},
      {false, "", false, "Russia", {"nolang"}},
      {false, "Russia", false, "Russia", {}},
      {false, "Russian", false, "russia", {}},
      {false, "Русский", false, "Россия", {"ru"}},
      {false, "русский", false, "Россия", {}},
      // Precomposed and decomposed accents are different code units.
      {false, "Caf\u00e9", false, "Russia", {}},
      {false, "Cafe\u0301", false, "Russia", {"decomposed"}},
      // An "all" flag ignores its text, whatever it holds.
      {true,
       "nonsense",
       false,
       "Russia",
       {"A", "lower", "blank", "nolang", "en", "A2", "decomposed"}},
      {false, "Russian", true, "nonsense", {"A", "ua", "A2"}},
      {true, "", true, "", {"A", "lower", "blank", "nolang", "en", "ua", "A2", "ru", "decomposed"}},
  };
  for (const TCase& C : Cases) {
    const TSetFilter Filter{C.AllLang, C.Lang, C.AllCountries, C.Country};
    EXPECT_EQ(Names(FilterTypes(DB, Filter)), C.Expected)
        << C.AllLang << " '" << C.Lang.toStdString() << "' " << C.AllCountries << " '"
        << C.Country.toStdString() << "'";
  }
}

TEST_F(TestViewFilter, TypingLetterByLetterMatchesOnlyTheWholeText) {
  const QString Full = QStringLiteral("Russian");
  for (qsizetype Len = 0; Len < Full.size(); ++Len) {
    const TSetFilter Filter{false, Full.left(Len), false, "Russia"};
    const QStringList Expected = Len == 0 ? QStringList{"nolang"} : QStringList{};
    EXPECT_EQ(Names(FilterTypes(DB, Filter)), Expected) << Len;
  }
  EXPECT_EQ(Names(FilterTypes(DB, {false, Full, false, "Russia"})), (QStringList{"A", "A2"}));
}

TEST(TestViewItems, LevelsListNegativeDetailsAlwaysAndThreeOrMoreNever) {
  TPropDB DB;
  const PTypeRecord Set = AddTestSet(DB, "S", "Russian", "Russia");
  const int Details[] = {INT_MIN, -1, 0, 1, 2, 3, 4, INT_MAX};
  for (const int Detail : Details)
    AddItem(DB, Set, QString::number(Detail), Detail);
  const QStringList Expected[] = {
      {QString::number(INT_MIN), "-1", "0"},
      {QString::number(INT_MIN), "-1", "0", "1"},
      {QString::number(INT_MIN), "-1", "0", "1", "2"},
  };
  const TPropsBySet Groups(DB);
  for (int Level = 0; Level <= 2; ++Level) {
    EXPECT_EQ(Names(FilterItems(DB, Set, Level)), Expected[Level]) << Level;
    EXPECT_EQ(Names(FilterItems(Groups, Set, Level)), Expected[Level]) << Level;
  }
}

TEST(TestViewItems, ItemsBelongBySetIdentityInDatabaseOrder) {
  TPropDB DB;
  // Two sets alike in every field, even the GUID: only the pointer tells them apart.
  const PTypeRecord First = AddTestSet(DB, "Same", "Russian", "Russia");
  const PTypeRecord Second = AddTestSet(DB, "Same", "Russian", "Russia");
  AddItem(DB, First, "f1");
  AddItem(DB, Second, "s1");
  AddItem(DB, First, "f2");
  AddItem(DB, Second, "s2");
  TPropDB Other;
  const PTypeRecord Outside = AddTestSet(Other, "Same", "Russian", "Russia");
  AddItem(DB, Outside, "o1"); // its set is not in the list
  const TPropsBySet Groups(DB);
  EXPECT_EQ(Names(FilterItems(DB, First, 2)), (QStringList{"f1", "f2"}));
  EXPECT_EQ(Names(FilterItems(DB, Second, 2)), (QStringList{"s1", "s2"}));
  EXPECT_EQ(Names(FilterItems(Groups, First, 2)), (QStringList{"f1", "f2"}));
  EXPECT_EQ(Names(FilterItems(Groups, Second, 2)), (QStringList{"s1", "s2"}));
  EXPECT_TRUE(FilterItems(DB, nullptr, 2).empty());
  EXPECT_TRUE(FilterItems(Groups, nullptr, 2).empty());
  EXPECT_TRUE(FilterItems(Groups, Outside, 2).empty());
}

TEST(TestViewOrder, RowsSortByCollationCaseSensitiveAndStable) {
  struct TCase {
    const char* Locale;
    QStringList DatabaseOrder;
    QStringList Expected;
  };
  const TCase Cases[] = {
      // The locale's order puts the small letter before the capital and both
      // before a later word; code units would put "Банк" first and "банк" last.
      {"ru_RU", {"бант", "Банк", "банк"}, {"банк", "Банк", "бант"}},
      {"ru_RU", {"Ящик", "ёлка", "Арбуз", "елка"}, {"Арбуз", "елка", "ёлка", "Ящик"}},
      {"en_US", {"b", "B", "a", "A"}, {"a", "A", "b", "B"}},
      // The C locale orders by code units.
      {"C", {"b", "a", "B", "A"}, {"A", "B", "a", "b"}},
  };
  for (const TCase& C : Cases) {
    TPropDB DB;
    const PTypeRecord Set = AddTestSet(DB, "S", "", "");
    TPropList Rows;
    for (const QString& Name : C.DatabaseOrder)
      Rows.push_back(AddItem(DB, Set, Name));
    SortByName(Rows, RowCollator(QLocale(QString::fromLatin1(C.Locale))));
    EXPECT_EQ(Names(Rows), C.Expected) << C.Locale;
  }
}

TEST(TestViewOrder, EqualNamesKeepDatabaseOrder) {
  TPropDB DB;
  const PTypeRecord Set = AddTestSet(DB, "S", "", "");
  TPropList Rows;
  // Enough rows that a sort which is not stable would shuffle the equal ones.
  for (int I = 0; I < 300; ++I)
    Rows.push_back(AddItem(DB, Set, I % 3 == 0 ? QStringLiteral("Лампа") : QString::number(I % 7)));
  TPropList Lamps;
  for (const PPropRecord Row : Rows)
    if (Row->Name == u"Лампа")
      Lamps.push_back(Row);
  SortByName(Rows, RowCollator(QLocale("ru_RU")));
  TPropList SortedLamps;
  for (const PPropRecord Row : Rows)
    if (Row->Name == u"Лампа")
      SortedLamps.push_back(Row);
  EXPECT_EQ(SortedLamps, Lamps);
  EXPECT_EQ(Rows.back()->Name, u"Лампа");
}

TEST(TestViewOrder, CollationLocaleComesFromTheEnvironment) {
  const char* Vars[] = {"LC_ALL", "LC_COLLATE", "LANG"};
  QByteArray Saved[3];
  bool Had[3];
  for (int I = 0; I < 3; ++I) {
    Had[I] = qEnvironmentVariableIsSet(Vars[I]);
    Saved[I] = qgetenv(Vars[I]);
  }
  struct TCase {
    const char* All;
    const char* Collate;
    const char* Lang;
    const char* Expected;
  };
  const TCase Cases[] = {
      {"ru_RU.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "ru_RU"},
      {"", "de_DE.ISO-8859-15@euro", "en_US.UTF-8", "de_DE"},
      {"", "", "C.UTF-8", "C"},
      {"", "", "", "C"},
  };
  for (const TCase& C : Cases) {
    const char* Values[] = {C.All, C.Collate, C.Lang};
    for (int I = 0; I < 3; ++I)
      qputenv(Vars[I], Values[I]);
    EXPECT_EQ(CollationLocale().name(), QString::fromLatin1(C.Expected))
        << C.All << C.Collate << C.Lang;
  }
  for (int I = 0; I < 3; ++I)
    if (Had[I])
      qputenv(Vars[I], Saved[I]);
    else
      qunsetenv(Vars[I]);
}

TEST(TestViewExport, LinesUnderCommaAndFullStop) {
  TPropDB DB;
  const PTypeRecord Set = AddTestSet(DB, "S", "", "");
  struct TCase {
    double Cost;
    QString Curr;
    QString Comma; // after the short date
    QString Stop;
  };
  const TCase Cases[] = {
      {1234.5, "RUR", "\t1234,50\tRUR\r\n", "\t1234.50\tRUR\r\n"},
      {1234.5, "", "\t1234,50\t\r\n", "\t1234.50\t\r\n"},
      {2.675, "USD", "\t2,67\tUSD\r\n", "\t2.67\tUSD\r\n"},
      {0.125, "USD", "\t0,13\tUSD\r\n", "\t0.13\tUSD\r\n"},
      {-0.125, "USD", "\t-0,13\tUSD\r\n", "\t-0.13\tUSD\r\n"},
      {-0.001, "EUR", "\t0,00\tEUR\r\n", "\t0.00\tEUR\r\n"},
      {0, "EUR", "\t0,00\tEUR\r\n", "\t0.00\tEUR\r\n"},
      {1e18, "EUR", "\t1E18\tEUR\r\n", "\t1E18\tEUR\r\n"},
  };
  for (const TCase& C : Cases) {
    const PPropRecord Item = AddItem(DB, Set, "Стол", 0, C.Cost, C.Curr);
    // A time of day in the date leaves no trace in the line.
    Item->Date = *EncodeDate(2024, 3, 5) + 0.75;
    EXPECT_EQ(ExportLine(*Item, CommaRegional("CP1251")), "Стол\t05.03.2024" + C.Comma) << C.Cost;
    EXPECT_EQ(ExportLine(*Item, StopRegional()), "Стол\t3/5/2024" + C.Stop) << C.Cost;
  }
}

// The bytes keep "?" for what the character set lacks; the count and the
// first such name say so.
TEST(TestViewExport, CountsCharactersTheCharacterSetCannotHold) {
  TPropDB DB;
  const PTypeRecord Set = AddTestSet(DB, "S", "", "");
  const TPropList Rows = {AddItem(DB, Set, "Стол", 0, 1, "RUR"),
                          AddItem(DB, Set, "中文茶壶", 0, 1, "RUR"),
                          AddItem(DB, Set, "Ab", 0, 1, "\u0100")};
  // Long enough to be converted in several runs, the loss only in a late one.
  TPropList Long(6000, Rows[0]);
  Long.insert(Long.end(), {Rows[2], Rows[0], Rows[1]});
  const struct {
    QByteArray Charset;
    TPropList Rows;
    qsizetype Lost;
    const char* First;
  } Cases[] = {
      {"CP1251", Rows, 5, "中文茶壶"}, {"CP1251", {Rows[2], Rows[1]}, 5, "Ab"},
      {"CP1251", {Rows[0]}, 0, ""},    {"UTF-8", Rows, 0, ""},
      {"CP1251", Long, 5, "Ab"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Charset.toStdString() + " " + std::to_string(C.Rows.size()));
    TWarnings Lost;
    QString Whole;
    for (const PPropRecord Row : C.Rows)
      Whole +=
          Row->Name + QStringLiteral("\t05.03.2024\t1,00\t") + Row->Curr + QStringLiteral("\r\n");
    EXPECT_EQ(Ok(ExportBytes(C.Rows, CommaRegional(C.Charset), &Lost)),
              ToAnsi(Whole, CommaRegional(C.Charset)));
    std::vector<TWarning> Expected;
    if (C.Lost > 0)
      Expected.push_back({TWarningKind::CharactersLost, C.Lost, QString::fromUtf8(C.First), 0,
                          QString::fromLatin1(C.Charset)});
    EXPECT_EQ(Lost.All(), Expected);
  }
}

class TestViewWrite : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    const PTypeRecord Set = AddTestSet(DB, "S", "", "");
    Rows.push_back(AddItem(DB, Set, "Стол", 0, 1234.5, "RUR"));
  }
  QByteArray Read(const QString& Path) {
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
  }
  void Put(const QString& Path, const QByteArray& Bytes) {
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
  }
  QTemporaryDir Dir;
  TPropDB DB;
  TPropList Rows;
};

TEST_F(TestViewWrite, ReplacesAnExistingFileAndWritesNothingForNoRows) {
  const QString Path = Dir.filePath("out.txt");
  Put(Path, QByteArray(4096, 'x'));
  ASSERT_TRUE(SaveExport(Path, Rows, CommaRegional("CP1251")));
  EXPECT_EQ(Read(Path), QByteArray("\xD1\xF2\xEE\xEB\t05.03.2024\t1234,50\tRUR\r\n"));
  ASSERT_TRUE(SaveExport(Path, {}, CommaRegional("CP1251")));
  EXPECT_EQ(Read(Path), QByteArray());
  EXPECT_TRUE(QFile::exists(Path));
}

TEST_F(TestViewWrite, FailureLeavesNoFileAndKeepsTheOldOne) {
  const QString Missing = Dir.filePath("no/such/folder/out.txt");
  EXPECT_FALSE(SaveExport(Missing, Rows, CommaRegional("CP1251")));
  EXPECT_FALSE(QFile::exists(Missing));
  ExpectFailure([&] { return SaveExport(Dir.path(), Rows, CommaRegional("CP1251")); },
                QStringLiteral("Not a regular file"));
  ExpectFailure([&] { return SaveExport(QString(), Rows, CommaRegional("CP1251")); },
                QStringLiteral("No file name given."));

  // A file size limit makes the writing itself fail, even for root: the old
  // content must survive and no temporary file may stay behind.
  const QString Path = Dir.filePath("old.txt");
  Put(Path, "old content");
  TPropList Many;
  for (int I = 0; I < 200; ++I)
    Many.push_back(Rows.front());
  rlimit Saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit Small = Saved;
  Small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
  const TResult<TWarnings> Written = SaveExport(Path, Many, CommaRegional("CP1251"));
  setrlimit(RLIMIT_FSIZE, &Saved);
  std::signal(SIGXFSZ, OldHandler);
  ASSERT_FALSE(Written);
  // The write is cut short first; its reason is the one of the write after.
  EXPECT_EQ(FailureText(Written.Failure()), qt_error_string(EFBIG));
  // A conversion that does not open writes nothing, rather than ASCII.
  const TResult<TWarnings> Unknown = SaveExport(Path, Rows, CommaRegional("NO-SUCH-CHARSET"));
  ASSERT_FALSE(Unknown);
  EXPECT_TRUE(FailureText(Unknown.Failure()).contains("NO-SUCH-CHARSET"));
  EXPECT_EQ(Read(Path), QByteArray("old content"));
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"old.txt"});
}
