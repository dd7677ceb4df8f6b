// The reader's reasons against the built Russian catalogue: every one is
// translated there, and a message keeps everything but its reason.

#include "regional/ParseReasons.h"

#include <QCoreApplication>
#include <QTranslator>

#include <expat.h>
#include <gtest/gtest.h>

namespace {

TEST(ParseReasons, EveryReasonHasARussianTranslation) {
  int Argc = 1;
  char Name[] = "test_core";
  char* Argv[] = {Name, nullptr};
  QCoreApplication App(Argc, Argv);
  // Before the catalogue, the English stands.
  EXPECT_EQ(ExpatReason(XML_ERROR_SYNTAX), QStringLiteral("syntax error"));
  EXPECT_EQ(ExpatReason(XML_ERROR_NO_BUFFER),
            QString::fromLatin1(XML_ErrorString(XML_ERROR_NO_BUFFER)));

  QTranslator Russian;
  ASSERT_TRUE(Russian.load(QStringLiteral(BRIMSETT_QM_DIR "/brimsett_ru.qm")));
  ASSERT_TRUE(QCoreApplication::installTranslator(&Russian));
  ASSERT_GE(ExpatReasons().size(), 25u);
  for (const TExpatReason& Reason : ExpatReasons()) {
    SCOPED_TRACE(Reason.Text);
    const QString Text = Russian.translate("Expat", Reason.Text);
    EXPECT_FALSE(Text.isEmpty());
    EXPECT_EQ(ExpatReason(Reason.Code), Text);
    // Expat's own wording of the code finds the same translation.
    EXPECT_EQ(TranslatedReason(QString::fromLatin1(XML_ErrorString(XML_Error(Reason.Code)))), Text);
  }
  for (const char* Reason : OwnReasons()) {
    SCOPED_TRACE(Reason);
    EXPECT_FALSE(Russian.translate("Reason", Reason).isEmpty());
    EXPECT_EQ(TranslatedReason(QString::fromLatin1(Reason)), Russian.translate("Reason", Reason));
  }

  const QString Crlf = QStringLiteral("\r\n");
  const struct {
    QString Message, Expected;
  } Cases[] = {
      {"Unexpected node" + Crlf + "Line: 3" + Crlf + "<!-- -->",
       QString::fromUtf8("Неожиданный узел") + Crlf + "Line: 3" + Crlf + "<!-- -->"},
      // A name that holds the pattern's own text is filled in whole.
      {"Entity ' not declared.' not declared.",
       QString::fromUtf8("Сущность « not declared.» не объявлена.")},
      {"The cost of item \"%2\" in set \"a\" is inf, which a set file cannot hold",
       QString::fromUtf8("Цена элемента \"%2\" в наборе \"a\" равна inf, такую "
                         "файл наборов сохранить не может")},
      {"''true'' is not a valid integer value", "''true'' is not a valid integer value"},
      {"Unexpected node ", "Unexpected node "},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(TranslatedMessage(C.Message), C.Expected) << C.Message.toStdString();
  QCoreApplication::removeTranslator(&Russian);
}

} // namespace
