#pragma once
// The bulk encoder shared by EncodeLine and the stream encoder: runs of plain
// bytes are found sixteen at a time (SSE2) and copied in one store, every other
// byte is one lookup in a 256-entry table of fixed 8-byte slots.
//
// Full stops are held back rather than written and removed later: `dots` counts
// the stops of the current run not yet written (0, 1 or 2). The third one writes
// the ellipsis; any other byte first writes the held stops. The output is the
// same as the per-character encoders', and a line may arrive in several pieces.
//
// The destination must have room for 8 bytes per source byte plus 32.
#include <cstddef>
#include <cstdint>
#include <array>
#include <cstring>

#include "convert/entity_encoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorlin::detail {

enum ByteClass : std::uint8_t {
  kPlain = 0,   // copied as it is
  kEntity = 1,  // markup character: its table slot
  kDot = 2,     // full stop
  kBreak = 3,   // CR, LF or NUL: copied inside a line, a stop for the stream encoder
  kHigh = 4,    // 128-255: its table slot, or a stop for the UTF-8 reader
};

struct EntityTables {
  char text[256][8];           // every byte's output, padded to 8 bytes
  std::uint8_t length[256];    // its length
  char ellipsis[8];
  std::uint8_t ellipsisLength;
};

inline constexpr std::array<std::uint8_t, 256> kByteClass = [] {
  std::array<std::uint8_t, 256> cls{};
  for (int c = 0; c < 256; ++c) {
    if (c >= 128)
      cls[c] = kHigh;
    else if (c == '.')
      cls[c] = kDot;
    else if (c == 0 || c == '\r' || c == '\n')
      cls[c] = kBreak;
    else if (c == '"' || c == '&' || c == '<' || c == '>')
      cls[c] = kEntity;
    else
      cls[c] = kPlain;
  }
  return cls;
}();
const EntityTables& TablesFor(EntityMode mode);

inline void WriteHeldDots(char*& d, int& dots) {
  d[0] = '.';
  d[1] = '.';
  d += dots;
  dots = 0;
}

inline void WriteSlot(const EntityTables& t, unsigned char c, char*& d) {
  std::memcpy(d, t.text[c], 8);
  d += t.length[c];
}

#if defined(__SSE2__)
// Bit i set when byte i of v is not plain.
inline unsigned SpecialMask(__m128i v) {
  __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8(34));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(38)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(46)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(60)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(62)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(13)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(10)));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(m, v)));  // sign bit: >= 128
}
#endif

// How a run treats CR, LF and NUL, and bytes of 128 and above.
enum class RunMode {
  kLine,    // inside one line: CR, LF and NUL are copied like other plain bytes
  kStream,  // raw file bytes: CR, LF and CR LF end a line (written as CR LF), NUL stops
  kUtf8,    // UTF-8 file bytes: stops at CR, LF, NUL and at every byte >= 128
};

// Encodes from p towards end and returns where it stopped (end, or a stop byte
// of the mode). Held full stops stay in `dots` for the caller. In kStream mode a
// CR that is the last byte of the piece is written as a whole break; the caller
// skips a LF that starts the next piece.
template <RunMode kMode>
inline const char* EncodeRun(const EntityTables& t, const char* p, const char* const end, char*& d, int& dots) {
  while (p < end) {
    if (dots != 0 && *p != '.') WriteHeldDots(d, dots);
    // A run of plain bytes, sixteen at a time.
#if defined(__SSE2__)
    while (end - p >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
      const unsigned mask = SpecialMask(v);
      if (mask != 0) {
        const unsigned n = static_cast<unsigned>(__builtin_ctz(mask));
        p += n;
        d += n;
        break;
      }
      p += 16;
      d += 16;
    }
#endif
    // Then byte by byte through the table, until eight plain bytes in a row
    // make the block scan worth it again.
    int plainRow = 0;
    while (p < end) {
      const auto c = static_cast<unsigned char>(*p);
      const std::uint8_t cls = kByteClass[c];
      if (cls == kDot) {
        if (++dots == 3) {
          std::memcpy(d, t.ellipsis, 8);
          d += t.ellipsisLength;
          dots = 0;
        }
        plainRow = 0;
        ++p;
        continue;
      }
      if (cls == kPlain) {
        if (++plainRow > 1) break;
      } else {
        plainRow = 0;
        if constexpr (kMode == RunMode::kStream) {
          if (cls == kBreak) {
            if (c == 0) return p;
            if (dots != 0) WriteHeldDots(d, dots);
            d[0] = '\r';
            d[1] = '\n';
            d += 2;
            p += (c == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
            continue;
          }
        }
        if constexpr (kMode == RunMode::kUtf8) {
          if (cls == kBreak || cls == kHigh) return p;
        }
      }
      if (dots != 0) WriteHeldDots(d, dots);
      WriteSlot(t, c, d);
      ++p;
    }
  }
  return p;
}

}  // namespace quorlin::detail
