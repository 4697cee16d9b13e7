#pragma once
// Windows-1252 <-> Unicode. Bytes 0-127 and 160-255 are their own code points;
// 128-159 are the 32 entries of the table, the five unassigned bytes (129, 141,
// 143, 144, 157) mapping to U+0081 ... U+009D so the mapping is lossless both ways.
//
//   Cp1252ToUnicode(0x80) -> U+20AC   UnicodeToCp1252(U+2026) -> 0x85
//   UnicodeToCp1252(U+2192) -> -1 (Windows-1252 cannot hold it)
namespace quorlin {

char32_t Cp1252ToUnicode(unsigned char byte);
// The byte for a code point, or -1 when Windows-1252 has none.
int UnicodeToCp1252(char32_t codePoint);

}  // namespace quorlin
