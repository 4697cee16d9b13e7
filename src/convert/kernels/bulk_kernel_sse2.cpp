// The SSE2 kernel: the x86-64 baseline, sixteen bytes per compare.
#include "convert/kernels/bulk_kernel_impl.h"

#if defined(QUORLIN_X86_KERNELS)
#include <emmintrin.h>

namespace quorlin::detail {
namespace {

struct Sse2 : BaselineBits {
  static __m128i Load(const char* s) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  }
  static __m128i Is(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
  static std::uint64_t Bits(__m128i v, int part) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(v))} << (16 * part);
  }

  template <RunMode kMode>
  static BlockMarks Mark(const char* s) {
    BlockMarks marks{0, 0};
    for (int part = 0; part < 4; ++part, s += 16) {
      const __m128i v = Load(s);
      const __m128i prev = Load(s - 1);
      const __m128i next = Load(s + 1);
      const __m128i entity =
          _mm_or_si128(_mm_or_si128(Is(v, '"'), Is(v, '&')), _mm_or_si128(Is(v, '<'), Is(v, '>')));
      const __m128i dotRun = _mm_and_si128(Is(v, '.'), _mm_or_si128(Is(prev, '.'), Is(next, '.')));
      __m128i fast, slow;  // sign bits
      if constexpr (kMode == RunMode::kStream) {
        const __m128i loneCr = _mm_andnot_si128(Is(next, '\n'), Is(v, '\r'));
        const __m128i loneLf = _mm_andnot_si128(Is(prev, '\r'), Is(v, '\n'));
        fast = _mm_or_si128(_mm_or_si128(entity, v), _mm_or_si128(loneCr, loneLf));
        slow = _mm_or_si128(dotRun, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
      } else {
        fast = entity;
        slow = _mm_or_si128(dotRun, v);
      }
      marks.fast |= Bits(fast, part);
      marks.slow |= Bits(slow, part);
    }
    return marks;
  }
  static std::uint64_t CrLf(const char* s) {
    std::uint64_t m = 0;
    for (int part = 0; part < 4; ++part, s += 16) {
      const __m128i v = Load(s);
      const __m128i cr = _mm_and_si128(Is(v, '\r'), Is(Load(s + 1), '\n'));
      const __m128i lf = _mm_and_si128(Is(v, '\n'), Is(Load(s - 1), '\r'));
      m |= Bits(_mm_or_si128(cr, lf), part);
    }
    return m;
  }
  static void Copy64(char* d, const char* s) {
    const __m128i a = Load(s), b = Load(s + 16), c = Load(s + 32), e = Load(s + 48);
    auto* out = reinterpret_cast<__m128i*>(d);
    _mm_storeu_si128(out, a);
    _mm_storeu_si128(out + 1, b);
    _mm_storeu_si128(out + 2, c);
    _mm_storeu_si128(out + 3, e);
  }
  static std::uint64_t High(const char* s) {
    return Bits(Load(s), 0) | Bits(Load(s + 16), 1) | Bits(Load(s + 32), 2) | Bits(Load(s + 48), 3);
  }
};

}  // namespace

extern const KernelSet kSse2Set = kSetOf<Sse2>;

}  // namespace quorlin::detail
#endif
