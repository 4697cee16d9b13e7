// The AVX-512 kernel (F, BW, VL, VBMI, VBMI2 with BMI1, BMI2 and POPCNT): a
// whole block per compare, straight into mask registers. Compiled with those
// instruction sets enabled; run only where the processor has them.
#include "convert/kernels/bulk_kernel_impl.h"

#if defined(QUORLIN_X86_KERNELS)
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 warns inside its own AVX-512 intrinsics, which leave unused lanes undefined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace quorlin::detail {
namespace {

struct Avx512 {
  static __m512i Load(const char* s) { return _mm512_loadu_si512(s); }
  static __mmask64 Is(__m512i v, char c) { return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(c)); }
  // Those of `among` that equal c.
  static __mmask64 Is(__mmask64 among, __m512i v, char c) {
    return _mm512_mask_cmpeq_epi8_mask(among, v, _mm512_set1_epi8(c));
  }
  static __mmask64 IsNot(__mmask64 among, __m512i v, char c) {
    return _mm512_mask_cmpneq_epi8_mask(among, v, _mm512_set1_epi8(c));
  }
  // The markup characters " & < >, found by their low half (see the AVX2 kernel).
  static __mmask64 Entity(__m512i v) {
    const __m512i table = _mm512_broadcast_i32x4(
        _mm_setr_epi8(1, 0, '"', 2, 5, 4, '&', 6, 9, 8, 11, 10, '<', 12, '>', 14));
    return _mm512_cmpeq_epi8_mask(_mm512_shuffle_epi8(table, v), v);
  }

  template <RunMode kMode>
  static BlockMarks Mark(const char* s) {
    const __m512i v = Load(s);
    const __m512i prev = Load(s - 1);
    const __m512i next = Load(s + 1);
    const __mmask64 entity = Entity(v);
    const __mmask64 high = _mm512_movepi8_mask(v);
    const __mmask64 dot = Is(v, '.');
    const __mmask64 dotRun = Is(dot, prev, '.') | Is(dot, next, '.');
    if constexpr (kMode == RunMode::kStream) {
      const __mmask64 lone = IsNot(Is(v, '\r'), next, '\n') | IsNot(Is(v, '\n'), prev, '\r');
      return {entity | high | lone, dotRun | _mm512_testn_epi8_mask(v, v)};
    } else {
      return {entity, dotRun | high};
    }
  }
  // A block of mostly marks, eight source bytes at a time: their eight slots
  // in one register, then squeezed to their lengths (VBMI2 compress). Returns null for
  // a block with a slow mark, or whose first byte is the LF of a CR LF begun in
  // the block before: the caller takes those byte by byte.
  template <RunMode kMode>
  static char* Dense(const EntityTables& t, const char* base, BlockMarks marks, char* d) {
    if (marks.slow != 0) return nullptr;
    const __m512i v = Load(base);
    const auto* lengths = reinterpret_cast<const char*>(t.length);
    __m512i length = _mm512_mask_blend_epi8(
        _mm512_movepi8_mask(v), _mm512_permutex2var_epi8(Load(lengths), v, Load(lengths + 64)),
        _mm512_permutex2var_epi8(Load(lengths + 128), v, Load(lengths + 192)));
    if constexpr (kMode == RunMode::kStream) {
      // The slots of CR and LF are CR LF: a CR LF inside the block is written
      // by its LF alone; a CR whose LF starts the next block writes its CR.
      if (Is(Is(v, '\n'), Load(base - 1), '\r') & 1) return nullptr;
      const __mmask64 cr = Is(Is(v, '\r'), Load(base + 1), '\n');
      length = _mm512_mask_mov_epi8(length, cr, _mm512_setzero_si512());
      length = _mm512_mask_mov_epi8(length, cr & (std::uint64_t{1} << 63), _mm512_set1_epi8(1));
    }
    static constexpr struct Patterns {
      char lane[64];  // which of the eight bytes each output byte belongs to
      char step[64];  // which byte of its slot
      constexpr Patterns() : lane(), step() {
        for (int i = 0; i < 64; ++i) {
          lane[i] = static_cast<char>(i / 8);
          step[i] = static_cast<char>(i % 8);
        }
      }
    } kPatterns;
    const __m512i lane = Load(kPatterns.lane);
    const __m512i step = Load(kPatterns.step);
    const auto* bytes = reinterpret_cast<const unsigned char*>(base);
    for (int group = 0; group < 8; ++group, bytes += 8) {
      // Eight loads and inserts: 40 % faster than one gather on these AMD EPYC.
      std::uint64_t slot[8];
      for (int k = 0; k < 8; ++k) std::memcpy(&slot[k], t.text[bytes[k]], 8);
      const __m512i slots =
          _mm512_set_epi64(static_cast<long long>(slot[7]), static_cast<long long>(slot[6]),
                           static_cast<long long>(slot[5]), static_cast<long long>(slot[4]),
                           static_cast<long long>(slot[3]), static_cast<long long>(slot[2]),
                           static_cast<long long>(slot[1]), static_cast<long long>(slot[0]));
      const __m512i own = _mm512_permutexvar_epi8(
          _mm512_add_epi8(lane, _mm512_set1_epi8(static_cast<char>(8 * group))), length);
      const __mmask64 keep = _mm512_cmplt_epu8_mask(step, own);
      _mm512_storeu_si512(d, _mm512_maskz_compress_epi8(keep, slots));
      d += _mm_popcnt_u64(keep);
    }
    return d;
  }

  static std::uint64_t CrLf(const char* s) {
    const __m512i v = Load(s);
    return Is(Is(v, '\r'), Load(s + 1), '\n') | Is(Is(v, '\n'), Load(s - 1), '\r');
  }
  static void Copy64(char* d, const char* s) { _mm512_storeu_si512(d, Load(s)); }
  static std::uint64_t High(const char* s) { return _mm512_movepi8_mask(Load(s)); }

  // A block of ASCII and Latin letters: each lead and its continuation become
  // one byte, then the continuations are squeezed out (VBMI2 compress).
  static constexpr int kLatinStride = 64;
  static unsigned Latin(const unsigned char* p, char*& b) {
    const __m512i v = Load(reinterpret_cast<const char*>(p));
    const std::uint64_t high = _mm512_movepi8_mask(v);
    const __m512i next = Load(reinterpret_cast<const char*>(p + 1));
    const __mmask64 lead =
        Is(_mm512_and_si512(v, _mm512_set1_epi8(static_cast<char>(0xFE))), static_cast<char>(0xC2));
    const __m512i below = _mm512_set1_epi8(static_cast<char>(0xC0));  // 80-BF, signed
    const std::uint64_t cont = _mm512_cmplt_epi8_mask(v, below);
    const std::uint64_t contNext = _mm512_cmplt_epi8_mask(next, below);
    const __m512i latin = _mm512_or_si512(
        _mm512_and_si512(_mm512_slli_epi16(v, 6), _mm512_set1_epi8(static_cast<char>(0xC0))),
        _mm512_and_si512(next, _mm512_set1_epi8(0x3F)));
    // U+0080 to U+009F have no byte of their own (but five): the caller's.
    const std::uint64_t c1 =
        _mm512_mask_cmplt_epu8_mask(lead, latin, _mm512_set1_epi8(static_cast<char>(0xA0)));
    const std::uint64_t goodLead = lead & contNext & ~c1;
    const std::uint64_t goodCont = cont & (goodLead << 1);
    // Taken: up to the first other byte of 128 and above, or a lead whose
    // continuation is in the next block.
    const std::uint64_t stop =
        (high & ~(goodLead | goodCont)) | (goodLead & (std::uint64_t{1} << 63));
    const unsigned taken = stop == 0 ? 64 : static_cast<unsigned>(_tzcnt_u64(stop));
    const std::uint64_t keep = ~cont & _bzhi_u64(~std::uint64_t{0}, taken);
    _mm512_storeu_si512(b,
                        _mm512_maskz_compress_epi8(keep, _mm512_mask_blend_epi8(lead, v, latin)));
    b += _mm_popcnt_u64(keep);
    return taken;
  }
  static bool ValidUtf8Blocks(const unsigned char* p, const unsigned char* end, bool& nonAscii) {
    return utf8_check::ValidUtf8Blocks(p, end, nonAscii);
  }
  static unsigned Ctz(std::uint64_t m) { return static_cast<unsigned>(_tzcnt_u64(m)); }
  static unsigned Count(std::uint64_t m) { return static_cast<unsigned>(_mm_popcnt_u64(m)); }
};

}  // namespace

extern const KernelSet kAvx512Set = kSetOf<Avx512>;

}  // namespace quorlin::detail
#endif
