#pragma once
// One UTF-8 sequence, strictly: no overlong form, no surrogate, nothing above
// U+10FFFF. Shared by every reader of UTF-8 in the engine.
//
//   "\xc3\xa9"       -> 2, U+00E9      "\xf0\x9f\x98\x80" -> 4, U+1F600
//   "\xc3" (alone)   -> 0 (more bytes needed)
//   "\xc0\xaf", "\xed\xa0\x80", "\x80", "\xc3A" -> -1
#include <cstddef>

namespace quorlin {

// Decodes the sequence at s, whose first byte is 128 or above and of which
// `avail` bytes (at least 1) can be read. Returns its length (2 to 4) and sets
// cp; 0 when the bytes there begin a valid sequence that needs more than
// `avail`; -1 when s does not begin a valid sequence. Always inlined: the
// kernels of each instruction set use it, and an out-of-line copy compiled for
// one could be linked for all.
[[gnu::always_inline]] inline int DecodeUtf8(const unsigned char* s, std::size_t avail,
                                             char32_t& cp) {
  const unsigned char lead = s[0];
  int length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong form
    if (lead == 0xED) high = 0x9F;  // no surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlong form
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= avail) return 0;
    const unsigned char c = s[i];
    if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return -1;
    cp = (cp << 6) | (c & 0x3F);
  }
  return length;
}

// Appends the UTF-8 form of a code point (below 0x110000) at d; returns the new end.
inline char* EncodeUtf8(char32_t cp, char* d) {
  if (cp < 0x80) {
    *d++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *d++ = static_cast<char>(0xC0 | (cp >> 6));
    *d++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *d++ = static_cast<char>(0xE0 | (cp >> 12));
    *d++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *d++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *d++ = static_cast<char>(0xF0 | (cp >> 18));
    *d++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *d++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *d++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return d;
}

}  // namespace quorlin
