#include "convert/stream_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "convert/kernels/bulk_kernel.h"
#include "convert/text/cp1252.h"
#include "convert/text/utf8.h"

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

}  // namespace

StreamEncoder::StreamEncoder(EntityMode mode, Input input, Kernel kernel)
    : mode_(mode), utf8_(input == Input::Utf8), kernel_(kernel) {}

char* StreamEncoder::EndLine(char* d) {
  stops_.Release(d);
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
      detail::EncodeRun<RunMode::kStream>(kernel_, StreamTables(mode_), p, end, d, stops_);
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
  stops_.Release(d);                                // a character ends the run
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
      if (length < 0) invalidUtf8_ = true;
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
    char* noZeroBefore = b;  // the text has not ended before it
    char32_t other = 0;
    int otherLength = 0;
    while (p < end && b < bytesEnd) {
      p = detail::Utf8ToCp1252(kernel_, p, end, b, bytesEnd);
      if (p == end || b == bytesEnd) break;
      char32_t cp = 0;
      const int length = DecodeUtf8(p, static_cast<std::size_t>(end - p), cp);
      if (length == 0) {
        partialLength_ = static_cast<std::size_t>(end - p);
        std::memcpy(partial_, p, partialLength_);
        p = end;
        break;
      }
      if (length < 0) {
        if (std::memchr(noZeroBefore, 0, static_cast<std::size_t>(b - noZeroBefore)) != nullptr) {
          p = end;  // the text ended before this byte
          break;
        }
        noZeroBefore = b;
        invalidUtf8_ = true;
        *b++ = static_cast<char>(*p++);  // read as Windows-1252
        continue;
      }
      other = cp;  // a character Windows-1252 does not hold
      otherLength = length;
      break;
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
    if (partialLength_ != 0) invalidUtf8_ = true;
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
