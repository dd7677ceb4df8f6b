#pragma once

// The set and item dialogs shown through the modal stub over an owner window
// and driven with key and mouse events.

#include "test_window_fixture.h"

#include "database/Text.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <initializer_list>

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

class TDialogFixture : public TWindowFixture {
protected:
  void SetUp() override {
    Owner = new QWidget;
    Owner->resize(900, 700);
    Owner->show();
    QApplication::processEvents();
  }

  void TearDown() override { delete Owner; }

  QWidget* Owner = nullptr;
};

// A dialog of type TForm over the owner, editing records of type TRecord.
template <class TForm, class TRecord> class TEditDialogFixture : public TDialogFixture {
protected:
  void SetUp() override {
    TDialogFixture::SetUp();
    Form = new TForm(Owner);
  }

  // Shows the dialog with Rec (or none) and lets Answer close it.
  bool Show(TRecord* Rec, std::function<void(QDialog*)> Answer) {
    Stub.DialogAnswers.push_back(std::move(Answer));
    return Form->ShowEdit(Rec);
  }

  struct TKeyCase {
    const char* Control;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    bool Confirmed;
  };

  // Shows Sample once a case: types Typed into the box Box, which holds
  // BoxItems items, and presses the key in the control. Only a confirming key
  // closes the dialog accepted and stores Typed in Field.
  void ExpectKeys(std::initializer_list<TKeyCase> Cases, const TRecord& Sample, const char* Box,
                  int BoxItems, const QString& Typed, TText TRecord::*Field) {
    int Accepted = 0;
    const QMetaObject::Connection Counting =
        QObject::connect(Form, &QDialog::accepted, [&Accepted] { ++Accepted; });
    for (const TKeyCase& C : Cases) {
      SCOPED_TRACE(testing::Message() << C.Control << " key " << C.Key);
      TRecord Rec = Sample;
      Accepted = 0;
      const bool Result = Show(&Rec, [&](QDialog* D) {
        Retype(Child<QComboBox>(D, Box), Typed);
        auto* Target = Child<QWidget>(D, C.Control);
        Target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Target, C.Key, C.Modifiers);
        // The key goes to no control: the box takes no new item.
        EXPECT_EQ(Child<QComboBox>(D, Box)->count(), BoxItems);
        EXPECT_EQ(EditText(Child<QComboBox>(D, Box)), Typed);
      });
      EXPECT_EQ(Result, C.Confirmed);
      EXPECT_EQ(Accepted, C.Confirmed ? 1 : 0);
      EXPECT_EQ(Rec.*Field, C.Confirmed ? Typed : Sample.*Field);
      EXPECT_FALSE(Form->isVisible());
    }
    QObject::disconnect(Counting);
  }

  TForm* Form = nullptr;
};
