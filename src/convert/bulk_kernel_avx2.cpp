// The AVX2 kernel (with BMI1, BMI2 and POPCNT): thirty-two bytes per compare.
// Compiled with those instruction sets enabled; run only where the processor has them.
#include "convert/bulk_kernel_impl.h"

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
  static unsigned Ctz(std::uint64_t m) { return static_cast<unsigned>(_tzcnt_u64(m)); }
  static unsigned Count(std::uint64_t m) { return static_cast<unsigned>(_mm_popcnt_u64(m)); }
};

}  // namespace

extern const RunSet kAvx2Runs = kRunsOf<Avx2>;

}  // namespace quorlin::detail
#endif
