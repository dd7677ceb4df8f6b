// Qt's own consistency checks over the models of the main window's two lists
// and the test view, while the commands change them.

#include "test_main_fixture.h"

#include <QAbstractItemModelTester>
#include <QSlider>

namespace {

QStringList GModelFailures;

void RecordModelFailure(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Type != QtDebugMsg && Context.category && QByteArray(Context.category) == "qt.modeltest")
    GModelFailures.append(Text);
}

class ModelTest : public TMainFixture {};

TEST_F(ModelTest, ListModelsPassQtsModelTester) {
  const PTypeRecord A = AddSet(QStringLiteral("A"));
  AddItem(A, QStringLiteral("a1"));
  AddItem(AddSet(QStringLiteral("B")), QStringLiteral("b1"));
  AddItem(A, QStringLiteral("a2"));
  CreateWindow();
  GModelFailures.clear();
  const QtMessageHandler Previous = qInstallMessageHandler(RecordModelFailure);
  {
    using TMode = QAbstractItemModelTester::FailureReportingMode;
    auto* TestItems = FormCollections->findChild<QTreeView*>(QStringLiteral("ListItems"));
    ASSERT_NE(TestItems, nullptr);
    QAbstractItemModelTester Types(Form->ListTypes()->model(), TMode::Warning);
    QAbstractItemModelTester Props(Form->ListProps()->model(), TMode::Warning);
    QAbstractItemModelTester Items(TestItems->model(), TMode::Warning);

    Form->RefillLists();
    ClickRow(Form->ListTypes(), 0);
    Stub.DialogAnswers.push_back([](QDialog* D) {
      SetText(D, "eName", QStringLiteral("a3"));
      Click(D, "bOK");
    });
    Trigger("AAddProp");
    ClickRow(Form->ListProps(), 1);
    Trigger("ARemoveProp");
    Stub.DialogAnswers.push_back([](QDialog* D) {
      auto* Detail = D->findChild<QSlider*>(QStringLiteral("eDetail"));
      Detail->setValue(2);
      Detail->setValue(0);
      Click(D, "Button2");
    });
    Trigger("AShowTest");
    Trigger("ARemoveType");
    for (const char* Step : {"AUndo", "AUndo", "ARedo", "ARedo"})
      Trigger(Step);
    Stub.SaveAnswers = {TSaveAnswer::Discard};
    Trigger("ANewFile");
  }
  qInstallMessageHandler(Previous);
  EXPECT_EQ(Stub.ShownDialogs.size(), 2);
  EXPECT_TRUE(GModelFailures.isEmpty()) << GModelFailures.join(u'\n').toStdString();
}

} // namespace
