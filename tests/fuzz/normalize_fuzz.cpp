// Text decoding against a plain model, in every encoding: fed in random
// chunks, the decoders must give the model's text in both forms (line lists:
// UTF-8 with CR LF; panes: UTF-16 with '\n'). The model: Windows-1252 bytes
// through the code page; UTF-8 read leniently (a byte outside a valid sequence
// as Windows-1252); UTF-16 by units, a lone surrogate as U+FFFD, an odd last
// byte dropped; the text ends at U+0000; CR LF, lone CR, lone LF, U+2028 and
// U+2029 are each one break; U+FDD0 and U+FDD1 become U+FFFD. The pane rules for typed and pasted
// text (NormalizePaneText) and the way back to UTF-8 (AppendUtf8) are checked on the same input
// read as UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/text/cp1252.h"
#include "convert/text/text_codec.h"
#include "fuzz_support.h"

using quorlin::TextEncoding;
using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

std::u32string CodePoints(TextEncoding encoding, std::string_view raw) {
  std::u32string out;
  if (encoding == TextEncoding::Cp1252) {
    for (char c : raw) out += quorlin::Cp1252ToUnicode(static_cast<unsigned char>(c));
  } else if (encoding == TextEncoding::Utf8) {
    for (const quorlin::fuzz::Item& item : quorlin::fuzz::ReadLeniently(raw))
      out +=
          item.byte ? quorlin::Cp1252ToUnicode(static_cast<unsigned char>(item.value)) : item.value;
  } else {
    std::vector<char32_t> units;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
      const auto a = static_cast<unsigned char>(raw[i]), b = static_cast<unsigned char>(raw[i + 1]);
      units.push_back(encoding == TextEncoding::Utf16LE ? (a | b << 8) : (a << 8 | b));
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
      const char32_t u = units[i];
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        out += 0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else {
        out += u >= 0xD800 && u <= 0xDFFF ? U'\uFFFD' : u;
      }
    }
  }
  return out;
}

// The code points up to U+0000, each break as one '\n'.
std::u32string Text(const std::u32string& cps, bool& cut) {
  std::u32string out;
  cut = false;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    const char32_t c = cps[i];
    if (c == 0) {
      cut = true;
      break;
    }
    if (c == U'\r' || c == U'\n' || c == 0x2028 || c == 0x2029) {
      out += U'\n';
      if (c == U'\r' && i + 1 < cps.size() && cps[i + 1] == U'\n') ++i;
    } else {
      out += c == 0xFDD0 || c == 0xFDD1 ? U'\uFFFD' : c;
    }
  }
  return out;
}

// UTF-8 of the text, breaks written as `lineBreak`.
std::string Utf8Form(const std::u32string& text, std::string_view lineBreak = "\r\n") {
  std::string out;
  for (char32_t c : text) {
    if (c == U'\n') {
      out += lineBreak;
      continue;
    }
    char buffer[4];
    int n = 0;
    if (c < 0x80) {
      buffer[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
      buffer[n++] = static_cast<char>(0xC0 | c >> 6);
      buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      buffer[n++] = static_cast<char>(0xE0 | c >> 12);
      buffer[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      buffer[n++] = static_cast<char>(0xF0 | c >> 18);
      buffer[n++] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      buffer[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

std::u16string PaneForm(const std::u32string& text) {
  std::u16string out;
  for (char32_t c : text) {
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

template <class Unit>
std::basic_string<Unit> Decode(TextEncoding encoding, std::string_view raw, std::uint32_t state,
                               bool& ended) {
  quorlin::TextDecoder<Unit> decoder(encoding);
  std::basic_string<Unit> out;
  std::vector<Unit> buffer;
  while (!raw.empty()) {
    state = state * 1103515245u + 12345u;
    const std::size_t length =
        std::min<std::size_t>((state >> 16) % 9, raw.size());  // empty pieces too
    buffer.resize(quorlin::TextDecoder<Unit>::MaxOutput(length));
    out.append(buffer.data(), decoder.Feed(raw.data(), length, buffer.data()));
    raw.remove_prefix(length);
  }
  buffer.resize(quorlin::TextDecoder<Unit>::MaxOutput(0));
  out.append(buffer.data(), decoder.Finish(buffer.data()));
  ended = decoder.Ended();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  // Chunk lengths come from a small generator seeded by the first two bytes.
  const std::uint32_t seed =
      (static_cast<std::uint32_t>(in.Byte()) << 8 | in.Byte()) * 2654435761u + 1;
  const std::string_view raw = in.Rest();

  for (TextEncoding encoding :
       {TextEncoding::Cp1252, TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
    bool cut = false;
    const std::u32string text = Text(CodePoints(encoding, raw), cut);
    const std::string lines = Utf8Form(text);
    bool ended = false;
    const std::string decoded = Decode<char>(encoding, raw, seed, ended);
    Check(decoded == lines, quorlin::EncodingName(encoding), raw, decoded, lines);
    Check(ended == cut, "zero character reported", raw);
    Check(quorlin::DecodeText(encoding, raw) == lines, "DecodeText", raw);
    const std::u16string pane = Decode<char16_t>(encoding, raw, seed + 1, ended);
    Check(pane == PaneForm(text), "pane text", raw);
  }

  // The same bytes as UTF-16 text coming into a pane.
  std::u16string units;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                   static_cast<unsigned char>(raw[i + 1]) << 8);
  bool cut = false;
  std::string asBytes;
  for (char16_t u : units) asBytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  const std::u32string text = Text(CodePoints(TextEncoding::Utf16LE, asBytes), cut);
  bool paneCut = false;
  const std::u16string pane = quorlin::NormalizePaneText(units, &paneCut);
  Check(pane == PaneForm(text) && paneCut == cut, "NormalizePaneText", raw);
  std::string utf8 = "prefix";
  quorlin::AppendUtf8(pane, utf8);
  const std::string expected = "prefix" + Utf8Form(text, "\n");
  Check(utf8 == expected, "AppendUtf8", raw, utf8, expected);
  return 0;
}
