#pragma once

// Limits that keep any input within time and memory in proportion to its size.

#include <QtGlobal>

constexpr int ChunkSize = 64 * 1024;
// A set file needs three levels; each open element costs the parser about a
// hundred bytes.
constexpr int MaxDepth = 10000;
// The parser keeps an entry for every element name it meets; a set file has
// three, and a few more may stand inside a set.
constexpr int MaxElementNames = 1000;
// A set file's elements have at most seven attributes. The parser spends much
// on each, more on a name it has not met, and all of a tag's before the
// reader sees any; so a tag longer than a read is also counted while it comes
// in.
constexpr int MaxAttributes = 1000;
// One tag in bytes, while it comes in: a set file's are under a kilobyte, and
// a pipe, unlike a file, has no size to bound it.
constexpr qint64 MaxTagBytes = qint64(16) << 20;
// And it keeps an entry for every attribute name; a set file has nine.
constexpr int MaxAttributeNames = 1000;
// The parser expands entity references by recursion; a set file has none.
constexpr int MaxEntityDepth = 64;
constexpr int MaxEntities = 100000;
// Entity expansion: free up to the threshold, then at most this many bytes
// out for each byte in.
constexpr float MaxAmplification = 4.0f;
constexpr unsigned long long AmplificationThreshold = 8 * 1024;
// Attribute defaults of the document type are copied into every element that
// lacks them; attributes and kept value bytes are bounded by the input.
constexpr qint64 AttributeAllowance = 64 * 1024;
constexpr qint64 ValueAllowance = 1 << 20;
constexpr qint64 ValueFactor = 4;
constexpr int MaxAttlist = 10000;
// The quoted source of a failing line: characters shown, bytes read of it.
constexpr int SourceChars = 40;
constexpr int SourceBytes = 168;
