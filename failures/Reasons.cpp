#include "failures/Reasons.h"

#include <QCoreApplication>

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

QString Translate(const char* Context, const char* Text) {
  return QCoreApplication::translate(Context, Text);
}

} // namespace

std::span<const TExpatReason> ExpatReasons() {
  return ExpatTable;
}

QString ExpatReason(int Code) {
  for (const TExpatReason& Reason : ExpatTable)
    if (Reason.Code == Code)
      return Translate("Expat", Reason.Text);
  return QString::fromLatin1(XML_ErrorString(static_cast<XML_Error>(Code)));
}
