// The scan for the bytes that an attribute value holds as they stand.

#include "database/setfile/PlainScan.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

using TVector = unsigned char __attribute__((vector_size(16)));

} // namespace

size_t PlainPrefixScalar(const unsigned char* Bytes, size_t Size) {
  size_t I = 0;
  for (; I < Size; ++I) {
    const unsigned char C = Bytes[I];
    if (C < 0x20 || C >= 0x80 || C == '"' || C == '&' || C == '<' || C == '>')
      break;
  }
  return I;
}

size_t PlainPrefix(const unsigned char* Bytes, size_t Size) {
  size_t I = 0;
  for (; I + sizeof(TVector) <= Size; I += sizeof(TVector)) {
    TVector V;
    std::memcpy(&V, Bytes + I, sizeof V);
    const auto Stop = (V < 0x20) | (V >= 0x80) | (V == '"') | (V == '&') | (V == '<') | (V == '>');
    // The lanes as two words: the first byte that stops is the first set one.
    uint64_t Words[2];
    static_assert(sizeof Words == sizeof Stop);
    std::memcpy(Words, &Stop, sizeof Words);
    if ((Words[0] | Words[1]) != 0) {
      const auto Lane = [](uint64_t W) {
        return size_t(std::endian::native == std::endian::little ? std::countr_zero(W)
                                                                 : std::countl_zero(W)) /
               8;
      };
      return I + (Words[0] != 0 ? Lane(Words[0]) : 8 + Lane(Words[1]));
    }
  }
  return I + PlainPrefixScalar(Bytes + I, Size - I);
}
