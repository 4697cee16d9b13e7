// The one load routine (TextFileReader) against a model of its rules, on a
// regular file (memfd) and on a pipe, with reads of random sizes so that marks
// and characters are cut anywhere. The model: a mark at the very start decides
// (UTF-8 or UTF-16, and then text that is not valid in it is refused); else a
// regular file is UTF-8 when its text is valid UTF-8 with a non-ASCII
// character, a pipe when its first non-ASCII sequence is valid (and then
// refused if the rest is not); else Windows-1252. The text ends at the first
// zero byte (zero character in UTF-16). Forced encodings come from the input too.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/exceptions.h"
#include "convert/text/text_codec.h"
#include "convert/text/text_file.h"
#include "fuzz_support.h"

using quorlin::TextEncoding;
using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

struct Outcome {
  bool refused = false;
  TextEncoding encoding = TextEncoding::Cp1252;
  std::string text;
  bool cut = false;
  std::uint64_t before = 0;
};

bool ValidUtf16(std::string_view text, bool little) {
  if (text.size() % 2 != 0) return false;
  bool high = false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const auto a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(text[i + 1]);
    const unsigned u = little ? (a | b << 8) : (a << 8 | b);
    const bool isHigh = u >= 0xD800 && u <= 0xDBFF, isLow = u >= 0xDC00 && u <= 0xDFFF;
    if (high != isLow) return false;
    high = isHigh;
  }
  return !high;
}

Outcome Model(std::string_view file, bool pipe, std::optional<TextEncoding> forced) {
  Outcome o;
  std::size_t mark = 0;
  const bool utf8Mark = file.substr(0, 3) == "\xef\xbb\xbf";
  const bool leMark = file.substr(0, 2) == "\xff\xfe", beMark = file.substr(0, 2) == "\xfe\xff";
  if (forced) {
    o.encoding = *forced;
    if (*forced == TextEncoding::Utf8 && utf8Mark) mark = 3;
  } else if (utf8Mark || leMark || beMark) {
    o.encoding = utf8Mark ? TextEncoding::Utf8
                 : leMark ? TextEncoding::Utf16LE
                          : TextEncoding::Utf16BE;
    mark = utf8Mark ? 3 : 2;
  }
  const bool decided = forced || mark != 0;
  std::string_view text = file.substr(mark);
  std::size_t end = text.size();
  if (o.encoding == TextEncoding::Utf16LE || o.encoding == TextEncoding::Utf16BE) {
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
      if (text[i] == 0 && text[i + 1] == 0) {
        end = i;
        break;
      }
  } else {
    end = std::min(end, text.find('\0'));
  }
  o.cut = end < text.size();
  o.before = mark + end;
  text = text.substr(0, end);
  if (decided) {
    if (o.encoding == TextEncoding::Utf8) o.refused = !quorlin::fuzz::ValidUtf8(text);
    if (o.encoding == TextEncoding::Utf16LE || o.encoding == TextEncoding::Utf16BE)
      o.refused = !ValidUtf16(text, o.encoding == TextEncoding::Utf16LE);
  } else {
    std::size_t k = 0;
    while (k < text.size() && static_cast<unsigned char>(text[k]) < 0x80) ++k;
    char32_t cp = 0;
    if (k == text.size()) {
      o.encoding = TextEncoding::Cp1252;
    } else if (pipe) {
      o.encoding = quorlin::fuzz::ValidSequence(text, k, cp) != 0 ? TextEncoding::Utf8
                                                                  : TextEncoding::Cp1252;
      o.refused = o.encoding == TextEncoding::Utf8 && !quorlin::fuzz::ValidUtf8(text);
    } else {
      o.encoding = quorlin::fuzz::ValidUtf8(text) ? TextEncoding::Utf8 : TextEncoding::Cp1252;
    }
  }
  if (!o.refused) o.text = quorlin::DecodeText(o.encoding, text);
  return o;
}

Outcome Read(int fd, std::optional<TextEncoding> forced, std::size_t piece, bool restartable) {
  Outcome o;
  try {
    quorlin::TextReadOptions options;
    options.forced = forced;
    options.restartable = restartable;
    options.pieceSize = piece;
    quorlin::TextFileReader reader(fd, "texte", options);
    quorlin::TextDecoder<char> decoder(TextEncoding::Cp1252);
    std::vector<char> out(quorlin::TextDecoder<char>::MaxOutput(reader.MaxPiece()));
    for (;;) {
      const std::string_view p = reader.Next();
      if (reader.Restarted()) {
        if (!restartable) std::abort();
        o.text.clear();
        decoder = quorlin::TextDecoder<char>(TextEncoding::Cp1252);
      }
      if (p.empty()) break;
      if (p.size() > reader.MaxPiece()) std::abort();
      decoder.SetEncoding(reader.Encoding());
      o.text.append(out.data(), decoder.Feed(p.data(), p.size(), out.data()));
    }
    o.text.append(out.data(), decoder.Finish(out.data()));
    o.encoding = reader.Report().encoding;
    o.cut = reader.Report().cutAtZero;
    o.before = reader.Report().bytesBeforeZero;
  } catch (const quorlin::EEncodingError& e) {
    o.refused = true;
    if (e.Message().rfind("texte : ", 0) != 0 ||
        e.Message().find(" invalide à la ligne ") == std::string::npos)
      std::abort();
  }
  return o;
}

void Compare(const char* what, std::string_view file, const Outcome& got, const Outcome& want) {
  Check(got.refused == want.refused, want.refused ? "invalid text accepted" : "valid text refused",
        file);
  if (want.refused) return;
  Check(got.encoding == want.encoding, what, file, quorlin::EncodingName(got.encoding),
        quorlin::EncodingName(want.encoding));
  Check(got.text == want.text, what, file, got.text, want.text);
  Check(got.cut == want.cut && got.before == want.before, "zero cut", file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint8_t options = in.Byte();
  const std::size_t piece =
      options & 0x80 ? quorlin::TextFileReader::kPieceSize : 1 + (options & 0x07);
  const int force = (options >> 4) & 7;
  const std::optional<TextEncoding> forced = force == 1   ? std::optional(TextEncoding::Cp1252)
                                             : force == 2 ? std::optional(TextEncoding::Utf8)
                                                          : std::nullopt;
  const std::string_view file = in.Rest();
  if (file.size() > 32768) return 0;  // a pipe holds it whole

  const int regular = ::memfd_create("texte", 0);
  if (regular < 0) return 0;
  if (::write(regular, file.data(), file.size()) != static_cast<ssize_t>(file.size())) std::abort();
  for (const bool restartable : {false, true}) {
    ::lseek(regular, 0, SEEK_SET);
    Compare(restartable ? "regular file read once" : "regular file checked ahead", file,
            Read(regular, forced, piece, restartable), Model(file, false, forced));
  }
  ::close(regular);

  int ends[2];
  if (::pipe(ends) != 0) return 0;
  if (!file.empty() &&
      ::write(ends[1], file.data(), file.size()) != static_cast<ssize_t>(file.size()))
    std::abort();
  ::close(ends[1]);
  Compare("pipe", file, Read(ends[0], forced, piece, options & 0x08), Model(file, true, forced));
  ::close(ends[0]);
  return 0;
}
