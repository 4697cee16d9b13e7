#include "convert/text/text_codec.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "convert/kernels/bulk_kernel.h"
#include "convert/text/cp1252.h"
#include "convert/text/utf8.h"

namespace quorlin {
namespace {

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// U+FDD0 and U+FDD1: Qt's document marks frames with them, so a pane cannot hold them.
bool IsReserved(char32_t c) { return c == 0xFDD0 || c == 0xFDD1; }

// The first byte from p on (before end) that is 128 or above, CR, LF or NUL.
const unsigned char* SkipPlain(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
    const __m128i marked = _mm_or_si128(_mm_or_si128(breaks, _mm_cmpeq_epi8(v, zero)), v);
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(marked));  // sign bits
    if (mask != 0) return p + __builtin_ctz(mask);
    p += 16;
  }
#endif
  while (p < end && *p < 0x80 && *p != '\r' && *p != '\n' && *p != 0) ++p;
  return p;
}

// The first byte from p on (before end) that is 128 or above.
const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  while (end - p >= 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                      static_cast<unsigned>(_mm_movemask_epi8(b)) << 16;
    if (mask != 0) return p + __builtin_ctz(mask);
    p += 32;
  }
#endif
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080u) != 0) break;
    p += 8;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}

template <class Unit>
Unit* CopyAscii(const unsigned char* p, const unsigned char* q, Unit* d) {
  const auto n = static_cast<std::size_t>(q - p);
  if constexpr (sizeof(Unit) == 1) {
    std::memcpy(d, p, n);
  } else {
    for (std::size_t i = 0; i < n; ++i) d[i] = p[i];
  }
  return d + n;
}

// Reads the next UTF-16 code unit at p, its first byte perhaps kept from the
// earlier piece (partial, partialLength 0 or 1). False when the piece ends
// before a whole unit; a last lone byte is then kept.
bool NextUtf16Unit(const unsigned char*& p, const unsigned char* end, bool little,
                   unsigned char* partial, std::size_t& partialLength, char32_t& unit) {
  unsigned first, second;
  if (partialLength == 1) {
    if (p == end) return false;
    first = partial[0];
    second = *p++;
    partialLength = 0;
  } else if (end - p >= 2) {
    first = p[0];
    second = p[1];
    p += 2;
  } else {
    if (p < end) {
      partial[0] = *p;
      partialLength = 1;
    }
    return false;
  }
  unit = little ? (first | second << 8) : (first << 8 | second);
  return true;
}

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Cp1252:
      return "Windows-1252";
    case TextEncoding::Utf8:
      return "UTF-8";
    default:
      return "UTF-16";
  }
}

template <class Unit>
Unit* TextDecoder<Unit>::Break(Unit* d) {
  if constexpr (sizeof(Unit) == 1) *d++ = '\r';
  *d++ = '\n';
  return d;
}

template <class Unit>
Unit* TextDecoder<Unit>::Put(char32_t cp, Unit* d) {
  pendingCR_ = false;
  if (cp == 0x2028 || cp == 0x2029) return Break(d);
  if (IsReserved(cp)) cp = 0xFFFD;
  if constexpr (sizeof(Unit) == 1) {
    return EncodeUtf8(cp, d);
  } else {
    if (cp < 0x10000) {
      *d++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *d++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *d++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    return d;
  }
}

template <class Unit>
bool TextDecoder<Unit>::Control(char32_t c, Unit*& d) {
  if (c == '\r') {
    d = Break(d);
    pendingCR_ = true;
  } else if (c == '\n') {
    if (pendingCR_)
      pendingCR_ = false;  // the second half of a CR LF
    else
      d = Break(d);
  } else {
    ended_ = true;  // a zero character: the text ends here
    return false;
  }
  return true;
}

template <class Unit>
Unit* TextDecoder<Unit>::Feed(const char* src, std::size_t n, Unit* d) {
  if (ended_ || n == 0) return d;
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  switch (encoding_) {
    case TextEncoding::Cp1252:
      return FeedBytes(p, p + n, d);
    case TextEncoding::Utf8:
      return FeedUtf8(p, p + n, d);
    default:
      return FeedUtf16(p, p + n, d);
  }
}

template <class Unit>
Unit* TextDecoder<Unit>::FeedBytes(const unsigned char* p, const unsigned char* end, Unit* d) {
  while (p < end) {
    const unsigned char* q = SkipPlain(p, end);
    if (q != p) {
      d = CopyAscii(p, q, d);
      pendingCR_ = false;
      p = q;
      if (p == end) break;
    }
    const unsigned char c = *p++;
    if (c >= 0x80)
      d = Put(Cp1252ToUnicode(c), d);
    else if (!Control(c, d))
      return d;
  }
  return d;
}

template <class Unit>
Unit* TextDecoder<Unit>::FeedUtf8(const unsigned char* p, const unsigned char* end, Unit* d) {
  if (partialLength_ != 0) {
    // The sequence cut by the previous piece: decode the cut bytes, taking what
    // they need from this piece. They are all 128 or above.
    const std::size_t cut = partialLength_;
    unsigned char buffer[8];
    std::memcpy(buffer, partial_, cut);
    const std::size_t taken = std::min<std::size_t>(4, static_cast<std::size_t>(end - p));
    std::memcpy(buffer + cut, p, taken);
    std::size_t i = 0;
    while (i < cut) {
      char32_t cp = 0;
      const int length = DecodeUtf8(buffer + i, cut + taken - i, cp);
      if (length == 0) {  // still short: this piece was too
        partialLength_ = cut + taken - i;
        std::memcpy(partial_, buffer + i, partialLength_);
        return d;
      }
      if (length < 0) {
        d = Put(Cp1252ToUnicode(buffer[i]), d);
        ++i;
      } else {
        d = Put(cp, d);
        i += static_cast<std::size_t>(length);
      }
    }
    partialLength_ = 0;
    p += i - cut;
  }
  while (p < end) {
    const unsigned char* q = SkipPlain(p, end);
    if (q != p) {
      d = CopyAscii(p, q, d);
      pendingCR_ = false;
      p = q;
      if (p == end) break;
    }
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      if (!Control(c, d)) return d;
      continue;
    }
    char32_t cp = 0;
    const int length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
    if (length == 0) {
      partialLength_ = static_cast<std::size_t>(end - p);
      std::memcpy(partial_, p, partialLength_);
      return d;
    }
    if (length < 0) {
      d = Put(Cp1252ToUnicode(c), d);
      ++p;
    } else if (sizeof(Unit) == 1 && cp != 0x2028 && cp != 0x2029 && !IsReserved(cp)) {
      d = CopyAscii(p, p + length, d);  // the sequence as it is
      pendingCR_ = false;
      p += length;
    } else {
      d = Put(cp, d);
      p += length;
    }
  }
  return d;
}

template <class Unit>
Unit* TextDecoder<Unit>::FeedUtf16(const unsigned char* p, const unsigned char* end, Unit* d) {
  const bool little = encoding_ == TextEncoding::Utf16LE;
  for (;;) {
    char32_t unit;
    if (!NextUtf16Unit(p, end, little, partial_, partialLength_, unit)) break;
    if (pendingHigh_ != 0) {
      const char32_t high = pendingHigh_;
      pendingHigh_ = 0;
      if (IsLowSurrogate(unit)) {
        d = Put(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), d);
        continue;
      }
      d = Put(0xFFFD, d);
    }
    if (IsHighSurrogate(unit)) {
      pendingHigh_ = static_cast<char16_t>(unit);
    } else if (IsLowSurrogate(unit)) {
      d = Put(0xFFFD, d);
    } else if (unit == '\r' || unit == '\n' || unit == 0) {
      if (!Control(unit, d)) return d;
    } else {
      d = Put(unit, d);
    }
  }
  return d;
}

template <class Unit>
Unit* TextDecoder<Unit>::Finish(Unit* d) {
  if (!ended_) {
    if (encoding_ == TextEncoding::Utf8)
      for (std::size_t i = 0; i < partialLength_; ++i) d = Put(Cp1252ToUnicode(partial_[i]), d);
    if (pendingHigh_ != 0) d = Put(0xFFFD, d);
  }
  partialLength_ = 0;
  pendingHigh_ = 0;
  return d;
}

template class TextDecoder<char>;
template class TextDecoder<char16_t>;

std::string DecodeText(TextEncoding encoding, std::string_view bytes) {
  TextDecoder<char> decoder(encoding);
  std::string out(TextDecoder<char>::MaxOutput(bytes.size()), '\0');
  char* end = decoder.Feed(bytes.data(), bytes.size(), out.data());
  end = decoder.Finish(end);
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::u16string NormalizePaneText(std::u16string_view text, bool* cut) {
  const std::size_t zero = text.find(u'\0');
  if (cut) *cut = zero != std::u16string_view::npos;
  text = text.substr(0, zero);
  std::u16string out;
  out.reserve(text.size());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      out += u'\n';
      if (i + 1 < size && text[i + 1] == u'\n') ++i;
    } else if (c == u'\n' || c == u'\u2028' || c == u'\u2029') {
      out += u'\n';
    } else if (IsHighSurrogate(c) && i + 1 < size && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || IsReserved(c)) {
      out += u'\uFFFD';
    } else {
      out += c;
    }
  }
  return out;
}

std::size_t UnfinishedUtf8Length(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const unsigned char c = p[n - back];
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t need = c >= 0xF0 && c <= 0xF4   ? 4
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xC2 && c <= 0xDF ? 2
                                                      : 1;
    return need > back ? back : 0;
  }
  return 0;
}

std::size_t AsciiPrefixLength(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  return static_cast<std::size_t>(SkipAscii(p, p + bytes.size()) - p);
}

void AppendUtf8(std::u16string_view text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size() * 3);
  char* d = out.data() + start;
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p < end) {
#if defined(__SSE2__)
    // Eight units below 128 at a time.
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (end - p >= 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128())) != 0xFFFF)
        break;
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(v, v));
      p += 8;
      d += 8;
    }
    if (p == end) break;
#endif
    char32_t c = *p++;
    if (c < 0x80) {
      *d++ = static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(c) && p < end && IsLowSurrogate(*p))
      c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
    else if (IsHighSurrogate(c) || IsLowSurrogate(c))
      c = 0xFFFD;
    d = EncodeUtf8(c, d);
  }
  out.resize(static_cast<std::size_t>(d - out.data()));
}

std::uint64_t TextCheck::Feed(std::string_view bytes) {
  if (invalid_ == kValid && encoding_ != TextEncoding::Cp1252 && !bytes.empty()) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    invalid_ = encoding_ == TextEncoding::Utf8 ? FeedUtf8(p, p + bytes.size())
                                               : FeedUtf16(p, p + bytes.size());
  }
  offset_ += bytes.size();
  return invalid_;
}

std::uint64_t TextCheck::Finish() {
  if (invalid_ == kValid) {
    if (pendingHigh_) {  // UTF-16: the high surrogate before an odd byte, if any
      invalid_ = offset_ - partialLength_ - 2;
    } else if (partialLength_ != 0) {
      invalid_ = offset_ - partialLength_;
      oddEnd_ = encoding_ != TextEncoding::Utf8;
    }
  }
  partialLength_ = 0;
  pendingHigh_ = false;
  return invalid_;
}

std::uint64_t TextCheck::FeedUtf8(const unsigned char* p, const unsigned char* end) {
  const unsigned char* const start = p;
  if (partialLength_ != 0) {
    unsigned char buffer[4];
    std::memcpy(buffer, partial_, partialLength_);
    const std::size_t taken =
        std::min<std::size_t>(4 - partialLength_, static_cast<std::size_t>(end - p));
    std::memcpy(buffer + partialLength_, p, taken);
    char32_t cp = 0;
    const int length = DecodeUtf8(buffer, partialLength_ + taken, cp);
    if (length < 0) return offset_ - partialLength_;  // it began in an earlier piece
    if (length == 0) {
      std::memcpy(partial_ + partialLength_, p, taken);
      partialLength_ += taken;
      return kValid;
    }
    sawMultiByte_ = true;
    p += static_cast<std::size_t>(length) - partialLength_;
    partialLength_ = 0;
  }
  // All but a character cut by the end at once; one sequence at a time only
  // to find where it is not valid.
  const unsigned char* const whole =
      end - UnfinishedUtf8Length(std::string_view(reinterpret_cast<const char*>(p),
                                                  static_cast<std::size_t>(end - p)));
  if (detail::ValidUtf8(kernel_, p, whole, sawMultiByte_)) p = whole;
  for (;;) {
    p = SkipAscii(p, end);
    if (p == end) return kValid;
    char32_t cp = 0;
    const int length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
    if (length < 0) return offset_ + static_cast<std::uint64_t>(p - start);
    if (length == 0) {
      partialLength_ = static_cast<std::size_t>(end - p);
      std::memcpy(partial_, p, partialLength_);
      return kValid;
    }
    sawMultiByte_ = true;
    p += length;
  }
}

std::uint64_t TextCheck::FeedUtf16(const unsigned char* p, const unsigned char* end) {
  const bool little = encoding_ == TextEncoding::Utf16LE;
  // Offset of the unit being read: it may begin with a byte of the earlier piece.
  std::uint64_t at = offset_ - partialLength_;
  for (;;) {
    char32_t unit;
    if (!NextUtf16Unit(p, end, little, partial_, partialLength_, unit)) return kValid;
    if (pendingHigh_) {
      pendingHigh_ = false;
      if (!IsLowSurrogate(unit)) return at - 2;
    } else if (IsHighSurrogate(unit)) {
      pendingHigh_ = true;
    } else if (IsLowSurrogate(unit)) {
      return at;
    }
    at += 2;
  }
}

void TextPosition::Advance(std::string_view bytes) {
  if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
    const bool little = encoding_ == TextEncoding::Utf16LE;
    for (const char byte : bytes) {
      const auto b = static_cast<unsigned char>(byte);
      if (!oddByte_) {
        firstByte_ = b;
        oddByte_ = true;
        continue;
      }
      oddByte_ = false;
      const char32_t unit = little ? (firstByte_ | b << 8) : (firstByte_ << 8 | b);
      if (unit == '\n') {
        if (pendingCR_)
          pendingCR_ = false;
        else
          NewLine(false);
      } else if (unit == '\r') {
        NewLine(true);
      } else if (unit == 0x2028 || unit == 0x2029) {
        NewLine(false);
      } else if (!IsLowSurrogate(unit)) {  // a pair counts once
        pendingCR_ = false;
        ++column_;
      }
    }
    return;
  }
  const bool utf8 = encoding_ == TextEncoding::Utf8;
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    if (b == '\n') {
      if (pendingCR_)
        pendingCR_ = false;
      else
        NewLine(false);
    } else if (b == '\r') {
      NewLine(true);
    } else {
      pendingCR_ = false;
      if (!utf8 || (b & 0xC0) != 0x80)
        ++column_;
      else if ((b == 0xA8 || b == 0xA9) && last_[0] == 0xE2 && last_[1] == 0x80)
        NewLine(false);  // U+2028, U+2029
    }
    last_[0] = last_[1];
    last_[1] = b;
  }
}

}  // namespace quorlin
