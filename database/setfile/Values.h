#pragma once

// Attribute values straight from the parser's UTF-8 bytes. The fast forms
// read the texts that the writer produces and give false for anything else,
// which then goes to the general conversion (that also words a failure).

#include "regional/Regional.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>

// The bytes as UTF-16, in a string of exactly the length it needs. A leading
// U+FEFF is a character of the value like any other.
QString Utf8ToText(std::string_view Bytes);
// The same into Out, which has room for Room units, at least one per byte;
// the units written, or -1 for a broken sequence.
qsizetype Utf8ToUnits(std::string_view Bytes, char16_t* Out, size_t Room);

// The numbers read a value as the parser gives it, ended by a zero byte, and
// stop at it: none needs the value's length first. Each gives the value's
// length in bytes, or 0 for a text it does not take.

// One to nine decimal digits.
size_t IntFromBytes(const char* Text, int32_t& Value);
// An optional minus, digits, and the decimal separator with digits after it;
// fifteen digits at most.
size_t CostFromBytes(const char* Text, QChar Decimal, double& Value);
// Day, month and a year of three or four digits in the order of Settings,
// between single date separators, naming a date that exists.
size_t DateFromBytes(const char* Text, const TRegional& Settings, double& Value);

// Whether the cost Value read from Text (ended by a zero byte) lost the value
// to its range: it reads as zero or as a subnormal number although Text has a
// digit other than zero before any exponent ("1E-400").
bool CostUnderflowed(double Value, const char* Text);
