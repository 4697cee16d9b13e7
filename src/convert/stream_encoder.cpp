#include "convert/stream_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "convert/bulk_kernel.h"
#include "convert/cp1252.h"
#include "convert/utf8.h"

namespace quorlin {
namespace {

using detail::RunMode;

const detail::EntityTables& StreamTables(EntityMode mode) {
  static const detail::EntityTables named =
      detail::RunTables(detail::TablesFor(EntityMode::Named), RunMode::kStream);
  static const detail::EntityTables numeric =
      detail::RunTables(detail::TablesFor(EntityMode::Numeric), RunMode::kStream);
  return mode == EntityMode::Named ? named : numeric;
}

// The UTF-8 text turned into Windows-1252 bytes at a time.
constexpr std::size_t kBytesSize = 16 * 1024;

#if defined(__x86_64__)
// Which bytes of an 8-byte half to keep, in order, by the mask of those to drop.
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

// Turns UTF-8 into Windows-1252 bytes 16 at a time, as long as a block holds
// only ASCII and whole two-byte sequences of U+00A0 to U+00FF, which French
// and most Western text is made of: each lead and its continuation become
// one byte, then the continuations are squeezed out. No branch depends on
// where the characters fall; the first other block is left to the caller.
__attribute__((target("ssse3"))) void TranscodeLatinBlocks(const unsigned char*& from,
                                                           const unsigned char* end, char*& to,
                                                           const char* bytesEnd) {
  const unsigned char* p = from;  // in registers, not through the references
  char* b = to;
  const __m128i leadBits = _mm_set1_epi8(static_cast<char>(0xFE));
  const __m128i leads = _mm_set1_epi8(static_cast<char>(0xC2));
  const __m128i firstLead = _mm_set1_epi8(static_cast<char>(0xC0));
  const __m128i low6 = _mm_set1_epi8(0x3F);
  const __m128i low2 = _mm_set1_epi8(0x03);
  const __m128i top3 = _mm_set1_epi8(static_cast<char>(0xE0));
  const __m128i c1 = _mm_set1_epi8(static_cast<char>(0x80));
  while (end - p >= 16 && bytesEnd - b >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
    const __m128i isLead = _mm_cmpeq_epi8(_mm_and_si128(v, leadBits), leads);  // C2, C3
    const unsigned lead = static_cast<unsigned>(_mm_movemask_epi8(isLead));
    const unsigned cont = high & ~lead;
    const unsigned inRange =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, firstLead)));  // 80-BF
    // Each lead followed by a continuation, each continuation after a lead.
    if ((lead << 1) != cont || (cont & ~inRange) != 0) break;
    const __m128i next = _mm_srli_si128(v, 1);
    const __m128i latin =
        _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, low2), 6), _mm_and_si128(next, low6));
    // U+0080 to U+009F have no byte of their own (but five): the caller's.
    if ((static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(latin, top3), c1))) &
         lead) != 0)
      break;
    const __m128i t = _mm_or_si128(_mm_and_si128(isLead, latin), _mm_andnot_si128(isLead, v));
    const unsigned lowDrop = cont & 0xFF;
    const unsigned highDrop = cont >> 8;
    _mm_storel_epi64(
        reinterpret_cast<__m128i*>(b),
        _mm_shuffle_epi8(
            t, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompaction.index[lowDrop]))));
    b += kCompaction.kept[lowDrop];
    _mm_storel_epi64(
        reinterpret_cast<__m128i*>(b),
        _mm_shuffle_epi8(_mm_srli_si128(t, 8), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(
                                                   kCompaction.index[highDrop]))));
    b += kCompaction.kept[highDrop];
    p += 16;
  }
  from = p;
  to = b;
}

void TranscodeNothing(const unsigned char*&, const unsigned char*, char*&, const char*) {}
#endif

// Copies the bytes below 128 that `from` begins with (n bytes readable) to
// `to` (n bytes of room); returns how many.
std::size_t CopyAsciiPrefix(const unsigned char* from, std::size_t n, char* to) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), v);
    if (const int high = _mm_movemask_epi8(v))
      return i + static_cast<std::size_t>(__builtin_ctz(high));
  }
#endif
  for (; i < n && from[i] < 0x80; ++i) to[i] = static_cast<char>(from[i]);
  return i;
}

}  // namespace

StreamEncoder::StreamEncoder(EntityMode mode, Input input, Kernel kernel)
    : mode_(mode), utf8_(input == Input::Utf8), kernel_(kernel) {}

char* StreamEncoder::EndLine(char* d) {
  if (dots_ != 0) detail::WriteHeldDots(d, dots_);
  d[0] = '\r';
  d[1] = '\n';
  lineOpen_ = false;
  return d + 2;
}

char* StreamEncoder::Feed(const char* src, std::size_t n, char* d) {
  if (ended_ || n == 0) return d;
  if (!utf8_) return FeedBytes(src, src + n, d);
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  return FeedUtf8(p, p + n, d);
}

char* StreamEncoder::FeedBytes(const char* p, const char* end, char* d) {
  if (ended_ || p == end) return d;
  // Breaks are handled inside the run; only a CR LF cut between two pieces and
  // the line state at the end of the piece are left to do here.
  if (pendingCR_ && *p == '\n') ++p;
  pendingCR_ = false;
  const char* q =
      detail::EncodeRun<RunMode::kStream>(kernel_, StreamTables(mode_), p, end, d, dots_);
  if (q != p) {
    const char last = q[-1];
    lineOpen_ = last != '\r' && last != '\n';
    pendingCR_ = last == '\r';
  }
  if (q != end) ended_ = true;  // a zero byte
  return d;
}

char* StreamEncoder::Character(char32_t cp, char* d) {
  pendingCR_ = false;
  if (cp == 0x2028 || cp == 0x2029) return EndLine(d);
  lineOpen_ = true;
  if (dots_ != 0) detail::WriteHeldDots(d, dots_);  // a character ends the run
  if (cp == 0xFDD0 || cp == 0xFDD1) cp = 0xFFFD;    // as the panes hold them (text_codec.h)
  detail::WriteCodePoint(mode_, cp, d);
  return d;
}

char* StreamEncoder::FeedUtf8(const unsigned char* p, const unsigned char* end, char* d) {
  if (partialLength_ != 0) {
    // The sequence cut by the previous piece; its bytes are all 128 or above.
    const std::size_t cut = partialLength_;
    unsigned char buffer[8];
    std::memcpy(buffer, partial_, cut);
    const std::size_t taken = std::min<std::size_t>(4, static_cast<std::size_t>(end - p));
    std::memcpy(buffer + cut, p, taken);
    std::size_t i = 0;
    while (i < cut) {
      char32_t cp = 0;
      const int length = DecodeUtf8(buffer + i, cut + taken - i, cp);
      if (length == 0) {
        partialLength_ = cut + taken - i;
        std::memcpy(partial_, buffer + i, partialLength_);
        return d;
      }
      const int byte = length < 0 ? buffer[i] : UnicodeToCp1252(cp);
      if (byte >= 0) {
        const char c = static_cast<char>(byte);
        d = FeedBytes(&c, &c + 1, d);
      } else {
        d = Character(cp, d);
      }
      i += length < 0 ? 1 : static_cast<std::size_t>(length);
    }
    partialLength_ = 0;
    p += i - cut;
  }
  if (!bytes_) bytes_.reset(new char[kBytesSize]);
  while (p < end && !ended_) {
    // Windows-1252 bytes of the characters up to one it does not hold.
    char* b = bytes_.get();
    char* const bytesEnd = b + kBytesSize;
    char32_t other = 0;
    int otherLength = 0;
    while (p < end && b < bytesEnd) {
#if defined(__x86_64__)
      static const auto latinBlocks =
          __builtin_cpu_supports("ssse3") ? TranscodeLatinBlocks : TranscodeNothing;
      latinBlocks(p, end, b, bytesEnd);
#endif
      const std::size_t room = static_cast<std::size_t>(bytesEnd - b);
      const std::size_t ascii =
          CopyAsciiPrefix(p, std::min(room, static_cast<std::size_t>(end - p)), b);
      b += ascii;
      p += ascii;
      if (p == end || b == bytesEnd) break;
      char32_t cp = 0;
      int length;
      if (p[0] >= 0xC2 && p[0] <= 0xDF && end - p >= 2 &&
          (p[1] & 0xC0) == 0x80) {  // the common case
        cp = static_cast<char32_t>((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
        length = 2;
      } else {
        length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
      }
      if (length == 0) {
        partialLength_ = static_cast<std::size_t>(end - p);
        std::memcpy(partial_, p, partialLength_);
        p = end;
        break;
      }
      if (length < 0) {
        *b++ = static_cast<char>(*p++);  // read as Windows-1252
        continue;
      }
      const int byte = UnicodeToCp1252(cp);
      if (byte < 0) {
        other = cp;
        otherLength = length;
        break;
      }
      *b++ = static_cast<char>(byte);
      p += length;
    }
    d = FeedBytes(bytes_.get(), b, d);
    if (otherLength != 0 && !ended_) {
      d = Character(other, d);
      p += otherLength;
    }
  }
  return d;
}

char* StreamEncoder::Finish(char* d) {
  if (!ended_) {
    for (std::size_t i = 0; i < partialLength_; ++i) {
      const char c =
          static_cast<char>(partial_[i]);  // an unfinished sequence: its bytes as they are
      d = FeedBytes(&c, &c + 1, d);
    }
  }
  partialLength_ = 0;
  if (lineOpen_) d = EndLine(d);
  return d;
}

}  // namespace quorlin
