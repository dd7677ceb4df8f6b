#pragma once

// The set and item dialogs shown through the modal stub over an owner window
// and driven with key and mouse events.

#include "ModalStub.h"
#include "regional/Regional.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

inline TRegional CommaRegional() {
  TRegional R;
  R.DateOrder = TDateOrder::DMY;
  R.DayWidth = 2;
  R.MonthWidth = 2;
  R.YearWidth = 4;
  R.DateSeparator = u'.';
  R.DecimalSeparator = u',';
  R.Charset = "UTF-8";
  return R;
}

inline TRegional StopRegional() {
  TRegional R;
  R.DateOrder = TDateOrder::MDY;
  R.DayWidth = 1;
  R.MonthWidth = 1;
  R.YearWidth = 4;
  R.DateSeparator = u'/';
  R.DecimalSeparator = u'.';
  R.Charset = "UTF-8";
  return R;
}

template <class T> T* Child(QWidget* Dialog, const char* Name) {
  T* Found = Dialog->findChild<T*>(QLatin1String(Name));
  EXPECT_NE(Found, nullptr) << Name;
  return Found;
}

// Types Text key by key; QTest::keyClicks knows only Latin-1.
inline void TypeText(QWidget* Field, const QString& Text) {
  for (const QChar C : Text) {
    if (C.unicode() < 0x80) {
      QTest::keyClick(Field, C.toLatin1());
      continue;
    }
    const auto Key = static_cast<Qt::Key>(C.toUpper().unicode());
    QTest::sendKeyEvent(QTest::Press, Field, Key, QString(C), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, Field, Key, QString(C), Qt::NoModifier);
  }
}

// Replaces the text of a line edit or an editable box by typing it.
inline void Retype(QWidget* Field, const QString& Text) {
  Field->setFocus(Qt::TabFocusReason);
  if (auto* Box = qobject_cast<QComboBox*>(Field))
    Box->lineEdit()->selectAll();
  else if (auto* Line = qobject_cast<QLineEdit*>(Field))
    Line->selectAll();
  else
    QTest::keyClick(Field, Qt::Key_A, Qt::ControlModifier);
  if (Text.isEmpty())
    QTest::keyClick(Field, Qt::Key_Delete);
  else
    TypeText(Field, Text);
}

inline QString EditText(QWidget* Field) {
  if (auto* Box = qobject_cast<QComboBox*>(Field))
    return Box->currentText();
  if (auto* Line = qobject_cast<QLineEdit*>(Field))
    return Line->text();
  if (auto* Spin = qobject_cast<QAbstractSpinBox*>(Field))
    return Spin->text();
  return QStringLiteral("<not a text field>");
}

// The names of the controls that Tab visits from eName on, until eName again.
inline QStringList TabWalk(QDialog* Dialog) {
  QStringList Names;
  QWidget* Start = Dialog->findChild<QWidget*>(QStringLiteral("eName"));
  Start->setFocus(Qt::TabFocusReason);
  for (int I = 0; I < 12; ++I) {
    QWidget* Focused = QApplication::focusWidget();
    if (!Focused)
      return {QStringLiteral("<no focus>")};
    // A box or a spin field passes the focus to its inner line edit.
    while (Focused && (Focused->objectName().isEmpty() ||
                       Focused->objectName().startsWith(QLatin1String("qt_"))))
      Focused = Focused->parentWidget();
    if (!Focused || (I > 0 && Focused == Start))
      break;
    Names << Focused->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  return Names;
}

class TDialogFixture : public ::testing::Test {
protected:
  void SetUp() override {
    FSaved = TRegional::Current();
    TRegional::SetCurrent(CommaRegional());
    Owner = new QWidget;
    Owner->resize(900, 700);
    Owner->show();
    QApplication::processEvents();
  }

  void TearDown() override {
    delete Owner;
    TRegional::SetCurrent(FSaved);
  }

  TModalStub Stub;
  QWidget* Owner = nullptr;

private:
  TRegional FSaved;
};
