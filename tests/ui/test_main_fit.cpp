// The main window and the test view as a user first sees them: Qt's own texts
// in Russian, the example unclipped, a save past the file-size limit survived.

#include "test_main_fixture.h"

#include "database/AtomicFile.h"
#include "regional/Translations.h"
#include "tests/TestFailure.h"
#include "tests/TestSetFile.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include <sys/resource.h>

namespace {

const QString Example = QStringLiteral(BRIMSETT_EXAMPLES_DIR "/example.vsxml");

TEST(QtTranslations, RussianButtonsAndFileDialog) {
  QTranslator* Translator = LoadQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
  ASSERT_NE(Translator, nullptr) << "qt6-translations-l10n is not installed";
  QDialogButtonBox Box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(Box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
  QCoreApplication::removeTranslator(Translator);
  delete Translator;
}

class MainFitTest : public TMainFixture {};

// Every text of the example, in every set's item list too, fits its column.
TEST_F(MainFitTest, ExampleFitsAtTheInitialSize) {
  CreateWindow({Example});
  ASSERT_GT(DB.TypeCount(), 0);
  auto ExpectFits = [](const QTreeView* View, int Extra) {
    const QAbstractItemModel* Model = View->model();
    int Sum = 0;
    for (int Col = 0; Col < Model->columnCount(); ++Col) {
      const int Width = View->header()->sectionSize(Col);
      Sum += Width;
      for (int Row = 0; Row < Model->rowCount(); ++Row) {
        const QString Text = Model->index(Row, Col).data().toString();
        EXPECT_LE(View->fontMetrics().horizontalAdvance(Text) + (Col == 0 ? Extra : 0), Width)
            << Text.toStdString();
      }
    }
    EXPECT_LE(Sum, View->viewport()->width()) << View->objectName().toStdString();
  };
  for (int Row = 0; Row < DB.TypeCount(); ++Row) {
    ClickRow(Form->ListTypes(), Row);
    ExpectFits(Form->ListTypes(), 0);
    ExpectFits(Form->ListProps(), 0);
  }

  Stub.DialogAnswers = {[&](QDialog* D) {
    auto* Detail = D->findChild<QSlider*>(QStringLiteral("eDetail"));
    Detail->setValue(2);
    // Room for the tick box in front of the name.
    ExpectFits(D->findChild<QTreeView*>(QStringLiteral("ListItems")), 20);
    D->close();
  }};
  Trigger("AShowTest");
}

// The write fails with EFBIG instead of a SIGXFSZ that would end the program.
TEST_F(MainFitTest, SaveBeyondTheFileSizeLimitKeepsFileAndDocument) {
  QTemporaryDir Dir;
  const QString File = Dir.filePath(QStringLiteral("big.vsxml"));
  ASSERT_TRUE(QFile::copy(Example, File));
  CreateWindow({File});
  AddSet(QStringLiteral("Ещё один"));
  IgnoreFileSizeSignal(); // as the program does at start-up
  rlimit Saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const rlimit Small{512, Saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
  Trigger("ASave");
  setrlimit(RLIMIT_FSIZE, &Saved);

  ASSERT_EQ(Stub.Messages.size(), 1);
  EXPECT_EQ(Stub.Messages.at(0).Text,
            QStringLiteral("Не удалось сохранить файл «%1».\n").arg(File) +
                QString::fromLocal8Bit(strerror(EFBIG)));
  TPropDB Back;
  Ok(LoadFromXML(Back, File, TRegional::Current()));
  EXPECT_EQ(Back.TypeCount(), DB.TypeCount() - 1);
  EXPECT_EQ(Form->FileName(), File);
}

} // namespace
