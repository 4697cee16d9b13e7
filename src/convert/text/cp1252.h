#pragma once
// Windows-1252 <-> Unicode. Bytes 0-127 and 160-255 are their own code points;
// 128-159 are the 32 entries of the table, the five unassigned bytes (129, 141,
// 143, 144, 157) mapping to U+0081 ... U+009D so the mapping is lossless both ways.
//
//   Cp1252ToUnicode(0x80) -> U+20AC   UnicodeToCp1252(U+2026) -> 0x85
//   UnicodeToCp1252(U+2192) -> -1 (Windows-1252 cannot hold it)
#include <cstdint>

namespace quorlin {

char32_t Cp1252ToUnicode(unsigned char byte);

// The byte of every code point up to U+2122, the highest of the table; 0 for none.
struct Cp1252ByteTable {
  std::uint8_t of[0x2123];
};
extern const Cp1252ByteTable kCp1252Bytes;

// The byte for a code point, or -1 when Windows-1252 has none. One table lookup.
// Always inlined, with no library call in it: the kernels of each instruction
// set use it, and an out-of-line copy compiled for one could be linked for all.
[[gnu::always_inline]] inline int UnicodeToCp1252(char32_t codePoint) {
  if (codePoint == 0) return 0;
  if (codePoint >= sizeof kCp1252Bytes.of) return -1;
  const int byte = kCp1252Bytes.of[codePoint];
  return byte != 0 ? byte : -1;
}

}  // namespace quorlin
