#pragma once

// The reader's own reasons for refusing a file, in English. They are worded
// here and nowhere else, and reach the user through ReasonText, the one spot
// where another language can be put in. "%1" stands for a name.

#include <QString>

namespace Reason {

constexpr const char* OutOfMemory = "Not enough memory to read the file.";
constexpr const char* FileGrew = "The file grew while it was read.";
constexpr const char* Utf16WithoutMark = "The file is in UTF-16 without a byte-order mark.";
constexpr const char* XmlVersion = "Unsupported XML version.";
constexpr const char* MarkMismatch = "The encoding declaration does not match the byte-order mark.";
constexpr const char* NotPropdb = "The root element is not \"propdb\"";
constexpr const char* UnexpectedNode = "Unexpected node";
constexpr const char* NestedTooDeeply = "Elements are nested too deeply.";
constexpr const char* TooManyNames = "The document uses too many different element names.";
constexpr const char* ParameterEntity = "Parameter entity references are not supported.";
constexpr const char* EntityNotDeclared = "Entity '%1' not declared.";
constexpr const char* EntityRefersToItself = "Entity '%1' refers to itself.";
constexpr const char* EntitiesTooDeep = "Entity references are nested too deeply.";
constexpr const char* TooManyEntities = "The document type declares too many entities.";
constexpr const char* UnresolvedInValue = "Entity reference in attribute value cannot be resolved.";
constexpr const char* DefaultsExpand = "Attribute defaults expand the document beyond the limit.";
constexpr const char* ValuesExpand = "Attribute values expand the document beyond the limit.";
constexpr const char* TooManyAttlist = "Too many attributes declared for one element.";

} // namespace Reason

// A reason as the user reads it.
inline QString ReasonText(const char* Text) {
  return QString::fromUtf8(Text);
}
