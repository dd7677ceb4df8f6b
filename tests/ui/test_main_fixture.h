#pragma once

// The main window as the program entry builds it, with the dialogs and the
// test view as its children, driven through the real widgets.

#include "app/Main.h"
#include "dialogs/Description.h"
#include "dialogs/SetC.h"
#include "test_window_fixture.h"
#include "tests/TestRecords.h"
#include "testview/Collections.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

class TMainFixture : public TWindowFixture {
protected:
  void TearDown() override { DestroyWindow(); }

  void CreateWindow(const QStringList& Args = {}) {
    DestroyWindow();
    Form = new TMainForm(&DB, Args);
    FormCollections = new TFormCollections(Form);
    FormProp = new TFormProp(Form);
    FormType = new TFormType(Form);
    Form->SetDialogs({FormCollections, FormProp, FormType});
    Form->show();
    QApplication::processEvents();
  }

  void DestroyWindow() {
    delete Form;
    Form = nullptr;
    FormCollections = nullptr;
    FormProp = nullptr;
    FormType = nullptr;
  }

  QAction* Act(const char* Name) const {
    auto* Action = Form->findChild<QAction*>(QLatin1String(Name));
    EXPECT_NE(Action, nullptr) << Name;
    return Action;
  }

  void Trigger(const char* Name) {
    Act(Name)->trigger();
    QApplication::processEvents();
  }

  static void ClickRow(QTreeView* View, int Row) {
    const QRect Rect = View->visualRect(View->model()->index(Row, 0));
    ASSERT_TRUE(Rect.isValid()) << "row " << Row;
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, Rect.center());
    QApplication::processEvents();
  }

  static void DoubleClickRow(QTreeView* View, int Row) {
    const QPoint Pos = View->visualRect(View->model()->index(Row, 0)).center();
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, Pos);
    QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, Pos);
    QApplication::processEvents();
  }

  static void ClickEmpty(QTreeView* View) {
    const QPoint Pos(20, View->viewport()->height() - 4);
    ASSERT_FALSE(View->indexAt(Pos).isValid()) << "the rows fill the list";
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, Pos);
    QApplication::processEvents();
  }

  static QStringList Column(const QTreeView* View, int Col) {
    QStringList Texts;
    for (int Row = 0; Row < View->model()->rowCount(); ++Row)
      Texts.append(View->model()->index(Row, Col).data().toString());
    return Texts;
  }

  static int Selected(const QTreeView* View) {
    const QModelIndexList Rows = View->selectionModel()->selectedRows();
    return Rows.isEmpty() ? -1 : Rows.constFirst().row();
  }

  QString StatusText() const {
    return Form->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text();
  }

  PTypeRecord AddSet(const QString& Name, const QString& Language = QStringLiteral("Russian"),
                     const QString& Country = QStringLiteral("Russia")) {
    const PTypeRecord Rec = AddTestSet(DB, Name, Language, Country);
    NewGUID(Rec->GUID);
    return Rec;
  }

  PPropRecord AddItem(PTypeRecord Set, const QString& Name, double Cost = 1, bool Default = false) {
    const PPropRecord Rec = AddTestItem(
        DB, Set, Name, {.Default = Default, .Cost = Cost, .Date = *EncodeDate(2010, 7, 4)});
    NewGUID(Rec->GUID);
    return Rec;
  }

  static void Click(QDialog* Dialog, const char* Button) {
    auto* Push = Dialog->findChild<QPushButton*>(QLatin1String(Button));
    ASSERT_NE(Push, nullptr) << Button;
    QTest::mouseClick(Push, Qt::LeftButton);
  }

  static void SetText(QDialog* Dialog, const char* Edit, const QString& Text) {
    auto* Line = Dialog->findChild<QLineEdit*>(QLatin1String(Edit));
    ASSERT_NE(Line, nullptr) << Edit;
    Line->setText(Text);
  }

  static QString Text(QDialog* Dialog, const char* Edit) {
    auto* Line = Dialog->findChild<QLineEdit*>(QLatin1String(Edit));
    return Line ? Line->text() : QStringLiteral("<no %1>").arg(QLatin1String(Edit));
  }

  TPropDB DB;
  TMainForm* Form = nullptr;
  TFormCollections* FormCollections = nullptr;
  TFormProp* FormProp = nullptr;
  TFormType* FormType = nullptr;
};
