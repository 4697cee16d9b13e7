#include "convert/bulk_kernel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define QUORLIN_X86_64 1
#endif

namespace quorlin::detail {
namespace {

#if defined(QUORLIN_X86_64) && defined(__SSE2__)
// Bit i set when byte i of v is not plain.
unsigned MarkSse2(__m128i v) {
  __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8('"'));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('.')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('<')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('>')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
  m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(m, v)));  // sign bit: >= 128
}

int CountBits(std::uint64_t x) {  // without a call: the baseline has no popcnt
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((x * 0x0101010101010101u) >> 56);
}

void MarkBlocksSse2(const char* p, std::size_t blocks, std::uint64_t* marks, std::uint8_t* counts) {
  for (std::size_t k = 0; k < blocks; ++k, p += 64) {
    const auto* v = reinterpret_cast<const __m128i*>(p);
    const std::uint64_t m0 = MarkSse2(_mm_loadu_si128(v));
    const std::uint64_t m1 = MarkSse2(_mm_loadu_si128(v + 1));
    const std::uint64_t m2 = MarkSse2(_mm_loadu_si128(v + 2));
    const std::uint64_t m3 = MarkSse2(_mm_loadu_si128(v + 3));
    marks[k] = m0 | (m1 << 16) | (m2 << 32) | (m3 << 48);
    counts[k] = static_cast<std::uint8_t>(CountBits(marks[k]));
  }
}

// The marked bytes by their two halves: a byte is marked when the entries of
// its low and high half in these tables share a bit. Bit 0: 0x00, 0x0A, 0x0D;
// bit 1: 0x22, 0x26, 0x2E; bit 2: 0x3C, 0x3E; bit 7: 0x80-0xFF.
constexpr unsigned char kLowHalf[16] = {0x81, 0x80, 0x82, 0x80, 0x80, 0x80, 0x82, 0x80,
                                        0x80, 0x80, 0x81, 0x80, 0x84, 0x81, 0x86, 0x80};
constexpr unsigned char kHighHalf[16] = {1, 0, 2, 4, 0, 0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

__attribute__((target("avx2"))) inline std::uint64_t MarkAvx2(const char* at, __m256i lowTable,
                                                                __m256i highTable) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i low = _mm256_shuffle_epi8(lowTable, _mm256_and_si256(v, nibble));
  const __m256i high = _mm256_shuffle_epi8(highTable, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
  const __m256i plain = _mm256_cmpeq_epi8(_mm256_and_si256(low, high), _mm256_setzero_si256());
  return ~static_cast<std::uint32_t>(_mm256_movemask_epi8(plain));
}

__attribute__((target("avx2,popcnt"))) void MarkBlocksAvx2(const char* p, std::size_t blocks,
                                                            std::uint64_t* marks, std::uint8_t* counts) {
  const __m256i lowTable =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kLowHalf)));
  const __m256i highTable =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kHighHalf)));
  for (std::size_t k = 0; k < blocks; ++k, p += 64) {
    const std::uint64_t m = MarkAvx2(p, lowTable, highTable) | (MarkAvx2(p + 32, lowTable, highTable) << 32);
    marks[k] = m;
    counts[k] = static_cast<std::uint8_t>(_mm_popcnt_u64(m));
  }
}
#endif

void MarkBlocksScalar(const char* p, std::size_t blocks, std::uint64_t* marks, std::uint8_t* counts) {
  for (std::size_t k = 0; k < blocks; ++k) {
    std::uint64_t m = 0;
    int n = 0;
    for (int i = 0; i < 64; ++i, ++p) {
      if (kByteClass[static_cast<unsigned char>(*p)] != kPlain) {
        m |= std::uint64_t{1} << i;
        ++n;
      }
    }
    marks[k] = m;
    counts[k] = static_cast<std::uint8_t>(n);
  }
}

}  // namespace

std::array<MarkBlocksChoice, 3> MarkBlocksChoices(std::size_t& count) {
  std::array<MarkBlocksChoice, 3> choices{};
  count = 0;
  choices[count++] = {"scalar", MarkBlocksScalar};
#if defined(QUORLIN_X86_64) && defined(__SSE2__)
  choices[count++] = {"sse2", MarkBlocksSse2};
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) choices[count++] = {"avx2", MarkBlocksAvx2};
#endif
  return choices;
}

void MarkBlocks(const char* p, std::size_t blocks, std::uint64_t* marks, std::uint8_t* counts) {
  static const MarkBlocksFunction mark = [] {
    std::size_t count = 0;
    return MarkBlocksChoices(count)[count - 1].mark;
  }();
  mark(p, blocks, marks, counts);
}

}  // namespace quorlin::detail
