#pragma once

// The reasons that the core gives for a failure or a warning, as ids: each
// is its English pattern, looked up in the catalogue only where it is shown
// (failures/Failure.h).

#include <QString>

#include <span>

// Our own reasons for refusing a file or a command on it (the reader's, the
// files layer's and the export's), in English: worded here and
// nowhere else, and translated where they are shown. "%1" stands for a name.
namespace Reason {

inline constexpr const char* OutOfMemory =
    QT_TRANSLATE_NOOP("Reason", "Not enough memory to read the file.");
// Memory that ran out anywhere else: a save, an export, the tool's own work.
inline constexpr const char* NoMemory = QT_TRANSLATE_NOOP("Reason", "Not enough memory.");
inline constexpr const char* FileGrew =
    QT_TRANSLATE_NOOP("Reason", "The file grew while it was read.");
inline constexpr const char* Utf16WithoutMark =
    QT_TRANSLATE_NOOP("Reason", "The file is in UTF-16 without a byte-order mark.");
inline constexpr const char* XmlVersion = QT_TRANSLATE_NOOP("Reason", "Unsupported XML version.");
inline constexpr const char* MarkMismatch =
    QT_TRANSLATE_NOOP("Reason", "The encoding declaration does not match the byte-order mark.");
inline constexpr const char* NotPropdb =
    QT_TRANSLATE_NOOP("Reason", "The root element is not \"propdb\"");
inline constexpr const char* UnexpectedNode = QT_TRANSLATE_NOOP("Reason", "Unexpected node");
inline constexpr const char* NestedTooDeeply =
    QT_TRANSLATE_NOOP("Reason", "Elements are nested too deeply.");
inline constexpr const char* TooManyNames =
    QT_TRANSLATE_NOOP("Reason", "The document uses too many different element names.");
inline constexpr const char* TooManyAttributes =
    QT_TRANSLATE_NOOP("Reason", "An element has too many attributes.");
inline constexpr const char* TagTooLong =
    QT_TRANSLATE_NOOP("Reason", "An element's tag is longer than 16 MB.");
inline constexpr const char* TooManyAttributeNames =
    QT_TRANSLATE_NOOP("Reason", "The document uses too many different attribute names.");
inline constexpr const char* ParameterEntity =
    QT_TRANSLATE_NOOP("Reason", "Parameter entity references are not supported.");
inline constexpr const char* EntityNotDeclared =
    QT_TRANSLATE_NOOP("Reason", "Entity '%1' not declared.");
inline constexpr const char* EntityRefersToItself =
    QT_TRANSLATE_NOOP("Reason", "Entity '%1' refers to itself.");
inline constexpr const char* EntitiesTooDeep =
    QT_TRANSLATE_NOOP("Reason", "Entity references are nested too deeply.");
inline constexpr const char* TooManyEntities =
    QT_TRANSLATE_NOOP("Reason", "The document type declares too many entities.");
inline constexpr const char* UnresolvedInValue =
    QT_TRANSLATE_NOOP("Reason", "Entity reference in attribute value cannot be resolved.");
inline constexpr const char* DefaultsExpand =
    QT_TRANSLATE_NOOP("Reason", "Attribute defaults expand the document beyond the limit.");
inline constexpr const char* ValuesExpand =
    QT_TRANSLATE_NOOP("Reason", "Attribute values expand the document beyond the limit.");
inline constexpr const char* TooManyAttlist =
    QT_TRANSLATE_NOOP("Reason", "Too many attributes declared for one element.");
inline constexpr const char* NotRegularFile = QT_TRANSLATE_NOOP("Reason", "Not a regular file");
inline constexpr const char* ForeignLink = QT_TRANSLATE_NOOP(
    "Reason", "The symbolic link \"%1\" belongs to another user in a folder that everybody may "
              "write; it is not followed.");
inline constexpr const char* NoFileName = QT_TRANSLATE_NOOP("Reason", "No file name given.");
inline constexpr const char* OutputIsInput = QT_TRANSLATE_NOOP(
    "Reason", "\"%1\" is the set file being exported; the export would overwrite it.");
inline constexpr const char* CostCannotBeHeld = QT_TRANSLATE_NOOP(
    "Reason", "The cost of item \"%1\" in set \"%2\" is %3, which a set file cannot hold");
inline constexpr const char* NoConversion =
    QT_TRANSLATE_NOOP("Reason", "Cannot convert the text to the character set %1: %2");

} // namespace Reason

// What a load or an export does not carry as the file had it, by
// TWarningKind: %1 how many, %2 the first one's name, %3 its line (for lost
// characters, the character set).
inline constexpr const char* WarningTexts[] = {
    QT_TRANSLATE_NOOP("Warning",
                      "%1 elements, attributes or other nodes that the format does not know were "
                      "skipped; the first: \"%2\", line %3."),
    QT_TRANSLATE_NOOP(
        "Warning", "%1 costs have more than 15 significant digits, which is all a set file keeps, "
                   "or are too small for a number and read as zero; the first: item \"%2\", line "
                   "%3."),
    QT_TRANSLATE_NOOP(
        "Warning", "%1 dates have no year or a two-digit one, completed from the current year; the "
                   "first: item \"%2\", line %3."),
    QT_TRANSLATE_NOOP(
        "Warning",
        "%1 default flags lie outside 0 to 255 and were read modulo 256; the first: item "
        "\"%2\", line %3."),
    QT_TRANSLATE_NOOP("Warning",
                      "%1 detail levels lie outside 0 to 2, so these items show at no level of the "
                      "test view; the first: item \"%2\", line %3."),
    QT_TRANSLATE_NOOP(
        "Warning",
        "%1 rows hold a tab or a line break in a name or currency, which splits them; the "
        "first: item \"%2\"."),
    QT_TRANSLATE_NOOP("Warning",
                      "%1 characters have no byte in the character set %3, so \"?\" or a "
                      "look-alike stands in their place; the first is in the name \"%2\"."),
};

// One expat error code and our English wording for it. The wording is ours,
// not expat's, so that a newer expat does not change what users read.
struct TExpatReason {
  int Code;
  const char* Text;
};

// Every expat code that a set file can raise; codes that only a misused
// parser or namespace processing gives are left out.
std::span<const TExpatReason> ExpatReasons();

// The reason for an expat error code, translated; an unknown code gives
// expat's own text.
QString ExpatReason(int Code);
