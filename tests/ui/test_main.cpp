// The main window's lists, the enabling rule and the six editing commands.

#include "test_main_fixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>

#include <functional>

namespace {

class MainListsTest : public TMainFixture {
public:
  // A and B interleave in the item list; C has no items.
  void Fill() {
    A = AddSet(QStringLiteral("Кухня"), QStringLiteral("Russian"), QStringLiteral("Russia"));
    B = AddSet(QStringLiteral("Garage"), QStringLiteral("English"), QStringLiteral("UK"));
    C = AddSet(QStringLiteral("Empty"));
    A1 = AddItem(A, QStringLiteral("Чайник"), 12.5, true);
    B1 = AddItem(B, QStringLiteral("Jack"));
    A2 = AddItem(A, QStringLiteral("Ложка"), 2);
    B2 = AddItem(B, QStringLiteral("Tyre"));
    A3 = AddItem(A, QStringLiteral("Плита"));
    CreateWindow();
    Form->RefillLists();
    Form->UpdateButtons();
  }

  QTreeView* Types() const { return Form->ListTypes(); }
  QTreeView* Props() const { return Form->ListProps(); }

  struct TEnabled {
    bool AddProp, EditProp, RemoveProp, EditType, RemoveType;
  };

  void ExpectEnabled(const TEnabled& E) {
    EXPECT_EQ(Act("AAddProp")->isEnabled(), E.AddProp);
    EXPECT_EQ(Act("AEditProp")->isEnabled(), E.EditProp);
    EXPECT_EQ(Act("ARemoveProp")->isEnabled(), E.RemoveProp);
    EXPECT_EQ(Act("AEditType")->isEnabled(), E.EditType);
    EXPECT_EQ(Act("ARemoveType")->isEnabled(), E.RemoveType);
    for (const char* Always :
         {"ANewFile", "AOpen", "ASave", "ASaveAs", "AAddType", "AShowTest", "N5", "N9"})
      EXPECT_TRUE(Act(Always)->isEnabled()) << Always;
  }

  PTypeRecord A = nullptr, B = nullptr, C = nullptr;
  PPropRecord A1 = nullptr, B1 = nullptr, A2 = nullptr, B2 = nullptr, A3 = nullptr;
};

TEST_F(MainListsTest, EnablingRuleFollowsBothSelections) {
  struct TCase {
    const char* Name;
    std::function<void(MainListsTest&)> Do;
    TEnabled Expected;
  };
  const TCase Cases[] = {
      {"nothing selected", [](MainListsTest&) {}, {false, false, false, false, false}},
      {"set without items",
       [](MainListsTest& T) { ClickRow(T.Types(), 2); },
       {true, false, false, true, true}},
      {"set with items",
       [](MainListsTest& T) { ClickRow(T.Types(), 0); },
       {true, true, true, true, true}},
      {"item clicked off",
       [](MainListsTest& T) {
         ClickRow(T.Types(), 0);
         ClickEmpty(T.Props());
       },
       {true, false, false, true, true}},
      {"set clicked off",
       [](MainListsTest& T) {
         ClickRow(T.Types(), 0);
         ClickEmpty(T.Types());
       },
       {false, true, true, false, false}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    DB.Clear();
    Fill();
    Case.Do(*this);
    ExpectEnabled(Case.Expected);
  }
}

TEST_F(MainListsTest, RowsShowRecordsInDatabaseOrder) {
  Fill();
  EXPECT_EQ(Column(Types(), 0), QStringList({"Кухня", "Garage", "Empty"}));
  EXPECT_EQ(Column(Types(), 1), QStringList({"Russia", "UK", "Russia"}));
  EXPECT_EQ(Column(Types(), 2), QStringList({"Russian", "English", "Russian"}));
  EXPECT_EQ(Selected(Types()), -1);
  EXPECT_EQ(Props()->model()->rowCount(), 0);

  ClickRow(Types(), 0);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита"}));
  EXPECT_EQ(Column(Props(), 1), QStringList({"04.07.2010", "04.07.2010", "04.07.2010"}));
  EXPECT_EQ(Column(Props(), 2), QStringList({"Да", "Нет", "Нет"}));
  EXPECT_EQ(Column(Props(), 3), QStringList({"12,5", "2", "1"}));
  EXPECT_EQ(Selected(Props()), 0);

  // Moving to another set lists only that set's items.
  ClickRow(Types(), 1);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Jack", "Tyre"}));
  EXPECT_EQ(Selected(Props()), 0);
  ClickRow(Types(), 2);
  EXPECT_EQ(Props()->model()->rowCount(), 0);
}

TEST_F(MainListsTest, FocusMarksNoRowWithoutASelection) {
  Fill();
  QApplication::setActiveWindow(Form);
  Props()->setFocus(Qt::TabFocusReason);
  Types()->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  ASSERT_TRUE(Types()->hasFocus());
  EXPECT_FALSE(Types()->currentIndex().isValid());
  // The focused list's border, and only its, is in the highlight colour.
  const auto Border = [](QTreeView* View) {
    return View->grab().toImage().pixelColor(0, View->height() / 2);
  };
  const QColor Highlight = Types()->palette().color(QPalette::Highlight);
  EXPECT_EQ(Border(Types()), Highlight);
  EXPECT_NE(Border(Props()), Highlight);
  // The keys still reach the rows.
  QTest::keyClick(Types(), Qt::Key_Down);
  EXPECT_EQ(Selected(Types()), 0);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита"}));
}

TEST_F(MainListsTest, ClickOnEmptySpaceShowsLastSetAgain) {
  Fill();
  ClickRow(Types(), 0);
  ClickRow(Props(), 2);
  ClickEmpty(Types());
  EXPECT_EQ(Selected(Types()), -1);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита"}));
  EXPECT_EQ(Selected(Props()), 0);

  // The item commands still act on that set's items.
  Trigger("ARemoveProp");
  EXPECT_EQ(Column(Props(), 0), QStringList({"Ложка", "Плита"}));
  EXPECT_EQ(DB.PropCount(), 4);
  EXPECT_EQ(DB.Props(0), B1);
}

TEST_F(MainListsTest, CancelledAddsChangeNothing) {
  Fill();
  ClickRow(Types(), 0);
  const auto Cancel = [](QDialog* D) { Click(D, "bCancel"); };
  Stub.DialogAnswers = {Cancel, Cancel};
  Trigger("AAddType");
  Trigger("AAddProp");
  EXPECT_EQ(Stub.ShownDialogs, QList<QDialog*>({FormType, FormProp}));
  EXPECT_EQ(DB.TypeCount(), 3);
  EXPECT_EQ(DB.PropCount(), 5);
  EXPECT_EQ(Column(Types(), 0), QStringList({"Кухня", "Garage", "Empty"}));
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита"}));
}

TEST_F(MainListsTest, AddedSetIsLastUnselectedWithFreshGuid) {
  Fill();
  ClickRow(Types(), 0);
  ClickRow(Props(), 1);
  const auto Ok = [](const QString& Name) {
    return [Name](QDialog* D) {
      SetText(D, "eName", Name);
      Click(D, "bOK");
    };
  };
  // Two adds in a row: the dialog's own record is the same both times.
  Stub.DialogAnswers = {Ok(QStringLiteral("Новый")), Ok(QStringLiteral("Ещё"))};
  Trigger("AAddType");
  Trigger("AAddType");

  ASSERT_EQ(DB.TypeCount(), 5);
  EXPECT_EQ(Column(Types(), 0), QStringList({"Кухня", "Garage", "Empty", "Новый", "Ещё"}));
  EXPECT_EQ(DB.Types(3)->Name, QStringLiteral("Новый"));
  EXPECT_EQ(Selected(Types()), 0);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита"}));
  EXPECT_EQ(Selected(Props()), 1);
  for (int I = 0; I < DB.TypeCount(); ++I)
    for (int J = 0; J < DB.TypeCount(); ++J)
      if (I != J) {
        EXPECT_NE(DB.Types(I)->GUID, DB.Types(J)->GUID) << I << " " << J;
      }
  EXPECT_NE(DB.Types(3)->GUID, TGUID{});
}

TEST_F(MainListsTest, AddedItemKeepsItsSetAndComesLast) {
  Fill();
  ClickRow(Types(), 0);
  Stub.DialogAnswers = {[](QDialog* D) {
    SetText(D, "eName", QStringLiteral("Нож"));
    SetText(D, "eCost", QStringLiteral("3,5"));
    Click(D, "bOK");
  }};
  Trigger("AAddProp");

  ASSERT_EQ(DB.PropCount(), 6);
  const PPropRecord New = DB.Props(5);
  EXPECT_EQ(New->Parent, A);
  EXPECT_EQ(New->Name, QStringLiteral("Нож"));
  EXPECT_EQ(New->Cost, 3.5);
  for (int I = 0; I < 5; ++I)
    EXPECT_NE(DB.Props(I)->GUID, New->GUID);
  EXPECT_NE(New->GUID, TGUID{});
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита", "Нож"}));
  EXPECT_EQ(Selected(Props()), 0);

  ClickRow(Types(), 1);
  ClickRow(Types(), 0);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Ложка", "Плита", "Нож"}));
}

TEST_F(MainListsTest, RemovingSetTakesItsInterleavedItems) {
  Fill();
  ClickRow(Types(), 0);
  Trigger("ARemoveType");

  EXPECT_EQ(DB.TypeCount(), 2);
  ASSERT_EQ(DB.PropCount(), 2);
  EXPECT_EQ(DB.Props(0), B1);
  EXPECT_EQ(DB.Props(1), B2);
  EXPECT_EQ(Column(Types(), 0), QStringList({"Garage", "Empty"}));
  EXPECT_EQ(Props()->model()->rowCount(), 0);
  EXPECT_EQ(Selected(Types()), -1);
  EXPECT_EQ(Selected(Props()), -1);
  ExpectEnabled({false, false, false, false, false});
  EXPECT_TRUE(Stub.Messages.isEmpty());
  EXPECT_TRUE(Stub.ShownDialogs.isEmpty());

  ClickRow(Types(), 0);
  EXPECT_EQ(Column(Props(), 0), QStringList({"Jack", "Tyre"}));
}

TEST_F(MainListsTest, RemovingItemLeavesNothingSelected) {
  Fill();
  ClickRow(Types(), 0);
  ClickRow(Props(), 1);
  Trigger("ARemoveProp");
  EXPECT_EQ(Column(Props(), 0), QStringList({"Чайник", "Плита"}));
  EXPECT_EQ(DB.PropCount(), 4);
  EXPECT_EQ(Selected(Props()), -1);
  EXPECT_EQ(Selected(Types()), 0);
  ExpectEnabled({true, false, false, true, true});
}

TEST_F(MainListsTest, HandlersCheckTheirOwnSelection) {
  Fill();
  // Disabled actions do not run; the handlers are called directly.
  Form->AEditTypeExecute();
  Form->ARemoveTypeExecute();
  Form->AAddPropExecute();
  Form->AEditPropExecute();
  Form->ARemovePropExecute();
  EXPECT_TRUE(Stub.ShownDialogs.isEmpty());
  EXPECT_EQ(DB.TypeCount(), 3);
  EXPECT_EQ(DB.PropCount(), 5);
}

TEST_F(MainListsTest, DoubleClicksEditTheRowUnderTheMouse) {
  Fill();
  QString Shown;
  Stub.DialogAnswers = {
      [&Shown](QDialog* D) {
        Shown = Text(D, "eName");
        D->findChild<QComboBox*>(QStringLiteral("eCountry"))->setEditText(QStringLiteral("Wales"));
        Click(D, "bOK");
      },
      [&Shown](QDialog* D) {
        Shown = Text(D, "eName");
        SetText(D, "eName", QStringLiteral("Jack 2"));
        Click(D, "bOK");
      }};
  DoubleClickRow(Types(), 1);
  ASSERT_EQ(Stub.ShownDialogs.size(), 1);
  EXPECT_EQ(Stub.ShownDialogs.at(0), FormType);
  EXPECT_EQ(Shown, QStringLiteral("Garage"));
  EXPECT_EQ(B->Country, QStringLiteral("Wales"));
  EXPECT_EQ(Column(Types(), 1).at(1), QStringLiteral("Wales"));

  DoubleClickRow(Props(), 0);
  ASSERT_EQ(Stub.ShownDialogs.size(), 2);
  EXPECT_EQ(Stub.ShownDialogs.at(1), FormProp);
  EXPECT_EQ(Shown, QStringLiteral("Jack"));
  EXPECT_EQ(B1->Name, QStringLiteral("Jack 2"));
  EXPECT_EQ(Column(Props(), 0).at(0), QStringLiteral("Jack 2"));
  EXPECT_EQ(DB.PropCount(), 5);
}

TEST_F(MainListsTest, CostShowsGeneralFormWhileDialogShowsTwoDecimals) {
  struct TCase {
    TRegional Regional;
    const char* Dialog;
  };
  for (const TCase& Case : {TCase{CommaRegional(), "2,00"}, TCase{StopRegional(), "2.00"}}) {
    SCOPED_TRACE(Case.Dialog);
    TRegional::SetCurrent(Case.Regional);
    DB.Clear();
    Fill();
    ClickRow(Types(), 0);
    ClickRow(Props(), 1);
    EXPECT_EQ(Column(Props(), 3).at(1), QStringLiteral("2"));
    QString Shown;
    Stub.DialogAnswers = {[&Shown](QDialog* D) {
      Shown = Text(D, "eCost");
      Click(D, "bCancel");
    }};
    Trigger("AEditProp");
    EXPECT_EQ(Shown, QLatin1String(Case.Dialog));
    EXPECT_EQ(A2->Cost, 2);
  }
}

TEST_F(MainListsTest, ToolBarShowsPicturesButNoTooltips) {
  CreateWindow();
  auto* Bar = Form->findChild<QToolBar*>(QStringLiteral("ToolBar1"));
  ASSERT_NE(Bar, nullptr);
  int Buttons = 0;
  for (QAction* Action : Bar->actions()) {
    if (Action->isSeparator())
      continue;
    ++Buttons;
    SCOPED_TRACE(Action->objectName().toStdString());
    EXPECT_FALSE(Action->icon().pixmap(16, 16).isNull());
    QWidget* Button = Bar->widgetForAction(Action);
    QHelpEvent Help(QEvent::ToolTip, QPoint(2, 2), Button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(Button, &Help);
    EXPECT_FALSE(QToolTip::isVisible());
  }
  EXPECT_EQ(Buttons, 11);
  // The set and item variants share one picture each.
  for (const auto& [Set, Item] : {std::pair{"AAddType", "AAddProp"},
                                  {"AEditType", "AEditProp"},
                                  {"ARemoveType", "ARemoveProp"}})
    EXPECT_EQ(Act(Set)->icon().pixmap(16, 16).toImage(), Act(Item)->icon().pixmap(16, 16).toImage())
        << Set;
  // The first split leaves both lists room for all their columns.
  for (const QTreeView* View : {Form->ListTypes(), Form->ListProps()})
    EXPECT_LE(View->header()->length(), View->viewport()->width())
        << View->objectName().toStdString();
}

TEST_F(MainListsTest, HintsNeverHideTheFileName) {
  CreateWindow();
  Form->SetFileName(QStringLiteral("a.vsxml"));
  auto* Panel = Form->findChild<QLabel*>(QStringLiteral("StatusPanel"));
  ASSERT_NE(Panel, nullptr);
  const std::pair<const char*, const char*> Hints[] = {
      {"ANewFile", ""},
      {"AOpen", "Открыть..."},
      {"AAddProp", "содержимое"},
      {"AEditProp", "содержимое"},
      {"ARemoveProp", "Удалить содержимое"},
  };
  auto* Bar = Form->findChild<QToolBar*>(QStringLiteral("ToolBar1"));
  for (const auto& [Name, Hint] : Hints) {
    SCOPED_TRACE(Name);
    EXPECT_EQ(Act(Name)->statusTip(), QString::fromUtf8(Hint));
    // What hovering a tool button does.
    Act(Name)->showStatusText(Bar->widgetForAction(Act(Name)));
    EXPECT_TRUE(Panel->isVisible());
    EXPECT_EQ(Panel->text(), QStringLiteral("a.vsxml"));
    EXPECT_TRUE(Form->statusBar()->currentMessage().isEmpty());
  }
}

} // namespace
