// The UTF-8 reader of the streaming path against a plain model: a strict
// decoder (no overlong forms, no surrogates, nothing above U+10FFFF), a
// byte-order mark dropped at the start only, the text ending at U+0000;
// characters that Windows-1252 has are encoded as its byte, any other as
// "&#<code point>;". Invalid input must be refused, valid input never.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/cp1252.h"
#include "convert/exceptions.h"
#include "convert/stream_encoder.h"
#include "fuzz_support.h"
#include "stream_fuzz_common.h"

using quorlin::EntityMode;
using quorlin::StreamEncoder;
using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

// The code points of `s` up to the first U+0000, or nothing when the bytes
// before it are not valid UTF-8.
std::optional<std::u32string> Decode(std::string_view s) {
  std::u32string out;
  std::size_t i = 0;
  auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
    return i + k < s.size() && static_cast<unsigned char>(s[i + k]) >= lo &&
           static_cast<unsigned char>(s[i + k]) <= hi;
  };
  auto bits = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t len;
    if (b < 0x80) {
      cp = b, len = 1;
    } else if (b >= 0xC2 && b <= 0xDF && cont(1)) {
      cp = (b & 0x1F) << 6 | bits(1), len = 2;
    } else if (b >= 0xE0 && b <= 0xEF && cont(1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) && cont(2)) {
      cp = (b & 0x0F) << 12 | bits(1) << 6 | bits(2), len = 3;
    } else if (b >= 0xF0 && b <= 0xF4 && cont(1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) &&
               cont(2) && cont(3)) {
      cp = (b & 0x07) << 18 | bits(1) << 12 | bits(2) << 6 | bits(3), len = 4;
    } else {
      return std::nullopt;
    }
    if (cp == 0) break;
    if (!(i == 0 && cp == 0xFEFF)) out += cp;
    i += len;
  }
  return out;
}

std::string Model(EntityMode mode, const std::u32string& text) {
  std::string out;
  quorlin::OutputLine line;
  bool open = false;
  auto endLine = [&] {
    out += line.text;
    out += "\r\n";
    line = {};
    open = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t cp = text[i];
    if (cp == U'\r' || cp == U'\n') {
      endLine();
      if (cp == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      continue;
    }
    open = true;
    const int byte = quorlin::UnicodeToCp1252(cp);
    if (byte >= 0) {
      quorlin::EncodeChar(mode, static_cast<unsigned char>(byte), line);
    } else {
      line.text += "&#" + std::to_string(static_cast<std::uint32_t>(cp)) + ";";
      line.dotRun = 0;
    }
  }
  if (open) endLine();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint32_t seed = in.Byte();
  const std::string_view raw = in.Rest();
  const std::optional<std::u32string> decoded = Decode(raw);

  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    StreamEncoder encoder(mode, StreamEncoder::Input::Utf8);
    std::string streamed;
    bool refused = false;
    try {
      streamed = quorlin::fuzz::StreamInChunks(encoder, raw, seed);
    } catch (const quorlin::EConvertError&) {
      refused = true;
    }
    Check(refused == !decoded, refused ? "valid UTF-8 refused" : "invalid UTF-8 accepted", raw, streamed);
    if (decoded) {
      const std::string expected = Model(mode, *decoded);
      Check(streamed == expected, "UTF-8 stream", raw, streamed, expected);
    }
  }
  return 0;
}
