#pragma once
// The body of every kernel, for the kernel sources only: each includes this and
// instantiates Run with its instruction set's Isa, in a source compiled for that
// instruction set. All of it has internal linkage, and what it calls from other
// headers (DecodeUtf8, UnicodeToCp1252, FullStopRun) is always inlined, so that
// code built for one instruction set never stands in for another's at link
// time; the test kernel_symbols checks each kernel's object, at -O0 too.
//
// A piece goes through PieceRun: its first byte alone (Byte), then whole blocks
// (Block) while a block more can be read, then the last bytes alone. A block
// takes one of three paths by its marks:
//   - few fast marks only: CopyPlainBlock, then PatchMarkedSlots;
//   - slow marks: MarkByMark;
//   - more than kDenseBlock marks: DenseBlock.
// Full stops go through FullStopRun (full_stop_run.h) on every path.
//
// An Isa gives:
//   static BlockMarks Mark<kMode>(const char* s)  the marks of the 64 bytes at s
//                                                 (reads s[-1] to s[64])
//   static std::uint64_t CrLf(const char* s)      both bytes of its CR LFs (same reads)
//   static void Copy64(char* d, const char* s)
//   static unsigned Ctz(std::uint64_t m)          trailing zeros, 64 for 0
//   static unsigned Count(std::uint64_t m)        set bits
//   static std::uint64_t High(const char* s)      its bytes of 128 and above
// and may give Dense<kMode>, which writes a block of many marks faster than
// slot by slot (or declines it); for the UTF-8 helpers,
//   static unsigned Latin(const unsigned char* p, char*& b)
//     kLatinStride bytes at p (p[kLatinStride] is read too): the longest prefix
//     made of ASCII and of whole two-byte sequences of U+00A0 to U+00FF turned
//     into its Windows-1252 bytes at b (a whole stride may be written there),
//     b moved past them; returns how many source bytes that prefix has;
//   static bool ValidUtf8Blocks(const unsigned char* p, const unsigned char* end,
//                               bool& nonAscii)  ValidUtf8's work.
//
// A block's bytes, with the bytes on both sides in view, fall into three kinds:
//   - fast: written from their slot whatever their neighbours (markup
//     characters; in kStream also bytes of 128 and above, and a CR or LF that
//     is not half of a CR LF, whose slot is CR LF);
//   - slow: a full stop with a full stop next to it (a run that may give an
//     ellipsis), or a byte the mode stops at (kStream: NUL; kLineUtf8: bytes of
//     128 and above);
//   - plain: copied as they are (a CR LF is its own output in kStream, and so is
//     a lone full stop).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/kernels/bulk_kernel.h"
#include "convert/text/cp1252.h"
#include "convert/text/utf8.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace quorlin::detail {
namespace {

// Ctz and Count of the instruction sets without BMI and popcnt (scalar, SSE2).
struct BaselineBits {
  static unsigned Ctz(std::uint64_t m) {
    return m == 0 ? 64 : static_cast<unsigned>(__builtin_ctzll(m));
  }
  static unsigned Count(std::uint64_t x) {  // without a call: the baseline has no popcnt
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<unsigned>((x * 0x0101010101010101u) >> 56);
  }
};

struct BlockMarks {
  std::uint64_t fast;
  std::uint64_t slow;
};

// The marks of one byte c between prev and next, as every Isa must give them.
template <RunMode kMode>
inline void MarkByte(unsigned char prev, unsigned char c, unsigned char next, bool& fast,
                     bool& slow) {
  const bool entity = c == '"' || c == '&' || c == '<' || c == '>';
  const bool high = c >= 128;
  const bool dotRun = c == '.' && (prev == '.' || next == '.');
  if constexpr (kMode == RunMode::kStream) {
    fast = entity || high || (c == '\r' && next != '\n') || (c == '\n' && prev != '\r');
    slow = dotRun || c == 0;
  } else {
    fast = entity;
    slow = dotRun || high;
  }
}

// The bytes of a block, one bit of a mask each.
constexpr std::ptrdiff_t kBlock = 64;
// Above this many marks in a block, the block goes through every byte's slot.
constexpr unsigned kDenseBlock = 24;
// Marks written per round of the straight path: most blocks of prose have two
// or fewer. Measured: 2 as fast as 3 on fr.txt and faster where blocks have no
// marks; 1 and 4 slower by 10 to 30 %.
constexpr int kMarksPerRound = 2;

// Whether the Isa writes dense blocks itself.
template <class Isa, RunMode kMode>
constexpr bool kHasDense = requires(const EntityTables& t, const char* s, BlockMarks m, char* d) {
  Isa::template Dense<kMode>(t, s, m, d);
};

// One run of a kernel over a piece [p, end). The output pointer and the
// full-stop run are its own while it runs, so that they stay in registers once
// the compiler has inlined its steps into Run, as GCC does in the Release build.
// (Forcing that with always_inline measured 1 to 3 % slower with AVX-512.)
template <class Isa, RunMode kMode>
class PieceRun {
 public:
  PieceRun(const EntityTables& t, const char* p, const char* end, char* d, FullStopRun stops)
      : t_(t), p_(p), end_(end), d_(d), stops_(stops) {
    stops_.Resume(p, d_);
  }

  // Encodes the piece; returns where it stopped: end, or a stop byte of the mode.
  const char* Encode() {
    const char* s = p_;
    // The blocks look at the byte before them: the first byte goes alone.
    if (s < end_) {
      if (!Byte(s)) return s;
      ++s;
    }
    // Whole blocks while a block past them can be read too (the copies of plain
    // bytes always move a whole block).
    for (; end_ - s >= 2 * kBlock; s += kBlock)
      if (const char* const stop = Block(s)) return stop;
    for (; s < end_; ++s)
      if (!Byte(s)) return s;
    return end_;
  }

  // Holds the full stops that end the piece, which stopped at `stop`, and hands
  // back the output's end and the run.
  void Finish(const char* stop, char*& dst, FullStopRun& stops) {
    stops_.Hold(stop, d_);
    dst = d_;
    stops = stops_;
  }

 private:
  void Slot(unsigned char c) {
    std::memcpy(d_, t_.text[c], 8);
    d_ += t_.length[c];
  }
  void FullStop(const char* q) { stops_.Add(q, t_.ellipsis, t_.ellipsisLength, d_); }

  // Any byte, seeing only the byte before it within the piece; false at a stop byte.
  bool Byte(const char* q) {
    const auto c = static_cast<unsigned char>(*q);
    if (c == '.') {
      FullStop(q);
      return true;
    }
    if (t_.length[c] == 0) return false;
    if constexpr (kMode == RunMode::kStream) {
      // A CR LF is copied as it is, as in the blocks. A CR that ends the piece
      // is a break of its own: the caller skips a LF that starts the next piece.
      if ((c == '\r' && q + 1 < end_ && q[1] == '\n') || (c == '\n' && q != p_ && q[-1] == '\r')) {
        *d_++ = static_cast<char>(c);
        return true;
      }
    }
    Slot(c);
    return true;
  }

  // The block at base, by its marks; returns its stop byte, or null.
  const char* Block(const char* base) {
    const BlockMarks marks = Isa::template Mark<kMode>(base);
    if (Isa::Count(marks.fast | marks.slow) > kDenseBlock) [[unlikely]]
      return DenseBlock(base, marks);
    if (marks.slow != 0) [[unlikely]]
      return MarkByMark(base, marks);
    CopyPlainBlock(base);
    PatchMarkedSlots(base, marks.fast);
    return nullptr;
  }

  // Mostly marked bytes: the Isa's own dense path where it has one and takes
  // the block, else every byte through its slot (a plain byte's slot is
  // itself); only the exceptions leave the straight path. (The loops stop at
  // their end exactly, as q never passes the next exception.)
  const char* DenseBlock(const char* base, BlockMarks marks) {
    if constexpr (kHasDense<Isa, kMode>) {
      if (char* const written = Isa::template Dense<kMode>(t_, base, marks, d_)) {
        d_ = written;
        return nullptr;
      }
    }
    std::uint64_t exceptions = marks.slow;
    if constexpr (kMode == RunMode::kStream) exceptions |= Isa::CrLf(base);
    const char* q = base;
    for (; exceptions != 0; exceptions &= exceptions - 1, ++q) {
      for (const char* const upTo = base + Isa::Ctz(exceptions); q != upTo; ++q)
        Slot(static_cast<unsigned char>(*q));
      if (kMode == RunMode::kStream && (*q == '\r' || *q == '\n')) {
        *d_++ = *q;  // half of a CR LF (the slots of CR and LF are CR LF)
      } else if (*q == '.') {
        FullStop(q);
      } else {
        return q;
      }
    }
    for (; q != base + kBlock; ++q) Slot(static_cast<unsigned char>(*q));
    return nullptr;
  }

  // Runs of full stops or a stop byte: mark by mark, the plain bytes between
  // them moved a block at a time.
  const char* MarkByMark(const char* base, BlockMarks marks) {
    const char* s = base;
    std::uint64_t m = marks.fast | marks.slow;
    do {
      const unsigned at = Isa::Ctz(m);
      const char* const q = base + at;
      Isa::Copy64(d_, s);  // the gap before a mark is shorter than a block
      d_ += q - s;
      if ((marks.slow >> at) & 1) {
        if (*q != '.') return q;
        FullStop(q);
      } else {
        Slot(static_cast<unsigned char>(*q));
      }
      s = q + 1;
      m &= m - 1;
    } while (m != 0);
    Isa::Copy64(d_, s);
    d_ += base + kBlock - s;
    return nullptr;
  }

  // The straight path, without a branch per mark: the block is copied whole,
  // then each mark's slot is patched in (PatchMarkedSlots).
  void CopyPlainBlock(const char* base) { Isa::Copy64(d_, base); }

  // Each mark writes its slot where it lands and copies the plain bytes after
  // it to their place behind the slot. Once the marks run out a step's mark is
  // byte 64 and adds nothing: its writes land past the block's output, which
  // the next block overwrites.
  void PatchMarkedSlots(const char* base, std::uint64_t m) {
    std::size_t extra = 0;  // output bytes so far beyond one per source byte
    do {
      for (int i = 0; i < kMarksPerRound; ++i) {
        const std::size_t real = m != 0;
        const std::size_t at = Isa::Ctz(m);
        m &= m - 1;
        const auto c = static_cast<unsigned char>(base[at]);
        std::memcpy(d_ + at + extra, t_.text[c], 8);
        extra += (t_.length[c] - std::size_t{1}) & (0 - real);
        Isa::Copy64(d_ + at + real + extra, base + at + real);
      }
    } while (m != 0);
    d_ += kBlock + extra;
  }

  const EntityTables& t_;
  const char* const p_;
  const char* const end_;
  char* d_;
  FullStopRun stops_;
};

// EncodeRun's work (bulk_kernel.h) for one instruction set.
template <class Isa, RunMode kMode>
const char* Run(const EntityTables& t, const char* p, const char* end, char*& dst,
                FullStopRun& stops) {
  PieceRun<Isa, kMode> piece(t, p, end, dst, stops);
  const char* const stop = piece.Encode();
  piece.Finish(stop, dst, stops);
  return stop;
}

// UTF-8 to Windows-1252 (bulk_kernel.h): blocks while they are ASCII and Latin
// letters, the rest one character at a time.
template <class Isa>
const unsigned char* Utf8ToCp1252(const unsigned char* p, const unsigned char* const end,
                                  char*& dst, char* const dstEnd) {
  char* b = dst;
  for (;;) {
    // A whole block moves on by its stride on a branch: were the step the count
    // itself, each block's loads would wait for the one before to finish.
    if constexpr (requires { Isa::Latin(p, b); }) {
      constexpr std::ptrdiff_t kStride = Isa::kLatinStride;
      while (end - p > kStride && dstEnd - b >= kStride) {
        const unsigned taken = Isa::Latin(p, b);
        if (taken == kStride) [[likely]] {
          p += kStride;
          continue;
        }
        p += taken;
        break;
      }
    } else {
      while (end - p >= 64 && dstEnd - b >= 64) {
        const auto* s = reinterpret_cast<const char*>(p);
        const std::uint64_t high = Isa::High(s);
        Isa::Copy64(b, s);
        if (high == 0) [[likely]] {
          p += 64;
          b += 64;
          continue;
        }
        const unsigned ascii = Isa::Ctz(high);
        p += ascii;
        b += ascii;
        break;
      }
    }
    if (p == end || b == dstEnd) break;
    if (*p < 0x80) {
      *b++ = static_cast<char>(*p++);
      continue;
    }
    char32_t cp = 0;
    const int length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
    if (length <= 0) break;
    const int byte = UnicodeToCp1252(cp);
    if (byte < 0) break;
    *b++ = static_cast<char>(byte);
    p += length;
  }
  dst = b;
  return p;
}

template <class Isa>
bool ValidUtf8(const unsigned char* p, const unsigned char* const end, bool& nonAscii) {
  if constexpr (requires { Isa::ValidUtf8Blocks(p, end, nonAscii); }) {
    return Isa::ValidUtf8Blocks(p, end, nonAscii);
  } else {
    // ASCII by blocks, the other bytes one sequence at a time.
    for (;;) {
      for (; end - p >= 64; p += 64) {
        if (const std::uint64_t high = Isa::High(reinterpret_cast<const char*>(p))) {
          p += Isa::Ctz(high);
          break;
        }
      }
      while (p < end && *p < 0x80) ++p;
      if (p == end) return true;
      nonAscii = true;
      char32_t cp = 0;
      const int length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
      if (length <= 0) return false;
      p += length;
    }
  }
}

template <class Isa>
constexpr KernelSet kSetOf = {&Run<Isa, RunMode::kStream>, &Run<Isa, RunMode::kLineUtf8>,
                              &Utf8ToCp1252<Isa>, &ValidUtf8<Isa>};

#if defined(__AVX2__)
// Which bytes of an 8-byte group to keep, in order, by the mask of those to
// drop: a Latin block squeezes out the second bytes of its sequences with it.
struct Compaction {
  std::uint8_t index[256][8];
  std::uint8_t kept[256];
};
constexpr Compaction kCompaction = [] {
  Compaction c{};
  for (int drop = 0; drop < 256; ++drop) {
    int n = 0;
    for (int i = 0; i < 8; ++i)
      if (!(drop >> i & 1)) c.index[drop][n++] = static_cast<std::uint8_t>(i);
    for (int i = n; i < 8; ++i) c.index[drop][i] = 0x80;
    c.kept[drop] = static_cast<std::uint8_t>(n);
  }
  return c;
}();

// Strict UTF-8 32 bytes at a time, after Keiser and Lemire ("Validating UTF-8
// in less than one instruction per byte", 2021): each byte is classified by its
// high nibble and by both nibbles of the byte before, three table lookups whose
// AND is zero exactly where the pair of bytes may follow each other; the bytes
// two and three places after a lead of 3 and 4 bytes must be continuations.
// Bits of the tables: the faults a pair can show.
namespace utf8_check {
constexpr char kTooShort = 1 << 0;                     // a lead not followed by a continuation
constexpr char kTooLong = 1 << 1;                      // ASCII followed by a continuation
constexpr char kOverlong3 = 1 << 2;                    // E0 80-9F
constexpr char kTooLarge = 1 << 3;                     // F4 90-BF, F5-FF
constexpr char kSurrogate = 1 << 4;                    // ED A0-BF
constexpr char kOverlong2 = 1 << 5;                    // C0, C1
constexpr char kTooLarge1000 = 1 << 6;                 // F5-FF 80-8F
constexpr char kOverlong4 = 1 << 6;                    // F0 80-8F
constexpr char kTwoConts = static_cast<char>(1 << 7);  // a continuation after a continuation
constexpr char kCarry = kTooShort | kTooLong | kTwoConts;

// clang-format off
// By the high nibble of the byte before.
constexpr char kFirstHigh[16] = {
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // ASCII
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // continuation
    kTooShort | kOverlong2, kTooShort,                                               // 2-byte lead
    kTooShort | kOverlong3 | kSurrogate,                                             // 3-byte lead
    kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};                             // 4-byte lead
// By the low nibble of the byte before.
constexpr char kBig = kCarry | kTooLarge | kTooLarge1000;
constexpr char kFirstLow[16] = {
    kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
    kCarry | kTooLarge, kBig, kBig, kBig, kBig, kBig, kBig, kBig, kBig, kBig | kSurrogate, kBig, kBig};
// By the high nibble of the byte itself.
constexpr char kCont8 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
constexpr char kCont9 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
constexpr char kContAB = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
constexpr char kSecondHigh[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,  // ASCII
    kCont8, kCont9, kContAB, kContAB,                                                        // continuation
    kTooShort, kTooShort, kTooShort, kTooShort};                                             // lead
// clang-format on

struct Blocks {
  __m256i previous, error, any;
};

inline __m256i Table(const char* table) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
}

// Without a branch for blocks of ASCII: in prose they alternate with the
// others at random, and a mispredicted branch costs more than the block.
inline void CheckBlock(Blocks& b, __m256i input) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  b.any = _mm256_or_si256(b.any, input);
  const __m256i across = _mm256_permute2x128_si256(b.previous, input, 0x21);
  const __m256i before1 = _mm256_alignr_epi8(input, across, 15);
  const __m256i before2 = _mm256_alignr_epi8(input, across, 14);
  const __m256i before3 = _mm256_alignr_epi8(input, across, 13);
  const __m256i faults = _mm256_and_si256(
      _mm256_and_si256(_mm256_shuffle_epi8(Table(kFirstHigh),
                                           _mm256_and_si256(_mm256_srli_epi16(before1, 4), nibble)),
                       _mm256_shuffle_epi8(Table(kFirstLow), _mm256_and_si256(before1, nibble))),
      _mm256_shuffle_epi8(Table(kSecondHigh),
                          _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
  const __m256i third = _mm256_subs_epu8(before2, _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
  const __m256i fourth =
      _mm256_subs_epu8(before3, _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
  const __m256i mustContinue =
      _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
  b.error = _mm256_or_si256(b.error, _mm256_xor_si256(mustContinue, faults));
  b.previous = input;
}

inline bool ValidUtf8Blocks(const unsigned char* p, const unsigned char* end, bool& nonAscii) {
  Blocks b{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  for (; end - p >= 32; p += 32)
    CheckBlock(b, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  // The rest, then ASCII after it: a sequence cut by the end shows as too short.
  alignas(32) unsigned char last[32] = {};
  std::memcpy(last, p, static_cast<std::size_t>(end - p));
  CheckBlock(b, _mm256_load_si256(reinterpret_cast<const __m256i*>(last)));
  CheckBlock(b, _mm256_setzero_si256());
  nonAscii = nonAscii || _mm256_movemask_epi8(b.any) != 0;
  return _mm256_testz_si256(b.error, b.error) != 0;
}
}  // namespace utf8_check
#endif

}  // namespace
}  // namespace quorlin::detail
