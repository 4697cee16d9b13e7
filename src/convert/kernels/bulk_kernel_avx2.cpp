// The AVX2 kernel (with BMI1, BMI2 and POPCNT): thirty-two bytes per compare.
// Compiled with those instruction sets enabled; run only where the processor has them.
#include "convert/kernels/bulk_kernel_impl.h"

#if defined(QUORLIN_X86_KERNELS)
#include <immintrin.h>

namespace quorlin::detail {
namespace {

struct Avx2 {
  static __m256i Load(const char* s) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
  }
  static __m256i Is(__m256i v, char c) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c)); }
  static std::uint64_t Bits(__m256i v, int part) {
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(v))} << (32 * part);
  }
  // The markup characters " & < >, found by their low half: a byte equals the
  // entry of its low half only when it is one of them (bytes >= 128 look up 0).
  static __m256i Entity(__m256i v) {
    const __m256i table =
        _mm256_setr_epi8(1, 0, '"', 2, 5, 4, '&', 6, 9, 8, 11, 10, '<', 12, '>', 14,  //
                         1, 0, '"', 2, 5, 4, '&', 6, 9, 8, 11, 10, '<', 12, '>', 14);
    return _mm256_cmpeq_epi8(_mm256_shuffle_epi8(table, v), v);
  }

  template <RunMode kMode>
  static BlockMarks Mark(const char* s) {
    BlockMarks marks{0, 0};
    for (int part = 0; part < 2; ++part, s += 32) {
      const __m256i v = Load(s);
      const __m256i prev = Load(s - 1);
      const __m256i next = Load(s + 1);
      const __m256i entity = Entity(v);
      const __m256i dotRun =
          _mm256_and_si256(Is(v, '.'), _mm256_or_si256(Is(prev, '.'), Is(next, '.')));
      __m256i fast, slow;  // sign bits
      if constexpr (kMode == RunMode::kStream) {
        const __m256i loneCr = _mm256_andnot_si256(Is(next, '\n'), Is(v, '\r'));
        const __m256i loneLf = _mm256_andnot_si256(Is(prev, '\r'), Is(v, '\n'));
        fast = _mm256_or_si256(_mm256_or_si256(entity, v), _mm256_or_si256(loneCr, loneLf));
        slow = _mm256_or_si256(dotRun, _mm256_cmpeq_epi8(v, _mm256_setzero_si256()));
      } else {
        fast = entity;
        slow = _mm256_or_si256(dotRun, v);
      }
      marks.fast |= Bits(fast, part);
      marks.slow |= Bits(slow, part);
    }
    return marks;
  }
  static std::uint64_t CrLf(const char* s) {
    std::uint64_t m = 0;
    for (int part = 0; part < 2; ++part, s += 32) {
      const __m256i v = Load(s);
      const __m256i cr = _mm256_and_si256(Is(v, '\r'), Is(Load(s + 1), '\n'));
      const __m256i lf = _mm256_and_si256(Is(v, '\n'), Is(Load(s - 1), '\r'));
      m |= Bits(_mm256_or_si256(cr, lf), part);
    }
    return m;
  }
  static void Copy64(char* d, const char* s) {
    const __m256i a = Load(s), b = Load(s + 32);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), b);
  }
  static std::uint64_t High(const char* s) { return Bits(Load(s), 0) | Bits(Load(s + 32), 1); }

  // A block of ASCII and Latin letters: each lead and its continuation become
  // one byte, then the continuations are squeezed out eight bytes at a time.
  // No branch depends on where the characters fall.
  static constexpr int kLatinStride = 32;
  static unsigned Latin(const unsigned char* p, char*& b) {
    const __m256i v = Load(reinterpret_cast<const char*>(p));
    const __m256i next = Load(reinterpret_cast<const char*>(p + 1));
    const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
    const __m256i isLead = Is(_mm256_and_si256(v, _mm256_set1_epi8(static_cast<char>(0xFE))),
                              static_cast<char>(0xC2));               // C2, C3
    const __m256i below = _mm256_set1_epi8(static_cast<char>(0xC0));  // 80-BF, signed
    const auto lead = static_cast<std::uint32_t>(_mm256_movemask_epi8(isLead));
    const auto cont = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(below, v)));
    const auto contNext =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(below, next)));
    const __m256i latin =
        _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(v, _mm256_set1_epi8(0x03)), 6),
                        _mm256_and_si256(next, _mm256_set1_epi8(0x3F)));
    // U+0080 to U+009F have no byte of their own (but five): the caller's.
    const auto c1 = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(Is(_mm256_and_si256(latin, _mm256_set1_epi8(static_cast<char>(0xE0))),
                                static_cast<char>(0x80))));
    const std::uint32_t goodLead = lead & contNext & ~c1;
    const std::uint32_t goodCont = cont & (goodLead << 1);
    // Taken: up to the first other byte of 128 and above, or a lead whose
    // continuation is in the next block.
    const std::uint64_t stop =
        (high & ~(goodLead | goodCont)) | (goodLead & 0x80000000u) | (std::uint64_t{1} << 32);
    const auto taken = static_cast<unsigned>(_tzcnt_u64(stop));
    const __m256i t = _mm256_blendv_epi8(v, latin, isLead);
    const std::uint32_t drop = cont | ~static_cast<std::uint32_t>(_bzhi_u64(0xFFFFFFFFu, taken));
    const __m128i halves[2] = {_mm256_castsi256_si128(t), _mm256_extracti128_si256(t, 1)};
    for (int i = 0; i < 4; ++i) {
      const unsigned group = (drop >> (8 * i)) & 0xFF;
      const __m128i bytes = i % 2 ? _mm_srli_si128(halves[i / 2], 8) : halves[i / 2];
      _mm_storel_epi64(
          reinterpret_cast<__m128i*>(b),
          _mm_shuffle_epi8(
              bytes, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompaction.index[group]))));
      b += kCompaction.kept[group];
    }
    return taken;
  }
  static bool ValidUtf8Blocks(const unsigned char* p, const unsigned char* end, bool& nonAscii) {
    return utf8_check::ValidUtf8Blocks(p, end, nonAscii);
  }

  static unsigned Ctz(std::uint64_t m) { return static_cast<unsigned>(_tzcnt_u64(m)); }
  static unsigned Count(std::uint64_t m) { return static_cast<unsigned>(_mm_popcnt_u64(m)); }
};

}  // namespace

extern const KernelSet kAvx2Set = kSetOf<Avx2>;

}  // namespace quorlin::detail
#endif
