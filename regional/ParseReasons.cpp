#include "regional/ParseReasons.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <optional>

#include <expat.h>

namespace {

// Wordings as expat gives them in English, so that users under an untranslated
// locale read what they always read.
const TExpatReason ExpatTable[] = {
    {XML_ERROR_SYNTAX, QT_TRANSLATE_NOOP("Expat", "syntax error")},
    {XML_ERROR_NO_ELEMENTS, QT_TRANSLATE_NOOP("Expat", "no element found")},
    {XML_ERROR_INVALID_TOKEN, QT_TRANSLATE_NOOP("Expat", "not well-formed (invalid token)")},
    {XML_ERROR_UNCLOSED_TOKEN, QT_TRANSLATE_NOOP("Expat", "unclosed token")},
    {XML_ERROR_PARTIAL_CHAR, QT_TRANSLATE_NOOP("Expat", "partial character")},
    {XML_ERROR_TAG_MISMATCH, QT_TRANSLATE_NOOP("Expat", "mismatched tag")},
    {XML_ERROR_DUPLICATE_ATTRIBUTE, QT_TRANSLATE_NOOP("Expat", "duplicate attribute")},
    {XML_ERROR_JUNK_AFTER_DOC_ELEMENT, QT_TRANSLATE_NOOP("Expat", "junk after document element")},
    {XML_ERROR_PARAM_ENTITY_REF, QT_TRANSLATE_NOOP("Expat", "illegal parameter entity reference")},
    {XML_ERROR_UNDEFINED_ENTITY, QT_TRANSLATE_NOOP("Expat", "undefined entity")},
    {XML_ERROR_RECURSIVE_ENTITY_REF, QT_TRANSLATE_NOOP("Expat", "recursive entity reference")},
    {XML_ERROR_ASYNC_ENTITY, QT_TRANSLATE_NOOP("Expat", "asynchronous entity")},
    {XML_ERROR_BAD_CHAR_REF, QT_TRANSLATE_NOOP("Expat", "reference to invalid character number")},
    {XML_ERROR_BINARY_ENTITY_REF, QT_TRANSLATE_NOOP("Expat", "reference to binary entity")},
    {XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF,
     QT_TRANSLATE_NOOP("Expat", "reference to external entity in attribute")},
    {XML_ERROR_MISPLACED_XML_PI,
     QT_TRANSLATE_NOOP("Expat", "XML or text declaration not at start of entity")},
    {XML_ERROR_UNKNOWN_ENCODING, QT_TRANSLATE_NOOP("Expat", "unknown encoding")},
    {XML_ERROR_INCORRECT_ENCODING,
     QT_TRANSLATE_NOOP("Expat", "encoding specified in XML declaration is incorrect")},
    {XML_ERROR_UNCLOSED_CDATA_SECTION, QT_TRANSLATE_NOOP("Expat", "unclosed CDATA section")},
    {XML_ERROR_EXTERNAL_ENTITY_HANDLING,
     QT_TRANSLATE_NOOP("Expat", "error in processing external entity reference")},
    {XML_ERROR_NOT_STANDALONE, QT_TRANSLATE_NOOP("Expat", "document is not standalone")},
    {XML_ERROR_UNEXPECTED_STATE,
     QT_TRANSLATE_NOOP("Expat", "unexpected parser state - please send a bug report")},
    {XML_ERROR_ENTITY_DECLARED_IN_PE,
     QT_TRANSLATE_NOOP("Expat", "entity declared in parameter entity")},
    {XML_ERROR_INCOMPLETE_PE, QT_TRANSLATE_NOOP("Expat", "incomplete markup in parameter entity")},
    {XML_ERROR_XML_DECL, QT_TRANSLATE_NOOP("Expat", "XML declaration not well-formed")},
    {XML_ERROR_TEXT_DECL, QT_TRANSLATE_NOOP("Expat", "text declaration not well-formed")},
    {XML_ERROR_PUBLICID, QT_TRANSLATE_NOOP("Expat", "illegal character(s) in public id")},
    {XML_ERROR_ABORTED, QT_TRANSLATE_NOOP("Expat", "parsing aborted")},
    {XML_ERROR_AMPLIFICATION_LIMIT_BREACH,
     QT_TRANSLATE_NOOP("Expat",
                       "limit on input amplification factor (from DTD and entities) breached")},
};

// clang-format off
const char* const OwnTable[] = {
    Reason::OutOfMemory,
    Reason::FileGrew,
    Reason::Utf16WithoutMark,
    Reason::XmlVersion,
    Reason::MarkMismatch,
    Reason::NotPropdb,
    Reason::UnexpectedNode,
    Reason::NestedTooDeeply,
    Reason::TooManyNames,
    Reason::TooManyAttributes,
    Reason::TooManyAttributeNames,
    Reason::ParameterEntity,
    Reason::EntityNotDeclared,
    Reason::EntityRefersToItself,
    Reason::EntitiesTooDeep,
    Reason::TooManyEntities,
    Reason::UnresolvedInValue,
    Reason::DefaultsExpand,
    Reason::ValuesExpand,
    Reason::TooManyAttlist,
    Reason::NotRegularFile,
    Reason::NoFileName,
    Reason::CostCannotBeHeld,
    Reason::NoConversion,
};
// clang-format on

QString Translate(const char* Context, const char* Text) {
  return QCoreApplication::translate(Context, Text);
}

} // namespace

std::span<const TExpatReason> ExpatReasons() {
  return ExpatTable;
}

std::span<const char* const> OwnReasons() {
  return OwnTable;
}

QString ExpatReason(int Code) {
  for (const TExpatReason& Reason : ExpatTable)
    if (Reason.Code == Code)
      return Translate("Expat", Reason.Text);
  return QString::fromLatin1(XML_ErrorString(static_cast<XML_Error>(Code)));
}

namespace {

// The texts filled into Pattern's %1, %2 ... when English is Pattern filled
// in; nullopt when it is not. A name may hold anything, the pattern's own
// words too, so the holes match greedily.
std::optional<QStringList> Filled(const QString& Pattern, const QString& English) {
  static const QRegularExpression Hole(QStringLiteral("%[1-9]"));
  if (!Pattern.contains(Hole))
    return English == Pattern ? std::optional<QStringList>(QStringList()) : std::nullopt;
  QString Expression;
  qsizetype From = 0;
  for (const QRegularExpressionMatch& M : Hole.globalMatch(Pattern)) {
    Expression += QRegularExpression::escape(Pattern.mid(From, M.capturedStart() - From)) +
                  QStringLiteral("(.*)");
    From = M.capturedEnd();
  }
  Expression += QRegularExpression::escape(Pattern.mid(From));
  const QRegularExpressionMatch M =
      QRegularExpression(QRegularExpression::anchoredPattern(Expression),
                         QRegularExpression::DotMatchesEverythingOption)
          .match(English);
  if (!M.hasMatch())
    return std::nullopt;
  QStringList Texts = M.capturedTexts();
  Texts.removeFirst();
  return Texts;
}

} // namespace

QString TranslatedReason(const QString& English) {
  for (const char* Text : OwnTable) {
    const std::optional<QStringList> Names = Filled(QString::fromLatin1(Text), English);
    if (!Names)
      continue;
    // Filled in at once, so that a name holding "%2" stays as it is.
    const QString Translated = Translate("Reason", Text);
    switch (Names->size()) {
    case 0:
      return Translated;
    case 1:
      return Translated.arg((*Names)[0]);
    case 2:
      return Translated.arg((*Names)[0], (*Names)[1]);
    default:
      return Translated.arg((*Names)[0], (*Names)[1], (*Names)[2]);
    }
  }
  // A reader that words a code by expat's own text still gets it translated.
  for (const TExpatReason& Reason : ExpatTable)
    if (English == QLatin1String(XML_ErrorString(static_cast<XML_Error>(Reason.Code))))
      return Translate("Expat", Reason.Text);
  // System reasons that Qt words itself, in its own catalogue when it has them.
  return QCoreApplication::translate("QIODevice", English.toUtf8().constData());
}

QString TranslatedMessage(const QString& Message) {
  const qsizetype End = Message.indexOf(QStringLiteral("\r\n"));
  return End < 0 ? TranslatedReason(Message)
                 : TranslatedReason(Message.left(End)) + Message.mid(End);
}
