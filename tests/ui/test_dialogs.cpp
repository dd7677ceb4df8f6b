// The set dialog: contents kept between showings, OK writing in place or into
// the dialog's own record.

#include "test_dialogs_fixture.h"

#include "dialogs/SetC.h"

#include <functional>

namespace {

class SetDialogTest : public TEditDialogFixture<TFormType, TTypeRecord> {
protected:
  QStringList Shown(QDialog* D) {
    return {EditText(Child<QLineEdit>(D, "eName")), EditText(Child<QComboBox>(D, "eLang")),
            EditText(Child<QComboBox>(D, "eCountry"))};
  }

  static void Fill(QDialog* D, const QString& Name, const QString& Lang, const QString& Country) {
    Retype(Child<QLineEdit>(D, "eName"), Name);
    Retype(Child<QComboBox>(D, "eLang"), Lang);
    Retype(Child<QComboBox>(D, "eCountry"), Country);
  }

  static TTypeRecord Set(const TGUID& GUID, const QString& Name, const QString& Language,
                         const QString& Country) {
    TTypeRecord R;
    R.GUID = GUID;
    R.Name = Name;
    R.Language = Language;
    R.Country = Country;
    return R;
  }

  static TTypeRecord Sample() {
    TTypeRecord R;
    R.GUID.D1 = 0x1234;
    R.GUID.D4[7] = 9;
    R.Name = QStringLiteral("Мебель");
    R.Language = QStringLiteral("Latin");
    R.Country = QStringLiteral("France");
    return R;
  }
};

TEST_F(SetDialogTest, FirstShowingOffersTheCreatedContents) {
  EXPECT_TRUE(Show(nullptr, [this](QDialog* D) {
    EXPECT_EQ(D->windowTitle(), QStringLiteral("Добавить / изменить"));
    EXPECT_EQ(Shown(D), QStringList({"", "Russian", "Russia"}));
    auto* Lang = Child<QComboBox>(D, "eLang");
    EXPECT_EQ(Lang->count(), 5);
    EXPECT_EQ(Lang->itemText(4), QStringLiteral("Bulgarian"));
    EXPECT_EQ(Child<QComboBox>(D, "eCountry")->count(), 4);
    EXPECT_EQ(Child<QPushButton>(D, "bOK")->text(), QStringLiteral("ОК"));
    EXPECT_EQ(Child<QPushButton>(D, "bCancel")->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(TabWalk(D), QStringList({"eName", "bOK", "bCancel", "eLang", "eCountry"}));
    QTest::keyClick(Child<QComboBox>(D, "eCountry"), Qt::Key_Return);
  }));
  EXPECT_EQ(*Form->TypeRec(), Set(TGUID{}, "", "Russian", "Russia"));
}

TEST_F(SetDialogTest, AddsInARowKeepTheLastContentsConfirmedOrCancelled) {
  EXPECT_TRUE(Show(nullptr, [](QDialog* D) {
    Fill(D, QStringLiteral("Книги"), QStringLiteral("Esperanto"), QStringLiteral("Wales"));
    QTest::mouseClick(Child<QPushButton>(D, "bOK"), Qt::LeftButton);
  }));
  EXPECT_EQ(*Form->TypeRec(), Set(TGUID{}, "Книги", "Esperanto", "Wales"));

  EXPECT_FALSE(Show(nullptr, [this](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Книги", "Esperanto", "Wales"}));
    Fill(D, QStringLiteral("Посуда"), QStringLiteral("Welsh"), QStringLiteral("Chile"));
    QTest::mouseClick(Child<QPushButton>(D, "bCancel"), Qt::LeftButton);
  }));
  EXPECT_EQ(*Form->TypeRec(), Set(TGUID{}, "Книги", "Esperanto", "Wales"));

  EXPECT_FALSE(Show(nullptr, [this](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Посуда", "Welsh", "Chile"}));
    D->close();
  }));
  EXPECT_EQ(*Form->TypeRec(), Set(TGUID{}, "Книги", "Esperanto", "Wales"));
}

TEST_F(SetDialogTest, EditLoadsTheRecordAndWritesItOnlyOnOk) {
  TTypeRecord Rec = Sample();
  const TTypeRecord Before = Rec;

  EXPECT_FALSE(Show(&Rec, [this](QDialog* D) {
    // A language that is not among the items stands in the edit field as it is.
    EXPECT_EQ(Shown(D), QStringList({"Мебель", "Latin", "France"}));
    EXPECT_EQ(Child<QComboBox>(D, "eLang")->count(), 5);
    Fill(D, QStringLiteral("Стулья"), QStringLiteral("Greek"), QStringLiteral("Peru"));
    QTest::keyClick(Child<QLineEdit>(D, "eName"), Qt::Key_Escape);
  }));
  EXPECT_EQ(Rec, Before);

  // The next add starts from what the cancelled edit left.
  EXPECT_FALSE(Show(nullptr, [this](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Стулья", "Greek", "Peru"}));
    QTest::mouseClick(Child<QPushButton>(D, "bCancel"), Qt::LeftButton);
  }));

  // Blanks, an empty text and a value absent from the items are stored as typed.
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) {
    Fill(D, QStringLiteral("  Стол "), QStringLiteral("Klingon"), QString());
    QTest::mouseClick(Child<QPushButton>(D, "bOK"), Qt::LeftButton);
  }));
  EXPECT_EQ(Rec, Set(Before.GUID, "  Стол ", "Klingon", ""));
  // The dialog's own record is only for adds.
  EXPECT_EQ(*Form->TypeRec(), (TTypeRecord{}));
}

TEST_F(SetDialogTest, LongTextsSurviveAnEdit) {
  TTypeRecord Rec = Sample();
  Rec.Name = QString(40000, u'н');
  Rec.Language = QString(40001, u'l');
  Rec.Country = QString(40002, u'c');
  const TTypeRecord Before = Rec;
  EXPECT_TRUE(Show(
      &Rec, [](QDialog* D) { QTest::mouseClick(Child<QPushButton>(D, "bOK"), Qt::LeftButton); }));
  EXPECT_EQ(Rec, Before);
}

TEST_F(SetDialogTest, EveryShowingSelectsTheWholeNameAndCentresOverTheOwner) {
  TTypeRecord Rec = Sample();
  const QPoint OwnerCentre = Owner->frameGeometry().center();
  for (int Round = 0; Round < 2; ++Round)
    EXPECT_FALSE(Show(&Rec, [OwnerCentre](QDialog* D) {
      EXPECT_LE((D->frameGeometry().center() - OwnerCentre).manhattanLength(), 2);
      auto* Name = Child<QLineEdit>(D, "eName");
      EXPECT_EQ(D->focusWidget(), Name);
      EXPECT_EQ(Name->selectedText(), QStringLiteral("Мебель"));
      // Leave the cursor and the window elsewhere; the next showing resets both.
      QTest::keyClick(Name, Qt::Key_End);
      D->move(OwnerCentre + QPoint(150, 100));
      D->close();
    }));

  EXPECT_TRUE(Show(&Rec, [](QDialog* D) {
    TypeText(Child<QLineEdit>(D, "eName"), QStringLiteral("Шкаф"));
    QTest::keyClick(Child<QLineEdit>(D, "eName"), Qt::Key_Return);
  }));
  EXPECT_EQ(Rec.Name, QStringLiteral("Шкаф"));
}

} // namespace
