#pragma once

#include <cstddef>

// The bytes at the start of Bytes[0 .. Size) that an attribute value holds
// as they stand: printable ASCII other than the quotation mark and the
// markup characters. Counted sixteen at a time through the compiler's
// portable vectors; the scalar twin gives the same count.
size_t PlainPrefix(const unsigned char* Bytes, size_t Size);
size_t PlainPrefixScalar(const unsigned char* Bytes, size_t Size);
