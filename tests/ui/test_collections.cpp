// The set test view driven through its widgets: filtering, levels, ticks, the
// state kept between openings and the export.

#include "test_window_fixture.h"
#include "tests/TestRecords.h"
#include "testview/Collections.h"
#include "testview/NameOrders.h"
#include "testview/TestFilter.h"
#include "ui/OwnFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList Entries(const QComboBox* Box) {
  QStringList Texts;
  for (int I = 0; I < Box->count(); ++I)
    Texts.append(Box->itemText(I));
  return Texts;
}

QByteArray ReadFile(const QString& Path) {
  QFile File(Path);
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

// The export writes in the 8-bit charset.
class CollectionsTest : public TWindowFixture {
protected:
  CollectionsTest() : TWindowFixture(CommaRegional("CP1251")) {}

  void SetUp() override { Form = new TFormCollections; }

  void TearDown() override { delete Form; }

  template <class T> T* Child(const char* Name) const {
    T* Widget = Form->findChild<T*>(QLatin1String(Name));
    EXPECT_NE(Widget, nullptr) << Name;
    return Widget;
  }
  QComboBox* TypeList() const { return Child<QComboBox>("eTypeList"); }
  QCheckBox* AllLang() const { return Child<QCheckBox>("eAllLang"); }
  QCheckBox* AllCountries() const { return Child<QCheckBox>("eAllCountries"); }
  QSlider* Detail() const { return Child<QSlider>("eDetail"); }
  QTreeView* List() const { return Child<QTreeView>("ListItems"); }

  // Shows the view on DB, runs Act while it is shown, then closes it with "Закрыть".
  void Open(const std::function<void()>& Act) {
    Stub.DialogAnswers.push_back([this, Act](QDialog* Dialog) {
      EXPECT_EQ(Dialog, Form);
      Act();
      QTest::mouseClick(Child<QPushButton>("Button2"), Qt::LeftButton);
    });
    Form->ShowTest(&DB);
    EXPECT_FALSE(Form->isVisible());
  }

  PTypeRecord AddSet(const QString& Name, const QString& Lang = "Russian",
                     const QString& Country = "Russia") {
    return AddTestSet(DB, Name, Lang, Country);
  }

  PPropRecord AddItem(PTypeRecord Set, const QString& Name, int Detail = 0, bool Default = false,
                      double Cost = 1, const QString& Curr = "RUR") {
    return AddTestItem(DB, Set, Name,
                       {.Detail = Detail, .Default = Default, .Cost = Cost, .Curr = Curr});
  }

  QStringList RowNames() const {
    QStringList Names;
    for (int I = 0; I < Form->RowCount(); ++I)
      Names.append(Form->RowRec(I)->Name);
    return Names;
  }

  QList<bool> Ticks() const {
    QList<bool> Result;
    for (int I = 0; I < Form->RowCount(); ++I)
      Result.append(Form->RowTicked(I));
    return Result;
  }

  // Toggles the tick of Row the way the user does with the keyboard.
  void ToggleTick(int Row) {
    List()->setCurrentIndex(List()->model()->index(Row, 0));
    QTest::keyClick(List(), Qt::Key_Space);
  }

  void Type(QComboBox* Box, const QString& Text) {
    for (const QChar C : Text)
      QTest::keyClick(Box->lineEdit(), C.toLatin1());
  }

  void ClearText(QComboBox* Box) {
    QTest::keyClick(Box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Box->lineEdit(), Qt::Key_Backspace);
  }

  // Runs the export while shown, answering the file dialog with Path.
  void Export(const QString& Path) {
    Stub.FileAnswers.push_back(Path);
    QTest::mouseClick(Child<QPushButton>("bSaveToFile"), Qt::LeftButton);
  }

  TPropDB DB;
  TFormCollections* Form = nullptr;
  QTemporaryDir Dir;
};

} // namespace

TEST_F(CollectionsTest, FirstOpeningOffersExactMatchesAndListsLevelZeroSorted) {
  const PTypeRecord First = AddSet("Первый");
  AddSet("English", "English");
  AddSet("Второй");
  AddSet("Ukraine", "Russian", "Ukraine");
  AddItem(First, "Ящик", 0, true, 1234.5, "RUR");
  AddItem(First, "Абажур", 0, false, 2.675, "");
  AddItem(First, "Ваза", -2, true, 0.125, "USD");
  AddItem(First, "Бра", 1, true);

  Open([&] {
    EXPECT_EQ(Entries(TypeList()), (QStringList{"Первый", "Второй"}));
    EXPECT_EQ(TypeList()->currentIndex(), 0);
    EXPECT_EQ(RowNames(), (QStringList{"Абажур", "Ваза", "Ящик"}));
    EXPECT_EQ(Ticks(), (QList<bool>{false, true, true}));
    const QAbstractItemModel* Model = List()->model();
    EXPECT_EQ(Model->index(2, 1).data().toString(), "05.03.2024");
    // The column shows the general form; the export writes two decimals.
    EXPECT_EQ(Model->index(2, 2).data().toString(), "1234,5");
    EXPECT_EQ(Model->index(2, 3).data().toString(), "RUR");
    EXPECT_EQ(Model->index(0, 2).data().toString(), "2,675");
    EXPECT_EQ(Model->index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_FALSE(Model->flags(Model->index(0, 0)) & Qt::ItemIsEditable);
  });
}

// The orders worked out on another thread are the view's own, equal names
// in database order; a change to the document drops them, even while they are
// being worked out.
TEST_F(CollectionsTest, NameOrdersWorkedOutAheadListTheSameRows) {
  const PTypeRecord First = AddSet("Первый");
  const PTypeRecord Second = AddSet("Второй");
  for (const char* Name : {"ящик", "Ящик", "абажур", "Ваза", "ящик", "10", "9"}) {
    AddItem(First, Name)->Date = DB.PropCount();
    AddItem(Second, QString(Name) + u'!');
  }
  TNameOrders Orders;
  Orders.Start(DB, RowCollator());
  Orders.Wait();
  QStringList Shown;
  for (const PTypeRecord Set : {First, Second}) {
    TPropList Expected = FilterItems(DB, Set, 2);
    SortByName(Expected, RowCollator());
    ASSERT_NE(Orders.Of(Set), nullptr);
    EXPECT_EQ(*Orders.Of(Set), Expected);
    for (const PPropRecord Item : Expected)
      Shown << (Set == First ? QString(Item->Name) : QString());
  }
  Form->SetNameOrders(&Orders);
  Open([&] { EXPECT_EQ(RowNames(), Shown.mid(0, 7)); });
  Orders.Invalidate();
  EXPECT_EQ(Orders.Of(First), nullptr);
  Orders.Start(DB, RowCollator());
  Orders.Invalidate();
  Orders.Wait();
  EXPECT_EQ(Orders.Of(First), nullptr);
}

TEST_F(CollectionsTest, TypingAndChoosingAnEntryRebuild) {
  const PTypeRecord NoLang = AddSet("Без языка", "");
  AddItem(NoLang, "Пусто");
  const PTypeRecord English = AddSet("Англ", "English");
  AddItem(English, "Chair");
  AddSet("Другая страна", "English", "Ukraine");

  Open([&] {
    EXPECT_EQ(TypeList()->count(), 0);
    ClearText(Form->eLang());
    EXPECT_EQ(Entries(TypeList()), QStringList{"Без языка"});
    EXPECT_EQ(RowNames(), QStringList{"Пусто"});
    Type(Form->eLang(), "English");
    EXPECT_EQ(Entries(TypeList()), QStringList{"Англ"});
    EXPECT_EQ(RowNames(), QStringList{"Chair"});
    QTest::keyClick(Form->eCountry(), Qt::Key_Down);
    EXPECT_EQ(Form->eCountry()->currentText(), "Ukraine");
    EXPECT_EQ(Entries(TypeList()), QStringList{"Другая страна"});
  });
}

TEST_F(CollectionsTest, DisabledBoxKeepsItsTextAndCountsAgainWhenReEnabled) {
  AddSet("RuRu");
  AddSet("EnRu", "English");
  AddSet("EnUa", "English", "Ukraine");

  Open([&] {
    ClearText(Form->eLang());
    Type(Form->eLang(), "English");
    EXPECT_EQ(Entries(TypeList()), QStringList{"EnRu"});

    QTest::mouseClick(AllLang(), Qt::LeftButton);
    EXPECT_FALSE(Form->eLang()->isEnabled());
    EXPECT_EQ(Entries(TypeList()), (QStringList{"RuRu", "EnRu"}));
    QTest::mouseClick(AllCountries(), Qt::LeftButton);
    EXPECT_FALSE(Form->eCountry()->isEnabled());
    EXPECT_EQ(Entries(TypeList()), (QStringList{"RuRu", "EnRu", "EnUa"}));
    EXPECT_EQ(Form->eLang()->currentText(), "English");

    QTest::mouseClick(AllLang(), Qt::LeftButton);
    EXPECT_TRUE(Form->eLang()->isEnabled());
    EXPECT_EQ(Entries(TypeList()), (QStringList{"EnRu", "EnUa"}));
    QTest::mouseClick(AllCountries(), Qt::LeftButton);
    EXPECT_TRUE(Form->eCountry()->isEnabled());
    EXPECT_EQ(Entries(TypeList()), QStringList{"EnRu"});
  });
}

TEST_F(CollectionsTest, SliderRebuildsTheItemList) {
  const PTypeRecord Set = AddSet("S");
  AddItem(Set, "b-zero", 0);
  AddItem(Set, "c-one", 1);

  Open([&] {
    EXPECT_EQ(RowNames(), QStringList{"b-zero"});
    // Down moves the handle down the scale, towards "Высокая".
    QTest::keyClick(Detail(), Qt::Key_Down);
    EXPECT_EQ(RowNames(), (QStringList{"b-zero", "c-one"}));
    QTest::keyClick(Detail(), Qt::Key_Up);
    EXPECT_EQ(RowNames(), QStringList{"b-zero"});
  });
}

TEST_F(CollectionsTest, RebuildsResetTicksAndReturnToEntryZero) {
  const PTypeRecord Same1 = AddSet("Same");
  const PTypeRecord Same2 = AddSet("Same");
  AddItem(Same1, "one-a", 0, true);
  AddItem(Same1, "one-b", 0, false);
  AddItem(Same2, "two-a", 0, true);

  Open([&] {
    EXPECT_EQ(Entries(TypeList()), (QStringList{"Same", "Same"}));
    EXPECT_EQ(RowNames(), (QStringList{"one-a", "one-b"}));
    ToggleTick(0);
    ToggleTick(1);
    EXPECT_EQ(Ticks(), (QList<bool>{false, true}));

    QTest::keyClick(Detail(), Qt::Key_Down);
    QTest::keyClick(Detail(), Qt::Key_Up);
    EXPECT_EQ(Ticks(), (QList<bool>{true, false}));

    // Two entries of one name: each lists its own set's items.
    QTest::keyClick(TypeList(), Qt::Key_Down);
    EXPECT_EQ(TypeList()->currentIndex(), 1);
    EXPECT_EQ(RowNames(), QStringList{"two-a"});
    QTest::keyClick(Detail(), Qt::Key_Down);
    EXPECT_EQ(TypeList()->currentIndex(), 1);

    // A change of a filter input always goes back to entry 0.
    QTest::keyClick(Form->eCountry()->lineEdit(), Qt::Key_Space);
    QTest::keyClick(Form->eCountry()->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(TypeList()->currentIndex(), 0);
    EXPECT_EQ(RowNames(), (QStringList{"one-a", "one-b"}));
  });
}

TEST_F(CollectionsTest, StateKeptBetweenOpeningsButRowsRebuilt) {
  const PTypeRecord Ru = AddSet("Ru", "Russian", "Ukraine");
  AddSet("En", "English", "Ukraine");
  AddItem(Ru, "low", 0, true);
  AddItem(Ru, "high", 2, false);
  const QString Path = Dir.filePath("kept.txt");

  Open([&] {
    QTest::mouseClick(AllLang(), Qt::LeftButton);
    ClearText(Form->eCountry());
    Type(Form->eCountry(), "Ukraine");
    QTest::keyClick(Detail(), Qt::Key_End);
    QTest::keyClick(TypeList(), Qt::Key_Down);
    Export(Path);
  });
  // The program's own changes while the view is closed run no filter.
  Form->eCountry()->setEditText("Russia");
  Form->eCountry()->setEditText("Ukraine");
  EXPECT_EQ(TypeList()->currentIndex(), 1);

  Open([&] {
    EXPECT_TRUE(AllLang()->isChecked());
    EXPECT_FALSE(Form->eLang()->isEnabled());
    EXPECT_EQ(Form->eLang()->currentText(), "Russian");
    EXPECT_EQ(Form->eCountry()->currentText(), "Ukraine");
    EXPECT_EQ(Detail()->value(), 2);
    EXPECT_EQ(TypeList()->currentIndex(), 0);
    EXPECT_EQ(RowNames(), (QStringList{"high", "low"}));
    EXPECT_EQ(Ticks(), (QList<bool>{false, true}));
    Export(Path);
  });
  ASSERT_EQ(Stub.FileRequests.size(), 2);
  EXPECT_EQ(Stub.FileRequests[0].Proposed, QString());
  EXPECT_EQ(Stub.FileRequests[1].Proposed, Path);
}

TEST_F(CollectionsTest, EnterAndEscapeCloseNothing) {
  Open([&] {
    QTest::keyClick(Form, Qt::Key_Escape);
    QTest::keyClick(Form, Qt::Key_Return);
    QTest::keyClick(Form->eLang()->lineEdit(), Qt::Key_Return);
    QTest::keyClick(Child<QPushButton>("Button2"), Qt::Key_Return);
    QTest::keyClick(Child<QPushButton>("bSaveToFile"), Qt::Key_Enter);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Entries(Form->eLang()), (QStringList{"Russian", "English", "Japanese"}));
    EXPECT_TRUE(Stub.FileRequests.isEmpty());
  });
  // The close box ends the showing as well.
  Stub.DialogAnswers.push_back([](QDialog* Dialog) { Dialog->close(); });
  Form->ShowTest(&DB);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(CollectionsTest, ExportWritesTickedRowsInShownOrder) {
  const PTypeRecord Set = AddSet("S");
  AddItem(Set, "Ящик", 0, true, 1234.5, "RUR");
  AddItem(Set, "Ваза", 0, true, -0.125, "");
  AddItem(Set, "Бра", 0, false, 7, "EUR");
  AddItem(Set, "Абажур", 0, true, 0.125, "USD");
  const QString Comma = Dir.filePath("comma.txt");
  const QString Stop = Dir.filePath("stop");
  const QString None = Dir.filePath("none.txt");

  Open([&] {
    Export(Comma);
    TRegional::SetCurrent(StopRegional());
    Export(Stop);
    for (int Row = 0; Row < Form->RowCount(); ++Row)
      if (Form->RowTicked(Row))
        ToggleTick(Row);
    Export(None);
    Stub.FileAnswers.push_back(QString()); // cancelled: nothing at all
    QTest::mouseClick(Child<QPushButton>("bSaveToFile"), Qt::LeftButton);
  });
  EXPECT_EQ(ReadFile(Comma), QByteArray("\xC0\xE1\xE0\xE6\xF3\xF0\t05.03.2024\t0,13\tUSD\r\n"
                                        "\xC2\xE0\xE7\xE0\t05.03.2024\t-0,13\t\r\n"
                                        "\xDF\xF9\xE8\xEA\t05.03.2024\t1234,50\tRUR\r\n"));
  // The default extension is added to a name without one.
  EXPECT_EQ(
      ReadFile(Stop + ".txt"),
      "Абажур\t3/5/2024\t0.13\tUSD\r\nВаза\t3/5/2024\t-0.13\t\r\nЯщик\t3/5/2024\t1234.50\tRUR\r\n");
  EXPECT_EQ(ReadFile(None), QByteArray());
  ASSERT_EQ(Stub.FileRequests.size(), 4);
  EXPECT_EQ(Stub.FileRequests[0].Filter, "Текстовые файлы (*.txt)|*.txt");
  EXPECT_EQ(Stub.FileRequests[0].DefaultExt, "txt");
  EXPECT_TRUE(Stub.FileRequests[0].Save);
  EXPECT_EQ(Stub.FileRequests[3].Proposed, None);
  EXPECT_TRUE(Stub.Messages.isEmpty());
}

// The bytes stay as the character set gives them; the warning comes once
// they are in the file.
TEST_F(CollectionsTest, ExportThatLosesCharactersWarnsAfterWriting) {
  const PTypeRecord Set = AddSet("S");
  AddItem(Set, "中文茶壶", 0, true, 1, "RUR");
  AddItem(Set, "a\tb", 0, true, 1, "RUR"); // a row that its tab splits
  const QString Path = Dir.filePath("lossy.txt");
  QByteArray AtWarning;
  Stub.MessageAnswers.push_back([&] { AtWarning = ReadFile(Path); });
  Open([&] { Export(Path); });
  EXPECT_EQ(AtWarning,
            QByteArray("a\tb\t05.03.2024\t1,00\tRUR\r\n????\t05.03.2024\t1,00\tRUR\r\n"));
  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_EQ(Stub.Messages[0].Icon, QMessageBox::Warning);
  EXPECT_TRUE(Stub.Messages[0].Text.contains(QStringLiteral("4")));
  EXPECT_TRUE(Stub.Messages[0].Text.contains(QStringLiteral("中文茶壶")));
  EXPECT_TRUE(Stub.Messages[0].Text.contains(QStringLiteral("a\tb")));
}

TEST_F(CollectionsTest, EmptyDatabaseShowsNothingAndExportsNoBytes) {
  const QString Path = Dir.filePath("empty.txt");
  Open([&] {
    EXPECT_EQ(TypeList()->count(), 0);
    EXPECT_EQ(TypeList()->currentIndex(), -1);
    EXPECT_EQ(Form->RowCount(), 0);
    QTest::mouseClick(AllLang(), Qt::LeftButton);
    EXPECT_EQ(TypeList()->count(), 0);
    Export(Path);
  });
  EXPECT_TRUE(QFile::exists(Path));
  EXPECT_EQ(ReadFile(Path), QByteArray());
}

TEST_F(CollectionsTest, FailedExportShowsErrorAndLeavesTheViewAsItWas) {
  const PTypeRecord Set = AddSet("S");
  AddItem(Set, "Стол", 0, true, 1, "RUR");
  AddItem(Set, "Шкаф", 0, false, 2, "RUR");
  const QString Missing = Dir.filePath("missing/out.txt");
  const QString Folder = Dir.filePath("folder.txt");
  ASSERT_TRUE(QDir().mkpath(Folder));
  const QString Old = Dir.filePath("old.txt");
  QFile OldFile(Old);
  ASSERT_TRUE(OldFile.open(QIODevice::WriteOnly) && OldFile.write("old") == 3);
  OldFile.close();

  Open([&] {
    ToggleTick(1);
    Export(Missing);
    ASSERT_EQ(Stub.Messages.size(), 1);
    EXPECT_EQ(Stub.Messages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Stub.Messages[0].Text, "Ошибка при сохранении файла!");
    EXPECT_FALSE(QFile::exists(Missing));
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Ticks(), (QList<bool>{true, true}));

    // A name that is a folder fails too, and the folder stays.
    Export(Folder);
    EXPECT_EQ(Stub.Messages.size(), 2);
    // The next export opens where the failed one did not.
    EXPECT_EQ(Stub.FileRequests[1].Proposed, Stub.FileRequests[0].Proposed);
    EXPECT_TRUE(QFileInfo(Folder).isDir());
    EXPECT_EQ(Ticks(), (QList<bool>{true, true}));

    // The set file that the view shows is no export's target, under any
    // name; the view says so and asks nothing.
    const QString Link = Dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(Old, Link));
    Form->SetDocumentFile(Old);
    Export(Link);
    ASSERT_EQ(Stub.Messages.size(), 3);
    EXPECT_TRUE(Stub.Messages[2].Text.contains(Link));
    EXPECT_EQ(ReadFile(Old), "old");
    Form->SetDocumentFile({});

    // So does a character set whose conversion does not open: no ASCII
    // export replaces the old file.
    TRegional::SetCurrent(CommaRegional("NO-SUCH-CHARSET"));
    Export(Old);
    EXPECT_EQ(Stub.Messages.size(), 4);
    EXPECT_EQ(ReadFile(Old), "old");
  });
}

namespace {

// Where Qt would draw a frame with every button, the view draws its own: a
// caption and a close box alone, which closes it, over contents that keep
// their place.
TEST_F(CollectionsTest, OwnFrameHasTheCaptionAndACloseBoxAlone) {
  const QPoint Before = TypeList()->mapTo(Form, QPoint());
  UseOwnFrame(Form);
  UseOwnFrame(Form);
  Form->show();
  QApplication::processEvents();
  EXPECT_TRUE(Form->windowFlags() & Qt::FramelessWindowHint);
  const auto Buttons = Child<QWidget>("TitleBar")->findChildren<QAbstractButton*>();
  ASSERT_EQ(Buttons.size(), 1);
  EXPECT_EQ(Child<QLabel>("TitleCaption")->text(), QStringLiteral("Выбор набора"));
  EXPECT_GE(TypeList()->mapTo(Form, QPoint()).y(),
            Before.y() + Child<QWidget>("TitleBar")->height());
  Buttons.front()->click();
  EXPECT_FALSE(Form->isVisible());
}

} // namespace
