// The item dialog: contents kept between showings, the price check, the spin
// field's range, the price and date round trips, and the keys.

#include "test_dialogs_fixture.h"

#include "dialogs/DatePicker.h"
#include "dialogs/Description.h"

#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>
#include <functional>

namespace {

// 16:38:56.193, the picker's own time of day until the user changes it.
constexpr double PickerTime = 59936193.0 / 86400000.0;

class ItemDialogTest : public TEditDialogFixture<TFormProp, TPropRecord> {
protected:
  // Name, detail, default, cost, currency and date as the dialog shows them.
  static QStringList Shown(QDialog* D) {
    return {EditText(Child<QLineEdit>(D, "eName")),
            EditText(Child<QAbstractSpinBox>(D, "eDetail")),
            Child<QCheckBox>(D, "eDefault")->isChecked() ? QStringLiteral("ticked")
                                                         : QStringLiteral("clear"),
            EditText(Child<QLineEdit>(D, "eCost")),
            EditText(Child<QComboBox>(D, "eCurr")),
            EditText(Child<QDateTimeEdit>(D, "eDate"))};
  }

  static TPropRecord Sample(TTypeRecord* Parent) {
    TPropRecord R;
    R.GUID.D1 = 0xABCD;
    R.GUID.D4[0] = 7;
    R.Parent = Parent;
    R.Name = QStringLiteral("Чайник");
    R.Detail = 1;
    R.Default = true;
    R.Date = *EncodeDate(2010, 7, 4) + 0.25;
    R.Cost = 12.5;
    R.Curr = QStringLiteral("USD");
    return R;
  }

  static void Ok(QDialog* D) { QTest::mouseClick(Child<QPushButton>(D, "bOK"), Qt::LeftButton); }

  TTypeRecord Set;
};

TEST_F(ItemDialogTest, FirstAddOffersTheCreatedContentsUnderEitherSeparator) {
  struct TCase {
    TRegional Regional;
    const char* DateShown;
  } const Cases[] = {{CommaRegional(), "19.03.2010"}, {StopRegional(), "3/19/2010"}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.DateShown);
    TRegional::SetCurrent(C.Regional);
    delete Form;
    Form = new TFormProp(Owner);
    EXPECT_TRUE(Show(nullptr, [&C](QDialog* D) {
      EXPECT_EQ(D->windowTitle(), QStringLiteral("Добавить / изменить"));
      EXPECT_EQ(Shown(D),
                QStringList({"", "0", "clear", "1.0", "RUR", QString::fromUtf8(C.DateShown)}));
      EXPECT_EQ(Child<QComboBox>(D, "eCurr")->count(), 3);
      EXPECT_EQ(Child<QCheckBox>(D, "eDefault")->text(), QStringLiteral("Предлагать по умолчанию"));
      EXPECT_EQ(D->focusWidget(), Child<QLineEdit>(D, "eName"));
      EXPECT_EQ(TabWalk(D), QStringList({"eName", "eDetail", "eDefault", "eCost", "bOK", "bCancel",
                                         "eCurr", "eDate"}));
      QTest::keyClick(Child<QLineEdit>(D, "eName"), Qt::Key_Return);
    }));
    const TPropRecord& Own = *Form->PropRec();
    EXPECT_EQ(Own.GUID, TGUID{});
    EXPECT_EQ(Own.Parent, nullptr);
    EXPECT_EQ(Own.Name, QString());
    EXPECT_EQ(Own.Detail, 0);
    EXPECT_FALSE(Own.Default);
    // The offered "1.0" reads under either separator.
    EXPECT_EQ(Own.Cost, 1.0);
    EXPECT_EQ(Own.Curr, QStringLiteral("RUR"));
    EXPECT_DOUBLE_EQ(Own.Date, 40256.6937059375);
  }
}

TEST_F(ItemDialogTest, AddsInARowKeepTheLastContentsConfirmedOrCancelled) {
  EXPECT_TRUE(Show(nullptr, [](QDialog* D) {
    Retype(Child<QLineEdit>(D, "eName"), QStringLiteral("Ложка"));
    QTest::keyClick(Child<QAbstractSpinBox>(D, "eDetail"), Qt::Key_Up);
    auto* Default = Child<QCheckBox>(D, "eDefault");
    QStyleOptionButton Box;
    Box.initFrom(Default);
    QTest::mouseClick(
        Default, Qt::LeftButton, Qt::NoModifier,
        Default->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &Box, Default).center());
    Retype(Child<QLineEdit>(D, "eCost"), QStringLiteral("2,5"));
    Retype(Child<QComboBox>(D, "eCurr"), QStringLiteral("GBP"));
    // Up on the day section: the next day.
    auto* Date = Child<QDateTimeEdit>(D, "eDate");
    Date->setFocus(Qt::TabFocusReason);
    Date->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(Date, Qt::Key_Up);
    Ok(D);
  }));
  TPropRecord Expected;
  Expected.Name = QStringLiteral("Ложка");
  Expected.Detail = 1;
  Expected.Default = true;
  Expected.Date = *EncodeDate(2010, 3, 20) + PickerTime;
  Expected.Cost = 2.5;
  Expected.Curr = QStringLiteral("GBP");
  EXPECT_EQ(*Form->PropRec(), Expected);

  EXPECT_FALSE(Show(nullptr, [](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Ложка", "1", "ticked", "2,5", "GBP", "20.03.2010"}));
    Retype(Child<QLineEdit>(D, "eName"), QStringLiteral("Вилка"));
    Retype(Child<QLineEdit>(D, "eCost"), QStringLiteral("7"));
    QTest::mouseClick(Child<QPushButton>(D, "bCancel"), Qt::LeftButton);
  }));
  EXPECT_EQ(*Form->PropRec(), Expected);

  EXPECT_FALSE(Show(nullptr, [](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Вилка", "1", "ticked", "7", "GBP", "20.03.2010"}));
    D->close();
  }));
}

TEST_F(ItemDialogTest, RefusedPriceKeepsTheDialogOpenAndChangesNothing) {
  TPropRecord Rec = Sample(&Set);
  const TPropRecord Before = Rec;
  const TPropRecord OwnBefore = *Form->PropRec();
  EXPECT_FALSE(Show(&Rec, [this](QDialog* D) {
    Retype(Child<QLineEdit>(D, "eName"), QStringLiteral("Самовар"));
    QTest::keyClick(Child<QAbstractSpinBox>(D, "eDetail"), Qt::Key_Up);
    auto* Cost = Child<QLineEdit>(D, "eCost");
    Retype(Cost, QStringLiteral("12,5 р."));
    QTest::keyClick(Cost, Qt::Key_Return);
    ASSERT_EQ(Stub.Messages.size(), 1);
    EXPECT_EQ(Stub.Messages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Stub.Messages[0].Text, QStringLiteral("Введено неверное числовое значение цены!"));
    EXPECT_TRUE(D->isVisible());
    EXPECT_EQ(Cost->text(), QStringLiteral("12,5 р."));
    EXPECT_EQ(QApplication::focusWidget(), Cost);

    // An empty price is refused too, from a click as from Enter.
    Retype(Cost, QString());
    Ok(D);
    EXPECT_EQ(Stub.Messages.size(), 2);
    EXPECT_TRUE(D->isVisible());
    QTest::mouseClick(Child<QPushButton>(D, "bCancel"), Qt::LeftButton);
  }));
  EXPECT_EQ(Rec, Before);
  EXPECT_EQ(*Form->PropRec(), OwnBefore);
}

TEST_F(ItemDialogTest, DetailIsTakenAsAWholeNumberWithinTheRange) {
  struct TCase {
    const char* Typed;
    const char* Shown; // after typing: letters refused
    int Stored;
  } const Cases[] = {
      {"7", "7", 2},   {"1", "1", 1},     {"-3", "-3", 0},
      {"+2", "+2", 2}, {"1,5", "1,5", 0}, {"-", "-", 0},
      {"", "", 0},     {"1x2", "12", 2},  {"99999999999999", "99999999999999", 2},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Typed);
    EXPECT_TRUE(Show(nullptr, [&C](QDialog* D) {
      auto* Detail = Child<QAbstractSpinBox>(D, "eDetail");
      Retype(Detail, QString::fromUtf8(C.Typed));
      EXPECT_EQ(Detail->text(), QString::fromUtf8(C.Shown));
      QTest::keyClick(Detail, Qt::Key_Return);
    }));
    EXPECT_EQ(Form->PropRec()->Detail, C.Stored);
  }

  // A stored level outside the range shows and stores its nearer end.
  for (const int Stored : {5, -4}) {
    TPropRecord Rec = Sample(&Set);
    Rec.Detail = Stored;
    EXPECT_TRUE(Show(&Rec, [Stored](QDialog* D) {
      EXPECT_EQ(EditText(Child<QAbstractSpinBox>(D, "eDetail")), Stored > 0 ? "2" : "0");
      Ok(D);
    }));
    EXPECT_EQ(Rec.Detail, Stored > 0 ? 2 : 0);
  }
}

TEST_F(ItemDialogTest, DetailStepsAndLeavingTheFieldKeepTheRange) {
  struct TCase {
    const char* Text;
    Qt::Key Key; // Tab: the focus leaves
    const char* After;
  } const Cases[] = {
      {"7", Qt::Key_Up, "2"},   {"7", Qt::Key_Down, "2"},    {"", Qt::Key_Up, "1"},
      {"1,5", Qt::Key_Up, "1"}, {"-9", Qt::Key_Down, "0"},   {"2", Qt::Key_Up, "2"},
      {"0", Qt::Key_Down, "0"}, {"1", Qt::Key_Down, "0"},    {"7", Qt::Key_Tab, "2"},
      {"-5", Qt::Key_Tab, "0"}, {"1,5", Qt::Key_Tab, "1,5"}, {"+1", Qt::Key_Tab, "+1"},
  };
  EXPECT_FALSE(Show(nullptr, [&Cases](QDialog* D) {
    auto* Detail = Child<QAbstractSpinBox>(D, "eDetail");
    for (const TCase& C : Cases) {
      SCOPED_TRACE(testing::Message() << C.Text << " key " << C.Key);
      Retype(Detail, QString::fromUtf8(C.Text));
      QTest::keyClick(Detail, C.Key);
      EXPECT_EQ(Detail->text(), QString::fromUtf8(C.After));
    }
    D->close();
  }));
}

// The price shows two decimals. While its text stays as shown, OK keeps the
// record's cost whole, after a change of name too; another typed price is read.
TEST_F(ItemDialogTest, CostLeftAsShownIsKeptAndATypedOneIsRead) {
  struct TCase {
    TRegional Regional;
    double Cost;
    const char* Shown;
    const char* Typed; // null: the price is left alone
    double Stored;
  } const Cases[] = {
      {CommaRegional(), 0.125, "0,13", nullptr, 0.125},
      {StopRegional(), 0.125, "0.13", "0.130", 0.13},
      {CommaRegional(), -3, "-3,00", nullptr, -3},
      {CommaRegional(), 1.23456, "1,23", nullptr, 1.23456},
      {CommaRegional(), 1.23456, "1,23", "1,234", 1.234},
      {CommaRegional(), 9.98E-322, "0,00", nullptr, 9.98E-322},
      {CommaRegional(), 9.98E-322, "0,00", "0", 0},
      // Typed over and back to the shown text: nothing left to read.
      {CommaRegional(), 1.23456, "1,23", "1,23", 1.23456},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Shown << " typed " << (C.Typed ? C.Typed : "nothing"));
    TRegional::SetCurrent(C.Regional);
    TPropRecord Rec = Sample(&Set);
    Rec.Cost = C.Cost;
    EXPECT_TRUE(Show(&Rec, [&C](QDialog* D) {
      EXPECT_EQ(EditText(Child<QLineEdit>(D, "eCost")), QString::fromUtf8(C.Shown));
      Retype(Child<QLineEdit>(D, "eName"), QStringLiteral("Самовар"));
      if (C.Typed)
        Retype(Child<QLineEdit>(D, "eCost"), QString::fromUtf8(C.Typed));
      QTest::keyClick(Child<QLineEdit>(D, "eCost"), Qt::Key_Return);
    }));
    EXPECT_EQ(Rec.Name, QStringLiteral("Самовар"));
    EXPECT_EQ(Rec.Cost, C.Stored);
  }
  // An add shows the last price but stands for no record: what it shows is read.
  EXPECT_TRUE(Show(nullptr, [](QDialog* D) {
    EXPECT_EQ(EditText(Child<QLineEdit>(D, "eCost")), QStringLiteral("1,23"));
    Ok(D);
  }));
  EXPECT_EQ(Form->PropRec()->Cost, 1.23);
}

TEST_F(ItemDialogTest, OkWritesTheSixFieldsAndLeavesIdentityAndOwnRecord) {
  TPropRecord Rec = Sample(&Set);
  const TPropRecord Before = Rec;
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) {
    EXPECT_EQ(Shown(D), QStringList({"Чайник", "1", "ticked", "12,50", "USD", "04.07.2010"}));
    Retype(Child<QLineEdit>(D, "eName"), QString());
    Retype(Child<QAbstractSpinBox>(D, "eDetail"), QStringLiteral("2"));
    QTest::keyClick(Child<QCheckBox>(D, "eDefault"), Qt::Key_Space);
    Retype(Child<QLineEdit>(D, "eCost"), QStringLiteral(" 1,25E1 "));
    Retype(Child<QComboBox>(D, "eCurr"), QStringLiteral("Рубли"));
    Ok(D);
  }));
  EXPECT_EQ(Rec.GUID, Before.GUID);
  EXPECT_EQ(Rec.Parent, &Set);
  EXPECT_EQ(Rec.Name, QString());
  EXPECT_EQ(Rec.Detail, 2);
  EXPECT_FALSE(Rec.Default);
  EXPECT_EQ(Rec.Cost, 12.5);
  EXPECT_EQ(Rec.Curr, QStringLiteral("Рубли"));
  EXPECT_EQ(Child<QComboBox>(Form, "eCurr")->count(), 3);
  EXPECT_EQ(*Form->PropRec(), TPropRecord{});
}

TEST_F(ItemDialogTest, RecordDateIsKeptWithThePickersTimeOfDay) {
  TRegional TwoDigitYears = CommaRegional();
  TwoDigitYears.YearWidth = 2;
  struct TCase {
    TRegional Regional;
    int Year, Month, Day;
    double Time;
    const char* Shown;
  } const Cases[] = {
      {CommaRegional(), 2010, 7, 4, 0.25, "04.07.2010"},
      {StopRegional(), 1899, 12, 29, 0.75, "12/29/1899"},
      {CommaRegional(), 1752, 1, 1, 0, "01.01.1752"},
      {CommaRegional(), 100, 1, 1, 0.5, "01.01.0100"},
      {CommaRegional(), 9999, 12, 31, 0.999, "31.12.9999"},
      {TwoDigitYears, 1950, 2, 28, 0.1, "28.02.50"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Shown);
    TRegional::SetCurrent(C.Regional);
    TPropRecord Rec = Sample(&Set);
    const double Day = *EncodeDate(C.Year, C.Month, C.Day);
    Rec.Date = Day < 0 ? Day - C.Time : Day + C.Time;
    EXPECT_TRUE(Show(&Rec, [&C](QDialog* D) {
      auto* Date = Child<QDateTimeEdit>(D, "eDate");
      EXPECT_EQ(Date->text(), QString::fromUtf8(C.Shown));
      // Passing through the field reads its text back.
      Date->setFocus(Qt::TabFocusReason);
      QTest::keyClick(Date, Qt::Key_Tab);
      Ok(D);
    }));
    int Year = 0, Month = 0, Dd = 0;
    ASSERT_TRUE(DecodeDate(Rec.Date, Year, Month, Dd));
    EXPECT_EQ(QDate(Year, Month, Dd), QDate(C.Year, C.Month, C.Day));
    EXPECT_NEAR(std::fabs(Rec.Date - Day), PickerTime, 1e-9);
  }
}

// A stored date that the picker cannot show (a year below 100) stays as it
// was, unless the user picks another.
TEST_F(ItemDialogTest, DateThePickerCannotShowStaysUnlessChanged) {
  TRegional::SetCurrent(CommaRegional());
  TPropRecord Rec = Sample(&Set);
  const double Stored = *EncodeDate(50, 7, 4) + 0.5;
  Rec.Date = Stored;
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) { Ok(D); }));
  EXPECT_EQ(Rec.Date, Stored);
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) {
    Child<QDateTimeEdit>(D, "eDate")->setDate(QDate(2010, 7, 4));
    Ok(D);
  }));
  EXPECT_EQ(std::floor(Rec.Date), *EncodeDate(2010, 7, 4));
}

TEST_F(ItemDialogTest, LongTextsSurviveAnEdit) {
  TPropRecord Rec = Sample(&Set);
  Rec.Name = QString(40000, u'н');
  Rec.Curr = QString(40001, u'c');
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) { Ok(D); }));
  EXPECT_EQ(Rec.Name.size(), 40000);
  EXPECT_EQ(Rec.Curr.size(), 40001);
}

TEST_F(ItemDialogTest, TypedDateIsStoredAsShownEvenBeforeThePickerTakesItIn) {
  TPropRecord Rec = Sample(&Set);
  Rec.Date = *EncodeDate(2010, 3, 19);
  EXPECT_TRUE(Show(&Rec, [](QDialog* D) {
    auto* Date = Child<TDatePicker>(D, "eDate");
    Date->SetYearClock([] { return 2026; });
    QApplication::setActiveWindow(D);
    Date->setFocus(Qt::OtherFocusReason);
    Date->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(Date, QStringLiteral("99"));
    EXPECT_EQ(Date->text(), QStringLiteral("19.03.99"));
    QTest::keyClick(Date, Qt::Key_Return);
  }));
  int Year = 0, Month = 0, Day = 0;
  ASSERT_TRUE(DecodeDate(Rec.Date, Year, Month, Day));
  EXPECT_EQ(QDate(Year, Month, Day), QDate(1999, 3, 19));
}

// The separators typed between the numbers step through the date's sections
// and never move the focus on to the name. Whatever date the field showed, the
// typed one is stored; one that does not exist is refused and stays shown.
TEST_F(ItemDialogTest, DateTypedAsShownAfterSelectAll) {
  const struct {
    QDate Start;
    const char* Typed;
    QDate Stored; // null: refused
  } Cases[] = {
      {QDate(2010, 7, 4), "05.06.2021.", QDate(2021, 6, 5)},
      {QDate(2010, 7, 4), "5.6.2021", QDate(2021, 6, 5)},
      {QDate(2010, 7, 4), "15.12.2021", QDate(2021, 12, 15)},
      {QDate(2021, 6, 5), "31.01.2022", QDate(2022, 1, 31)},
      {QDate(2024, 2, 28), "31.12.1999", QDate(1999, 12, 31)},
      {QDate(2023, 2, 28), "29.02.2024", QDate(2024, 2, 29)},
      {QDate(2021, 6, 5), "31.04.2022", QDate()},
      {QDate(2010, 7, 4), "29.02.2023", QDate()},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Typed);
    TPropRecord Rec = Sample(&Set);
    Rec.Date = *EncodeDate(C.Start.year(), C.Start.month(), C.Start.day());
    const double Before = Rec.Date;
    Stub.Messages.clear();
    const bool Stored = Show(&Rec, [&C](QDialog* D) {
      auto* Date = Child<QDateTimeEdit>(D, "eDate");
      QApplication::setActiveWindow(D);
      Date->setFocus(Qt::MouseFocusReason);
      QTest::keyClick(Date, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(Date, QString::fromLatin1(C.Typed));
      EXPECT_EQ(QApplication::focusWidget(), Date);
      QTest::keyClick(Date, Qt::Key_Return);
      if (C.Stored.isNull()) {
        EXPECT_TRUE(D->isVisible());
        EXPECT_EQ(Date->text(), QString::fromLatin1(C.Typed));
        QTest::mouseClick(Child<QPushButton>(D, "bOK"), Qt::LeftButton);
        EXPECT_EQ(Date->text(), QString::fromLatin1(C.Typed));
        QTest::keyClick(D, Qt::Key_Escape);
      }
    });
    EXPECT_EQ(Stored, !C.Stored.isNull());
    EXPECT_EQ(Rec.Name, QStringLiteral("Чайник"));
    if (C.Stored.isNull()) {
      EXPECT_EQ(Rec.Date, Before);
      ASSERT_EQ(Stub.Messages.size(), 2);
      EXPECT_TRUE(Stub.Messages[0].Text.contains(QString::fromLatin1(C.Typed)));
      continue;
    }
    int Year = 0, Month = 0, Day = 0;
    ASSERT_TRUE(DecodeDate(Rec.Date, Year, Month, Day));
    EXPECT_EQ(QDate(Year, Month, Day), C.Stored);
  }
}

TEST_F(ItemDialogTest, EnterConfirmsAndEscapeCancelsFromEveryControl) {
  ExpectKeys(
      {
          {"eName", Qt::Key_Return, Qt::NoModifier, true},
          {"eDetail", Qt::Key_Return, Qt::ShiftModifier, true},
          {"eDefault", Qt::Key_Return, Qt::NoModifier, true},
          {"eCost", Qt::Key_Enter, Qt::KeypadModifier, true},
          {"eCurr", Qt::Key_Return, Qt::ControlModifier, true},
          {"eDate", Qt::Key_Return, Qt::ShiftModifier, true},
          {"bOK", Qt::Key_Return, Qt::NoModifier, true},
          {"bCancel", Qt::Key_Return, Qt::NoModifier, false},
          {"eDetail", Qt::Key_Escape, Qt::NoModifier, false},
          {"eCurr", Qt::Key_Escape, Qt::NoModifier, false},
          {"eDate", Qt::Key_Escape, Qt::ShiftModifier, false},
          {"bOK", Qt::Key_Escape, Qt::NoModifier, false},
      },
      Sample(&Set), "eCurr", 3, QStringLiteral("CHF"), &TPropRecord::Curr);
  EXPECT_TRUE(Stub.Messages.isEmpty());
}

} // namespace
