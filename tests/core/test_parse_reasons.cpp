// The reasons against the built Russian catalogue (that every marked text is
// translated there is the catalogue test's): expat's codes find theirs, and a
// failure's wording keeps everything but its reason.

#include "failures/Failure.h"
#include "failures/Reasons.h"

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
    EXPECT_EQ(FailureText(TFailure::Parser(Reason.Code)), Text);
  }

  const QString Crlf = QStringLiteral("\r\n");
  TFailure Unexpected = TFailure::Own(Reason::UnexpectedNode).At(3);
  Unexpected.Source = QStringLiteral("<!-- -->");
  const struct {
    TFailure Failure;
    QString Lines, OneLine;
  } Cases[] = {
      {Unexpected, QString::fromUtf8("Неожиданный узел") + Crlf + "Line: 3" + Crlf + "<!-- -->",
       QString::fromUtf8("Неожиданный узел | Line: 3 | <!-- -->")},
      // A name that holds a pattern's text, or a hole, stays as it is.
      {TFailure::Own(Reason::CostCannotBeHeld, {"%2", "a", "inf"}),
       QString::fromUtf8("Цена элемента \"%2\" в наборе \"a\" равна inf, такую "
                         "файл наборов сохранить не может"),
       {}},
      // What came from a file cannot act on a terminal or vanish in a box:
      // control characters but TAB show escaped, wherever they stand.
      {TFailure::Converting(Conversion::NotAnInteger, "1\r\n\x1B]0;t\x07\t\u0085"),
       QString::fromUtf8("«1\\x0D\\x0A\\x1B]0;t\\x07\t\\x85» — недопустимое целое число"),
       QString::fromUtf8("«1\\x0D\\x0A\\x1B]0;t\\x07\t\\x85» — недопустимое целое число")},
      // So do DEL, the line and paragraph separators and the controls that
      // turn the order of the text around.
      {TFailure::Converting(Conversion::NotAnInteger, "\x7F\u2028\u2029\u202A\u202E\u2066\u2069."),
       QString::fromUtf8("«\\x7F\\u2028\\u2029\\u202A\\u202E\\u2066\\u2069.» — недопустимое целое "
                         "число"),
       {}},
      // A value of a file that does not convert says where, as a parse error.
      {TFailure::Converting(Conversion::NotAFloat, "12.5.3").In(Conversion::InItem, "Чайник", 5),
       QString::fromUtf8("«12.5.3» — недопустимое число с плавающей точкой (элемент «Чайник»)") +
           Crlf + "Line: 5" + Crlf,
       QString::fromUtf8(
           "«12.5.3» — недопустимое число с плавающей точкой (элемент «Чайник») | Line: 5")},
      {TFailure::Converting(Conversion::NotADate, "31.02.2010").In(Conversion::InSet, "Кухня", 2),
       QString::fromUtf8("«31.02.2010» — недопустимая дата (набор «Кухня»)") + Crlf + "Line: 2" +
           Crlf,
       {}},
      // Memory runs out in a save or an export too: the words name no step.
      {TFailure::OutOfMemory(), QString::fromUtf8("Недостаточно памяти."),
       QString::fromUtf8("Недостаточно памяти.")},
      {TFailure::Parser(XML_ERROR_SYNTAX).At(0),
       QString::fromUtf8("синтаксическая ошибка") + Crlf + "Line: 0" + Crlf,
       QString::fromUtf8("синтаксическая ошибка | Line: 0")},
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(FailureText(C.Failure), C.Lines);
    if (!C.OneLine.isNull()) {
      EXPECT_EQ(FailureText(C.Failure, TLayout::OneLine), C.OneLine);
    }
  }
  // The warnings come from the same catalogue.
  for (const char* Text : WarningTexts)
    EXPECT_FALSE(Russian.translate("Warning", Text).isEmpty()) << Text;
  EXPECT_EQ(WarningText({TWarningKind::Skipped, 2, "x", 4}),
            Russian.translate("Warning", WarningTexts[0]).arg("2", "x", "4"));
  QCoreApplication::removeTranslator(&Russian);
}

} // namespace
