// File commands, start-up with a command-line file, the reference lists,
// About and Exit.

#include "test_main_fixture.h"

#include "regional/RefList.h"
#include "tests/TestFailure.h"
#include "tests/TestSetFile.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <functional>

namespace {

class MainFileTest : public TMainFixture {
protected:
  void SetUp() override {
    TMainFixture::SetUp();
    ASSERT_TRUE(Dir.isValid());
    FSavedCwd = QDir::currentPath();
  }
  void TearDown() override {
    QDir::setCurrent(FSavedCwd);
    TMainFixture::TearDown();
  }

  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  static void Write(const QString& FileName, const QByteArray& Bytes) {
    QFile File(FileName);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
  }

  // A set file of two sets written by the database itself.
  QString WriteSetFile(const QString& Name) {
    TPropDB Other;
    for (const char* SetName : {"Первый", "Second"}) {
      PTypeRecord Set = Other.AddType();
      NewGUID(Set->GUID);
      Set->Name = QString::fromUtf8(SetName);
      PPropRecord Item = Other.AddProp(Set);
      NewGUID(Item->GUID);
      Item->Name = QStringLiteral("Item");
      Item->Date = *EncodeDate(2010, 7, 4);
      Item->Cost = 1.5;
    }
    Ok(SaveToXML(Other, Path(Name), TRegional::Current()));
    return Path(Name);
  }

  // Reading fails at the second set's item; the first set is read by then.
  QString WriteHalfFile(const QString& Name) {
    Write(Path(Name),
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<propdb>\r\n"
          "  <type GUID=\"{0B6E2F41-93A7-4C1D-8E55-71D2A9C3F604}\" name=\"Kitchen\" "
          "language=\"English\" country=\"Russia\">\r\n"
          "    <prop GUID=\"{5C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"Kettle\" detail=\"1\" "
          "default=\"1\" date=\"04.07.2010\" cost=\"12,5\" curr=\"USD\"/>\r\n  </type>\r\n"
          "  <type GUID=\"{9D4F0E62-7B18-4A3C-A6E2-3F51C8B07D29}\" name=\"Garage\" "
          "language=\"Russian\" country=\"Russia\">\r\n"
          "    <prop GUID=\"{6C8A1D70-2E4B-4F96-B1A3-0D7E6F259C18}\" name=\"Jack\" detail=\"0\" "
          "default=\"0\" date=\"05.07.2010\" cost=\"lots\" curr=\"RUR\"/>\r\n  </type>\r\n"
          "  <type GUID=\"{7D4F0E62-7B18-4A3C-A6E2-3F51C8B07D29}\" name=\"Never\" "
          "language=\"Russian\" country=\"Russia\"/>\r\n</propdb>\r\n");
    return Path(Name);
  }

  // The message that the reader gives for FileName.
  static QString LoadError(const QString& FileName) {
    TPropDB Other;
    const TResult<TWarnings> Loaded = LoadFromXML(Other, FileName, TRegional::Current());
    return Loaded ? QStringLiteral("<loaded>") : FailureText(Loaded.Failure());
  }

  QTemporaryDir Dir;

private:
  QString FSavedCwd;
};

TEST_F(MainFileTest, SaveWithoutFileNameAsksAndKeepsTheName) {
  CreateWindow();
  AddSet(QStringLiteral("Один"));
  Stub.FileAnswers = {Path(QStringLiteral("mine"))};
  Trigger("ASave");

  ASSERT_EQ(Stub.FileRequests.size(), 1);
  const TStubFileRequest& Request = Stub.FileRequests.at(0);
  EXPECT_EQ(Request.Proposed, QStringLiteral("varnoke_set.vsxml"));
  EXPECT_EQ(Request.Filter, QStringLiteral("Varnoke sets (*.vsxml)|*.vsxml"));
  EXPECT_EQ(Request.DefaultExt, QStringLiteral("vsxml"));
  EXPECT_TRUE(Request.Save);
  const QString Written = Path(QStringLiteral("mine.vsxml"));
  EXPECT_EQ(Form->FileName(), Written);
  EXPECT_EQ(StatusText(), Written);

  // Now "Сохранить" writes there without asking.
  AddSet(QStringLiteral("Два"));
  Trigger("ASave");
  EXPECT_EQ(Stub.FileRequests.size(), 1);
  EXPECT_TRUE(Stub.Messages.isEmpty());
  TPropDB Back;
  Ok(LoadFromXML(Back, Written, TRegional::Current()));
  ASSERT_EQ(Back.TypeCount(), 2);
  EXPECT_EQ(Back.Types(1)->Name, QStringLiteral("Два"));
}

TEST_F(MainFileTest, FailedSaveAsKeepsPathAndSaveShowsTheErrorText) {
  CreateWindow();
  AddSet(QStringLiteral("Один"));
  const QString Unwritable = Path(QStringLiteral("no/such/dir/x.vsxml"));
  const TDone Saved = SaveToXML(DB, Unwritable, TRegional::Current());
  ASSERT_FALSE(Saved);
  const QString Expected = FailureText(Saved.Failure());

  Stub.FileAnswers = {Unwritable};
  Trigger("ASaveAs");
  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_EQ(Stub.Messages.at(0).Icon, QMessageBox::Warning);
  EXPECT_EQ(Stub.Messages.at(0).Text, QStringLiteral("Ошибка при сохранении файла!"));
  EXPECT_EQ(Form->FileName(), Unwritable);
  EXPECT_EQ(StatusText(), Unwritable);

  Trigger("ASave");
  EXPECT_EQ(Stub.FileRequests.size(), 1);
  ASSERT_EQ(Stub.Messages.size(), 2);
  EXPECT_EQ(Stub.Messages.at(1).Icon, QMessageBox::Critical);
  EXPECT_EQ(Stub.Messages.at(1).Text,
            QStringLiteral("Не удалось сохранить файл «%1».\n").arg(Unwritable) + Expected);
  EXPECT_EQ(Form->FileName(), Unwritable);
}

// A name on disk that is not UTF-8 comes back from the dialog as other text;
// saving under that text would write another file.
TEST_F(MainFileTest, SaveAsRefusesANameThatIsNotUtf8) {
  CreateWindow();
  AddSet(QStringLiteral("Один"));
  const QByteArray Raw = QFile::encodeName(Dir.path()) + "/x\xFF.vsxml";
  FILE* File = std::fopen(Raw.constData(), "w");
  ASSERT_TRUE(File);
  std::fputs("old", File);
  std::fclose(File);
  const QString Shown = QFile::decodeName(Raw);
  Stub.FileAnswers = {Shown};
  Trigger("ASaveAs");
  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_TRUE(Stub.Messages.at(0).Text.contains(QStringLiteral("UTF-8")));
  EXPECT_FALSE(QFile::exists(Shown));
  EXPECT_NE(Form->FileName(), Shown);
  File = std::fopen(Raw.constData(), "r");
  ASSERT_TRUE(File);
  char Back[8] = {};
  EXPECT_EQ(std::fread(Back, 1, sizeof Back, File), 3u);
  std::fclose(File);
}

TEST_F(MainFileTest, OpenListsTheFileAndSelectsNothing) {
  CreateWindow();
  AddSet(QStringLiteral("Old"));
  Form->RefillLists();
  ClickRow(Form->ListTypes(), 0);
  const QString File = WriteSetFile(QStringLiteral("two.vsxml"));
  Stub.FileAnswers = {File};
  Trigger("AOpen");

  EXPECT_EQ(Stub.FileRequests.at(0).Save, false);
  EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second"}));
  EXPECT_EQ(Selected(Form->ListTypes()), -1);
  EXPECT_EQ(Form->ListProps()->model()->rowCount(), 0);
  for (const char* Name : {"AAddProp", "AEditProp", "ARemoveProp", "AEditType", "ARemoveType"})
    EXPECT_FALSE(Act(Name)->isEnabled()) << Name;
  EXPECT_EQ(Form->FileName(), File);
  EXPECT_EQ(StatusText(), File);
  EXPECT_EQ(DB.TypeCount(), 2);
  EXPECT_TRUE(Stub.Messages.isEmpty());
}

// A file that does not load takes nothing of the open document: not its
// records, its lists, their selection, nor its name.
TEST_F(MainFileTest, OpenThatFailsChangesNothing) {
  CreateWindow();
  const QString Good = WriteSetFile(QStringLiteral("good.vsxml"));
  const QString Half = WriteHalfFile(QStringLiteral("half.vsxml"));
  Write(Path(QStringLiteral("png.vsxml")), "\x89PNG\r\n\x1A\n");
  Stub.FileAnswers = {Good};
  Trigger("AOpen");
  AddSet(QStringLiteral("ZZZ"));
  Form->RefillLists();
  ClickRow(Form->ListTypes(), 2);
  for (const QString& Bad : {Half, Path(QStringLiteral("png.vsxml")), Path("missing.vsxml")}) {
    SCOPED_TRACE(Bad.toStdString());
    Stub.Messages.clear();
    Stub.FileAnswers = {Bad};
    Trigger("AOpen");
    ASSERT_EQ(Stub.Messages.size(), 1);
    EXPECT_EQ(Stub.Messages.at(0).Icon, QMessageBox::Critical);
    EXPECT_EQ(Stub.Messages.at(0).Text,
              QStringLiteral("Не удалось открыть файл «%1».\n").arg(Bad) + LoadError(Bad));
    EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second", "ZZZ"}));
    EXPECT_EQ(Selected(Form->ListTypes()), 2);
    EXPECT_EQ(DB.TypeCount(), 3);
    EXPECT_EQ(Form->FileName(), Good);
    EXPECT_EQ(StatusText(), Good);
  }
}

// A file that loads with parts a save would not keep opens, and says so once.
TEST_F(MainFileTest, OpenSaysWhatTheFileDoesNotKeep) {
  CreateWindow();
  const QString Odd = Path(QStringLiteral("odd.vsxml"));
  QFile Two(WriteSetFile(QStringLiteral("two.vsxml")));
  ASSERT_TRUE(Two.open(QIODevice::ReadOnly));
  Write(Odd, Two.readAll().replace("<propdb>", "<propdb version=\"2\">"));
  Stub.FileAnswers = {Odd};
  Trigger("AOpen");
  EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second"}));
  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_EQ(Stub.Messages.at(0).Icon, QMessageBox::Warning);
  EXPECT_TRUE(Stub.Messages.at(0).Text.startsWith(
      "• " + WarningText({TWarningKind::Skipped, 1, "version", 2}) + "\n\n«Сохранить»"));
}

TEST_F(MainFileTest, DropOpensOneSetFileAsOpenDoes) {
  CreateWindow();
  const QString File = WriteSetFile(QStringLiteral("two.vsxml"));
  const QString Half = WriteHalfFile(QStringLiteral("half.vsxml"));
  Write(Path(QStringLiteral("notes.txt")), "Первый");
  QDir().mkdir(Path(QStringLiteral("folder.vsxml")));
  // Whether the drag cursor offered the drop; the drop itself when it did.
  const auto Drop = [this](const QStringList& Files) {
    QMimeData Data;
    QList<QUrl> Urls;
    for (const QString& Name : Files)
      Urls.append(QUrl::fromLocalFile(Name));
    Data.setUrls(Urls);
    const QPointF At = Form->rect().center();
    QDragEnterEvent Enter(At.toPoint(), Qt::CopyAction, &Data, Qt::LeftButton, {});
    QApplication::sendEvent(Form, &Enter);
    if (!Enter.isAccepted())
      return false;
    QDropEvent Dropped(At, Qt::CopyAction, &Data, Qt::LeftButton, {});
    QApplication::sendEvent(Form, &Dropped);
    QApplication::processEvents();
    return true;
  };
  for (const QStringList& Refused :
       {QStringList{File, Half}, QStringList{Path("notes.txt")}, QStringList{Path("folder.vsxml")}})
    EXPECT_FALSE(Drop(Refused)) << Refused.join(u' ').toStdString();
  EXPECT_EQ(StatusText(), QString());

  ASSERT_TRUE(Drop({File}));
  EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second"}));
  EXPECT_EQ(StatusText(), File);
  ASSERT_TRUE(Drop({Half}));
  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_EQ(Stub.Messages.at(0).Text,
            QStringLiteral("Не удалось открыть файл «%1».\n").arg(Half) + LoadError(Half));
  EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second"}));
  EXPECT_EQ(StatusText(), File);
}

TEST_F(MainFileTest, FieldsAndListsAreNamedForScreenReaders) {
  CreateWindow();
  struct TCase {
    QWidget* Window;
    const char* Field;
    const char* Name;
  };
  const TCase Cases[] = {{Form, "ListTypes", "Набор"},
                         {Form, "ListProps", "Имущество"},
                         {FormCollections, "ListItems", "Имущество"},
                         {FormCollections, "eTypeList", "Набор"},
                         {FormCollections, "eDetail", "Степень детализации"},
                         {FormType, "eName", "Название набора"},
                         {FormType, "eLang", "Язык"},
                         {FormType, "eCountry", "Страна"},
                         {FormProp, "eName", "Имущество"},
                         {FormProp, "eDetail", "Детализация"},
                         {FormProp, "eCost", "Примерная цена"},
                         {FormProp, "eCurr", "Валюта"},
                         {FormProp, "eDate", "Дата"}};
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Field);
    auto* Field = Case.Window->findChild<QWidget*>(QLatin1String(Case.Field));
    ASSERT_NE(Field, nullptr);
    QAccessibleInterface* Accessible = QAccessible::queryAccessibleInterface(Field);
    ASSERT_NE(Accessible, nullptr);
    // A label comes as a relation: a combo box's own name is its text.
    const auto Labels = Accessible->relations(QAccessible::Label);
    EXPECT_EQ(Labels.isEmpty() ? Accessible->text(QAccessible::Name)
                               : Labels.constFirst().first->text(QAccessible::Name),
              QString::fromUtf8(Case.Name));
  }
}

TEST_F(MainFileTest, DialogsRememberTheirOwnLastPath) {
  CreateWindow();
  const QString A = WriteSetFile(QStringLiteral("a.vsxml"));
  const QString B = Path(QStringLiteral("b.vsxml"));
  Stub.FileAnswers = {A, B, A, QString(), QString()};
  Trigger("AOpen");
  Trigger("ASaveAs");
  Trigger("AOpen");
  Trigger("AOpen");
  Trigger("ASaveAs");
  QStringList Proposed;
  for (const TStubFileRequest& Request : Stub.FileRequests)
    Proposed.append(Request.Proposed);
  EXPECT_EQ(Proposed, QStringList({"varnoke_set.vsxml", "varnoke_set.vsxml", A, A, B}));
  // The two cancelled dialogs changed nothing.
  EXPECT_EQ(StatusText(), A);
  EXPECT_EQ(Column(Form->ListTypes(), 0), QStringList({"Первый", "Second"}));
}

TEST_F(MainFileTest, NewDiscardsEverything) {
  const QString File = WriteSetFile(QStringLiteral("s.vsxml"));
  CreateWindow({File});
  ClickRow(Form->ListTypes(), 0);
  ASSERT_EQ(Form->ListProps()->model()->rowCount(), 1);
  Trigger("ANewFile");
  EXPECT_EQ(DB.TypeCount(), 0);
  EXPECT_EQ(DB.PropCount(), 0);
  EXPECT_EQ(Form->ListTypes()->model()->rowCount(), 0);
  EXPECT_EQ(Form->ListProps()->model()->rowCount(), 0);
  EXPECT_EQ(StatusText(), QString());
  for (const char* Name : {"AAddProp", "AEditProp", "ARemoveProp", "AEditType", "ARemoveType"})
    EXPECT_FALSE(Act(Name)->isEnabled()) << Name;
  EXPECT_TRUE(Stub.Messages.isEmpty());
}

TEST_F(MainFileTest, StartUpWithCommandLineArgument) {
  QDir::setCurrent(Dir.path());
  WriteSetFile(QStringLiteral("set.vsxml"));
  WriteHalfFile(QStringLiteral("half.vsxml"));
  Write(Path(QStringLiteral("bad.vsxml")), "this is not a set file");
  QDir().mkdir(QStringLiteral("folder.vsxml"));
  struct TCase {
    const char* Arg;
    QStringList Sets;
    QString FileName;
    bool Message;
  };
  const TCase Cases[] = {
      {"set.vsxml", {"Первый", "Second"}, QStringLiteral("set.vsxml"), false},
      {"folder.vsxml", {}, {}, false},
      {"missing.vsxml", {}, {}, false},
      {"", {}, {}, false},
      {"bad.vsxml", {}, {}, true},
      // What was read before the failure is not kept either.
      {"half.vsxml", {}, {}, true},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Arg);
    DB.Clear();
    Stub.Messages.clear();
    CreateWindow({QString::fromUtf8(Case.Arg), QStringLiteral("ignored.vsxml")});
    EXPECT_EQ(Column(Form->ListTypes(), 0), Case.Sets);
    EXPECT_EQ(DB.TypeCount(), Case.Sets.size());
    EXPECT_EQ(Selected(Form->ListTypes()), -1);
    EXPECT_EQ(Form->ListProps()->model()->rowCount(), 0);
    EXPECT_EQ(Form->FileName(), Case.FileName);
    EXPECT_EQ(StatusText(), Case.FileName);
    EXPECT_FALSE(Act("AEditType")->isEnabled());
    ASSERT_EQ(Stub.Messages.size(), Case.Message ? 1 : 0);
    if (Case.Message) {
      EXPECT_EQ(Stub.Messages.at(0).Icon, QMessageBox::Critical);
      const QString Arg = QString::fromUtf8(Case.Arg);
      EXPECT_EQ(Stub.Messages.at(0).Text,
                QStringLiteral("Не удалось открыть файл «%1».\n").arg(Arg) + LoadError(Arg));
    }
  }
}

class MainRefListTest : public MainFileTest {
protected:
  // Every box that start-up fills, with what it holds and shows.
  struct TBox {
    const char* Name;
    QComboBox* Box;
  };
  QList<TBox> Boxes() const {
    return {{"set dialog eCountry", FormType->eCountry()},
            {"set dialog eLang", FormType->eLang()},
            {"test view eCountry", FormCollections->eCountry()},
            {"test view eLang", FormCollections->eLang()},
            {"item dialog eCurr", FormProp->eCurr()}};
  }
  static QStringList Entries(const QComboBox* Box) {
    QStringList Result;
    for (int I = 0; I < Box->count(); ++I)
      Result.append(Box->itemText(I));
    return Result;
  }
  void Load() {
    QDir::setCurrent(Dir.path());
    CreateWindow();
    Form->LoadListCountryLang();
  }
  void Expect(const QList<QStringList>& EntriesByBox) {
    const QStringList Texts = {"Russia", "Russian", "Russia", "Russian", "RUR"};
    const QList<TBox> All = Boxes();
    for (int I = 0; I < All.size(); ++I) {
      SCOPED_TRACE(All.at(I).Name);
      EXPECT_EQ(Entries(All.at(I).Box), EntriesByBox.at(I));
      EXPECT_EQ(All.at(I).Box->currentText(), Texts.at(I));
    }
    EXPECT_TRUE(Stub.Messages.isEmpty());
  }
};

TEST_F(MainRefListTest, MissingFilesKeepTheLayoutEntries) {
  Load();
  Expect({{"Russia", "Ukraine", "France", "Bulgaria"},
          {"Russian", "English", "French", "Ukraine", "Bulgarian"},
          {"Russia", "Ukraine"},
          {"Russian", "English", "Japanese"},
          {"RUR", "USD", "EUR"}});
}

TEST_F(MainRefListTest, ListsReplaceTheEntriesAndKeepTheText) {
  Write(Path(QStringLiteral("list_of_country.txt")), "Germany\r\n\r\nAustria\r\n");
  Write(Path(QStringLiteral("list_of_language.txt")),
        "\xEF\xBB\xBF"
        "Deutsch\n\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\n");
  Write(Path(QStringLiteral("list_of_currency.txt")), "EUR\rUSD\rRUB");
  Load();
  const QStringList Countries = {"Germany", "", "Austria"};
  const QStringList Languages = {"Deutsch", "Русский"};
  Expect({Countries, Languages, Countries, Languages, {"EUR", "USD", "RUB"}});
}

TEST_F(MainRefListTest, ListWithoutMarkIsReadInTheRegionalCharset) {
  TRegional::SetCurrent(CommaRegional("CP1251"));
  Write(Path(QStringLiteral("list_of_country.txt")), "\xD0\xEE\xF1\xF1\xE8\xFF\r\n");
  Load();
  Expect({{"Россия"},
          {"Russian", "English", "French", "Ukraine", "Bulgarian"},
          {"Россия"},
          {"Russian", "English", "Japanese"},
          {"RUR", "USD", "EUR"}});
}

TEST_F(MainFileTest, AboutTestAndExitAskNothing) {
  CreateWindow();
  AddSet(QStringLiteral("Unsaved"));
  Trigger("N9");
  EXPECT_EQ(Stub.AboutCount, 1);
  for (const char* Part : {"Brimsett 1.0", "© 2026 Brimsett developers", "https://brimsett.org"})
    EXPECT_TRUE(Stub.AboutText.contains(QString::fromUtf8(Part))) << Part;

  Stub.DialogAnswers = {[](QDialog* D) { D->close(); }};
  Trigger("AShowTest");
  EXPECT_EQ(Stub.ShownDialogs, QList<QDialog*>({FormCollections}));

  Trigger("N5");
  EXPECT_FALSE(Form->isVisible());
  EXPECT_TRUE(Stub.Messages.isEmpty());
  EXPECT_TRUE(Stub.FileRequests.isEmpty());
}

// The run command reads the example under ru_RU.UTF-8, or the other one
// under C.UTF-8 where that locale is missing.
TEST(BundledExample, ReadsUnderItsLocale) {
  const QDir Examples(QString::fromUtf8(BRIMSETT_EXAMPLES_DIR));
  struct TCase {
    const char* File;
    const char* Locale;
  };
  for (const TCase& Case :
       {TCase{"example.vsxml", "ru_RU.UTF-8"}, TCase{"example-c.vsxml", "C.UTF-8"}}) {
    SCOPED_TRACE(Case.File);
    const TRegional Regional = TRegional::FromLocale(Case.Locale);
    if (QByteArray(Case.Locale) == "ru_RU.UTF-8" && Regional.DecimalSeparator != u',') {
      ADD_FAILURE()
          << "locale ru_RU.UTF-8 is not installed (localedef -i ru_RU -f UTF-8 ru_RU.UTF-8)";
      continue;
    }
    const TRegionalScope Scope(Regional);
    TPropDB DB;
    EXPECT_NO_THROW(
        LoadFromXML(DB, Examples.filePath(QString::fromUtf8(Case.File)), TRegional::Current()));
    EXPECT_EQ(DB.TypeCount(), 7);
    EXPECT_GE(DB.PropCount(), 25);
    bool RussianRussia = false;
    for (int I = 0; I < DB.TypeCount(); ++I)
      RussianRussia |= DB.Types(I)->Language == QStringLiteral("Russian") &&
                       DB.Types(I)->Country == QStringLiteral("Russia");
    EXPECT_TRUE(RussianRussia);
  }
  for (const char* List : {"list_of_country.txt", "list_of_language.txt", "list_of_currency.txt"}) {
    const auto Lines =
        LoadRefList(Examples.filePath(QString::fromUtf8(List)), TRegional::Current());
    ASSERT_TRUE(Lines) << List;
    EXPECT_GE(Lines->size(), 5) << List;
    EXPECT_FALSE(Lines->constFirst().startsWith(QChar(0xFEFF))) << List;
  }
}

} // namespace
