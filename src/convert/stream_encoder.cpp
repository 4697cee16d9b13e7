#include "convert/stream_encoder.h"

#include <cstring>
#include <string>

#include "convert/bulk_kernel.h"
#include "convert/cp1252.h"
#include "convert/exceptions.h"

namespace quorlin {
namespace {

using detail::RunMode;

template <RunMode kMode>
const detail::EntityTables& RunTables(EntityMode mode) {
  static const detail::EntityTables named = detail::RunTables(detail::TablesFor(EntityMode::Named), kMode);
  static const detail::EntityTables numeric = detail::RunTables(detail::TablesFor(EntityMode::Numeric), kMode);
  return mode == EntityMode::Named ? named : numeric;
}

}  // namespace

StreamEncoder::StreamEncoder(EntityMode mode, Input input) : mode_(mode), utf8_(input == Input::Utf8) {}

char* StreamEncoder::EndLine(char* d) {
  if (dots_ != 0) detail::WriteHeldDots(d, dots_);
  d[0] = '\r';
  d[1] = '\n';
  lineOpen_ = false;
  ++line_;
  column_ = 0;
  return d + 2;
}

void StreamEncoder::ThrowInvalid() const {
  throw EConvertError("UTF-8 invalide à la ligne " + std::to_string(line_) + ", colonne " +
                      std::to_string(column_ + 1));
}

std::size_t StreamEncoder::DecodeSequence(const unsigned char* s, std::size_t avail, char32_t& cp) const {
  const unsigned char lead = s[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong form
    if (lead == 0xED) high = 0x9F;  // no surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlong form
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    ThrowInvalid();
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= avail) return 0;
    const unsigned char c = s[i];
    if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) ThrowInvalid();
    cp = (cp << 6) | (c & 0x3F);
  }
  return length;
}

char* StreamEncoder::WriteCodePoint(char32_t cp, char* d) {
  pendingCR_ = false;
  if (!started_) {
    started_ = true;
    if (cp == 0xFEFF) return d;  // byte-order mark
  }
  lineOpen_ = true;
  ++column_;
  if (dots_ != 0) detail::WriteHeldDots(d, dots_);
  const int byte = UnicodeToCp1252(cp);
  if (byte >= 0) {
    detail::WriteSlot(detail::TablesFor(mode_), static_cast<unsigned char>(byte), d);
    return d;
  }
  char digits[8];
  int n = 0;
  for (std::uint32_t v = cp; v != 0; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
  *d++ = '&';
  *d++ = '#';
  while (n > 0) *d++ = digits[--n];
  *d++ = ';';
  return d;
}

char* StreamEncoder::Feed(const char* src, std::size_t n, char* d) {
  if (ended_ || n == 0) return d;
  const char* p = src;
  const char* const end = src + n;

  if (!utf8_) {
    // Raw bytes: breaks are handled inside the run; only a CR LF cut between two
    // pieces and the line state at the end of the piece are left to do here.
    if (pendingCR_ && *p == '\n') ++p;
    pendingCR_ = false;
    const char* q = detail::EncodeRun<RunMode::kStream>(RunTables<RunMode::kStream>(mode_), p, end, d, dots_);
    if (q != p) {
      const char last = q[-1];
      lineOpen_ = last != '\r' && last != '\n';
      pendingCR_ = last == '\r';
    }
    if (q != end) ended_ = true;  // a zero byte
    return d;
  }

  if (partialLength_ != 0) {  // a UTF-8 sequence cut by the previous piece
    unsigned char buffer[4];
    std::memcpy(buffer, partial_, partialLength_);
    const std::size_t take = std::min<std::size_t>(4 - partialLength_, n);
    std::memcpy(buffer + partialLength_, p, take);
    char32_t cp = 0;
    const std::size_t length = DecodeSequence(buffer, partialLength_ + take, cp);
    if (length == 0) {
      std::memcpy(partial_ + partialLength_, p, take);
      partialLength_ += take;
      return d;
    }
    p += length - partialLength_;
    partialLength_ = 0;
    d = WriteCodePoint(cp, d);
  }

  const detail::EntityTables& tables = RunTables<RunMode::kUtf8>(mode_);
  while (p < end) {
    const char* q = detail::EncodeRun<RunMode::kUtf8>(tables, p, end, d, dots_);
    if (q != p) {
      pendingCR_ = false;
      lineOpen_ = true;
      started_ = true;
      column_ += static_cast<std::uint64_t>(q - p);
      p = q;
      if (p == end) break;
    }
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x80) {
      char32_t cp = 0;
      const std::size_t length = DecodeSequence(reinterpret_cast<const unsigned char*>(p),
                                                static_cast<std::size_t>(end - p), cp);
      if (length == 0) {
        partialLength_ = static_cast<std::size_t>(end - p);
        std::memcpy(partial_, p, partialLength_);
        return d;
      }
      p += length;
      d = WriteCodePoint(cp, d);
      continue;
    }
    ++p;
    started_ = true;
    if (c == '\r') {
      d = EndLine(d);
      pendingCR_ = true;
    } else if (c == '\n') {
      if (pendingCR_)
        pendingCR_ = false;  // the second half of a CR LF
      else
        d = EndLine(d);
    } else {  // zero byte: the text ends here
      ended_ = true;
      return d;
    }
  }
  return d;
}

char* StreamEncoder::Finish(char* d) {
  if (partialLength_ != 0) ThrowInvalid();
  if (lineOpen_) d = EndLine(d);
  return d;
}

}  // namespace quorlin
