// Line-break normalisation of loaded text: fed in random chunks it must give
// what it gives on the whole input, and both must equal a plain model
// (CR LF, lone CR and lone LF each become CR LF; the text ends at the first zero byte).
#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/text_file.h"
#include "fuzz_support.h"

using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

std::string Model(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\0') break;
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  // Chunk lengths come from a small generator seeded by the first two bytes.
  std::uint32_t state = (static_cast<std::uint32_t>(in.Byte()) << 8 | in.Byte()) * 2654435761u + 1;
  const std::string_view raw = in.Rest();

  const std::string expected = Model(raw);
  const std::string whole = quorlin::NormalizeLineBreaks(raw);
  Check(whole == expected, "NormalizeLineBreaks whole", raw, whole, expected);

  std::string chunked;
  bool pendingCR = false;
  std::string_view rest = raw;
  bool sawZero = false;
  while (!rest.empty()) {
    state = state * 1103515245u + 12345u;
    const std::size_t len = (state >> 16) % 9;  // empty chunks too
    const std::string_view chunk = rest.substr(0, len);
    rest.remove_prefix(chunk.size());
    const bool more = quorlin::NormalizeLineBreaks(chunk, chunked, pendingCR);
    if (!more) {
      sawZero = true;
      break;
    }
  }
  Check(chunked == expected, "NormalizeLineBreaks chunked", raw, chunked, expected);
  Check(sawZero == (raw.find('\0') != std::string_view::npos), "zero byte reported", raw);
  return 0;
}
