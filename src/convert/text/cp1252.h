#pragma once
// Windows-1252 <-> Unicode. Bytes 0-127 and 160-255 are their own code points;
// 128-159 are the 32 entries of the table, the five unassigned bytes (129, 141,
// 143, 144, 157) mapping to U+0081 ... U+009D so the mapping is lossless both ways.
//
//   Cp1252ToUnicode(0x80) -> U+20AC   UnicodeToCp1252(U+2026) -> 0x85
//   UnicodeToCp1252(U+2192) -> -1 (Windows-1252 cannot hold it)
#include <array>
#include <cstdint>

namespace quorlin {

char32_t Cp1252ToUnicode(unsigned char byte);

namespace detail {
// The byte of every code point up to U+2122, the highest of the table; 0 for none.
extern const std::array<std::uint8_t, 0x2123> kCp1252ByteOf;
}  // namespace detail

// The byte for a code point, or -1 when Windows-1252 has none. One table lookup.
inline int UnicodeToCp1252(char32_t codePoint) {
  if (codePoint == 0) return 0;
  if (codePoint >= detail::kCp1252ByteOf.size()) return -1;
  const int byte = detail::kCp1252ByteOf[codePoint];
  return byte != 0 ? byte : -1;
}

}  // namespace quorlin
