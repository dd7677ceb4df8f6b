// Unsaved changes: the question before they are discarded, the undo history
// and its keys, and no file replaced without a question.

#include "test_main_fixture.h"
#include "tests/TestSetFile.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <bit>
#include <functional>
#include <random>

namespace {

class HistoryTest : public TMainFixture {
protected:
  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  static QByteArray Bytes(const QString& File) {
    QFile In(File);
    return In.open(QIODevice::ReadOnly) ? In.readAll() : QByteArray("<missing>");
  }

  // A set file of Sets sets written by the database itself.
  QString WriteSetFile(const QString& Name, int Sets) {
    TPropDB Other;
    for (int I = 0; I < Sets; ++I) {
      PTypeRecord Set = Other.AddType();
      NewGUID(Set->GUID);
      Set->Name = QStringLiteral("Set %1").arg(I);
    }
    EXPECT_TRUE(SaveToXML(Other, Path(Name), TRegional::Current()));
    return Path(Name);
  }

  // "Добавить набор" answered with OK: the document has unsaved changes.
  void AddSetByCommand() {
    Stub.DialogAnswers.push_back([](QDialog* D) {
      SetText(D, "eName", QStringLiteral("Новый"));
      Click(D, "bOK");
    });
    Trigger("AAddType");
  }

  void DropFile(const QString& File) {
    QMimeData Data;
    Data.setUrls({QUrl::fromLocalFile(File)});
    const QPointF At = Form->rect().center();
    QDragEnterEvent Enter(At.toPoint(), Qt::CopyAction, &Data, Qt::LeftButton, {});
    QApplication::sendEvent(Form, &Enter);
    QDropEvent Dropped(At, Qt::CopyAction, &Data, Qt::LeftButton, {});
    QApplication::sendEvent(Form, &Dropped);
    QApplication::processEvents();
  }

  QString Caption() const { return Form->windowHandle()->title(); }

  QTemporaryDir Dir;
};

TEST_F(HistoryTest, DiscardingUnsavedChangesIsAskedFirst) {
  const QString Other = WriteSetFile(QStringLiteral("other.vsxml"), 2);
  struct TTrigger {
    const char* Name;
    std::function<void()> Run;
    int TypesAfter; // once the command went on; -1: the document stays
  };
  const TTrigger Triggers[] = {
      {"new", [&] { Trigger("ANewFile"); }, 0}, {"open", [&] { Trigger("AOpen"); }, 2},
      {"drop", [&] { DropFile(Other); }, 2},    {"exit", [&] { Trigger("N5"); }, -1},
      {"close", [&] { Form->close(); }, -1},
  };
  struct TAnswer {
    const char* Name;
    TSaveAnswer Answer;
    bool Named;     // the document has the file it was loaded from
    bool SaveFails; // that file's folder is gone
    bool GoesOn;
  };
  const TAnswer Answers[] = {
      {"save", TSaveAnswer::Save, true, false, true},
      {"save fails", TSaveAnswer::Save, true, true, false},
      {"save dialog cancelled", TSaveAnswer::Save, false, false, false},
      {"don't save", TSaveAnswer::Discard, true, false, true},
      {"cancel", TSaveAnswer::Cancel, true, false, false},
  };
  int Case = 0;
  for (const TTrigger& When : Triggers) {
    for (const TAnswer& Answer : Answers) {
      SCOPED_TRACE(testing::Message() << When.Name << ", " << Answer.Name);
      Stub.Messages.clear();
      Stub.SaveQuestions.clear();
      const QString Folder = Path(QString::number(++Case));
      const QString File = Folder + QStringLiteral("/s.vsxml");
      ASSERT_TRUE(QDir().mkdir(Folder));
      ASSERT_TRUE(QFile::copy(WriteSetFile(QStringLiteral("s.vsxml"), 3), File));
      const QByteArray Before = Bytes(File);
      CreateWindow(Answer.Named ? QStringList{File} : QStringList{});
      AddSetByCommand();
      const int Edited = DB.TypeCount();
      EXPECT_EQ(Caption(), QStringLiteral("Редактор наборов имущества*"));
      if (Answer.SaveFails)
        QDir(Folder).removeRecursively();
      if (!Answer.Named)
        Stub.FileAnswers.push_back(QString());
      if (Answer.GoesOn && QByteArray(When.Name) == "open")
        Stub.FileAnswers.push_back(Other);
      Stub.SaveAnswers = {Answer.Answer};
      When.Run();

      EXPECT_EQ(Stub.SaveQuestions,
                QStringList(Answer.Named
                                ? QStringLiteral("Сохранить изменения в «s.vsxml»?")
                                : QStringLiteral("Сохранить изменения в новом документе?")));
      EXPECT_TRUE(Stub.FileAnswers.empty());
      EXPECT_EQ(Form->isVisible(), !Answer.GoesOn || When.TypesAfter >= 0);
      EXPECT_EQ(DB.TypeCount(), Answer.GoesOn && When.TypesAfter >= 0 ? When.TypesAfter : Edited);
      EXPECT_EQ(Form->isWindowModified(),
                !Answer.GoesOn || (Answer.Answer == TSaveAnswer::Discard && When.TypesAfter < 0));
      EXPECT_EQ(Stub.Messages.size(), Answer.SaveFails ? 1 : 0);
      if (Answer.Answer == TSaveAnswer::Save && Answer.Named && !Answer.SaveFails) {
        TPropDB Back;
        EXPECT_TRUE(LoadFromXML(Back, File, TRegional::Current()));
        EXPECT_EQ(Back.TypeCount(), Edited);
      } else {
        EXPECT_EQ(Bytes(File), Answer.SaveFails ? QByteArray("<missing>") : Before);
      }
    }
  }
}

// Removing with Delete, undoing with the keys: the records come back where
// they were, selected, and undoing to the saved state ends the marker.
TEST_F(HistoryTest, KeysRemoveUndoAndRedo) {
  CreateWindow();
  const PTypeRecord Kitchen = AddSet(QStringLiteral("Kitchen"));
  AddItem(Kitchen, QStringLiteral("Kettle"));
  AddItem(AddSet(QStringLiteral("Garage")), QStringLiteral("Jack"));
  AddItem(Kitchen, QStringLiteral("Cup"));
  Form->RefillLists();

  ClickRow(Form->ListTypes(), 0);
  Form->ListTypes()->setFocus();
  QTest::keyClick(Form->ListTypes(), Qt::Key_Delete);
  EXPECT_EQ(DB.TypeCount(), 1);
  EXPECT_EQ(DB.PropCount(), 1);
  EXPECT_EQ(Caption(), QStringLiteral("Редактор наборов имущества*"));

  QTest::keyClick(Form, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Selected(Form->ListTypes()), 0);
  EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Kettle", "Cup"}));
  EXPECT_EQ(Caption(), QStringLiteral("Редактор наборов имущества"));

  ClickRow(Form->ListProps(), 1);
  Form->ListProps()->setFocus();
  QTest::keyClick(Form->ListProps(), Qt::Key_Delete);
  EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Kettle"}));
  for (const auto& Redo :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
    QTest::keyClick(Form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Kettle", "Cup"}));
    EXPECT_EQ(Selected(Form->ListProps()), 1);
    QTest::keySequence(Form, Redo);
    EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Kettle"}));
  }

  // Enter edits the selected row; the edit is undone to its old value.
  Stub.DialogAnswers.push_back([](QDialog* D) {
    SetText(D, "eName", QStringLiteral("Pot"));
    Click(D, "bOK");
  });
  ClickRow(Form->ListProps(), 0);
  QTest::keyClick(Form->ListProps(), Qt::Key_Return);
  EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Pot"}));
  Trigger("AUndo");
  EXPECT_EQ(Column(Form->ListProps(), 0), QStringList({"Kettle"}));
}

TEST_F(HistoryTest, ReplacingAFileIsAskedFirst) {
  for (const bool Export : {false, true}) {
    for (const bool Replace : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << (Export ? "export" : "save as") << ", " << (Replace ? "yes" : "no"));
      CreateWindow();
      AddItem(AddSet(QStringLiteral("Kitchen")), QStringLiteral("Kettle"), 1, true);
      const QString Target = Path(QStringLiteral("old.vsxml"));
      {
        QFile Old(Target);
        ASSERT_TRUE(Old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Old.write("old bytes");
      }
      // The real file dialog and question, answered as a person would.
      bool Typed = false, Asked = false, Exported = false;
      QTimer Answer;
      QObject::connect(&Answer, &QTimer::timeout, [&] {
        QWidget* Modal = QApplication::activeModalWidget();
        if (auto* Box = qobject_cast<QMessageBox*>(Modal)) {
          Asked = true;
          QAbstractButton* Button = Box->button(Replace ? QMessageBox::Yes : QMessageBox::No);
          ASSERT_NE(Button, nullptr);
          QMetaObject::invokeMethod(Button, &QAbstractButton::click, Qt::QueuedConnection);
        } else if (auto* Chooser = qobject_cast<QFileDialog*>(Modal)) {
          if (Typed) {
            Chooser->reject();
            return;
          }
          Typed = true;
          // Typed, as a person does: selectFile waits for the folder's listing.
          auto* Name = Chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
          ASSERT_NE(Name, nullptr);
          Name->setText(Target);
          QMetaObject::invokeMethod(Chooser, &QDialog::accept, Qt::QueuedConnection);
        } else if (Modal == FormCollections) {
          if (Exported) {
            FormCollections->close();
            return;
          }
          Exported = true;
          auto* Save = FormCollections->findChild<QPushButton*>(QStringLiteral("bSaveToFile"));
          ASSERT_NE(Save, nullptr);
          QMetaObject::invokeMethod(Save, &QAbstractButton::click, Qt::QueuedConnection);
        }
      });
      Answer.start(10);
      SetModal(nullptr);
      Trigger(Export ? "AShowTest" : "ASaveAs");
      SetModal(&Stub);
      Answer.stop();
      EXPECT_TRUE(Asked);
      EXPECT_EQ(Bytes(Target) == QByteArray("old bytes"), !Replace);
    }
  }
}

// The records in order, each by its address and its values to the bit.
QStringList Snapshot(const TPropDB& DB) {
  QStringList Out;
  for (int I = 0; I < DB.TypeCount(); ++I) {
    const PTypeRecord T = DB.Types(I);
    Out << QStringLiteral("%1 %2 %3").arg(quintptr(T)).arg(GUIDToString(T->GUID), T->Country);
  }
  for (int I = 0; I < DB.PropCount(); ++I) {
    const PPropRecord P = DB.Props(I);
    Out << QStringLiteral("%1 %2 %3 %4")
               .arg(quintptr(P))
               .arg(GUIDToString(P->GUID))
               .arg(quintptr(P->Parent))
               .arg(std::bit_cast<quint64>(P->Cost));
  }
  return Out;
}

TEST(History, UndoingEverythingGivesTheStartAndRedoingItTheEnd) {
  for (unsigned Seed = 1; Seed <= 8; ++Seed) {
    SCOPED_TRACE(Seed);
    std::mt19937 Random(Seed);
    const auto Pick = [&](int Count) {
      return std::uniform_int_distribution<int>(0, Count - 1)(Random);
    };
    TPropDB DB;
    TEditedDocument Doc(DB);
    for (int I = 0; I < 12; ++I)
      NewGUID(DB.AddProp(I % 4 ? DB.Types(DB.TypeCount() - 1) : DB.AddType())->GUID);
    const QStringList Start = Snapshot(DB);
    for (int Step = 0; Step < 60; ++Step) {
      const int Types = DB.TypeCount(), Props = DB.PropCount(), Command = Pick(6);
      if (Command == 0) {
        const PTypeRecord Set = DB.AddType();
        NewGUID(Set->GUID);
        Doc.Added(Set);
      } else if (Command == 1 && Types > 0) {
        const PTypeRecord Set = DB.Types(Pick(Types));
        const TTypeRecord Before = *Set;
        Set->Country = QString::number(Step);
        Doc.Edited(Set, Before);
      } else if (Command == 2 && Types > 0) {
        EXPECT_TRUE(Doc.Remove(DB.Types(Pick(Types))));
      } else if (Command == 3 && Types > 0) {
        const PPropRecord Item = DB.AddProp(DB.Types(Pick(Types)));
        NewGUID(Item->GUID);
        Doc.Added(Item);
      } else if (Command == 4 && Props > 0) {
        const PPropRecord Item = DB.Props(Pick(Props));
        const TPropRecord Before = *Item;
        // Zero's sign alone is a change that must come back.
        Item->Cost = Pick(2) ? -0.0 : 0.1 * Step;
        Doc.Edited(Item, Before);
      } else if (Command == 5 && Props > 0) {
        EXPECT_TRUE(Doc.Remove(DB.Props(Pick(Props))));
      }
    }
    const QStringList End = Snapshot(DB);
    while (Doc.History().canUndo())
      Doc.History().undo();
    EXPECT_EQ(Snapshot(DB), Start);
    EXPECT_FALSE(Doc.Modified());
    while (Doc.History().canRedo())
      Doc.History().redo();
    EXPECT_EQ(Snapshot(DB), End);
  }
}

} // namespace
