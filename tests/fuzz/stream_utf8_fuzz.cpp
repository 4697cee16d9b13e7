// The UTF-8 reading of the streaming path against a plain model and against
// the window's path (decode, line list, conversion pass), fed in random
// chunks, both modes. The model: UTF-8 read leniently (a byte outside a valid
// sequence as its Windows-1252 character), the text ending at U+0000, CR LF,
// lone CR, lone LF, U+2028 and U+2029 each ending a line, U+FDD0 and U+FDD1
// read as U+FFFD, every character through EncodeCodePoint. Every byte kernel
// the processor runs, its UTF-8 check too (TextCheck, and the stream's own).
#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/conversion_pass.h"
#include "convert/line_list.h"
#include "convert/stream_encoder.h"
#include "convert/text/text_codec.h"
#include "fuzz_support.h"
#include "stream_fuzz_common.h"

using quorlin::EntityMode;
using quorlin::StreamEncoder;
using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

std::string Model(EntityMode mode, std::string_view raw) {
  std::string out;
  quorlin::OutputLine line;
  bool open = false;
  bool afterCR = false;
  for (const quorlin::fuzz::Item& item : quorlin::fuzz::ReadLeniently(raw)) {
    const char32_t c = item.value;
    if (!item.byte && c == 0) break;
    const bool lf = !item.byte && c == U'\n';
    if (lf && afterCR) {  // the second half of a CR LF
      afterCR = false;
      continue;
    }
    afterCR = !item.byte && c == U'\r';
    if (!item.byte && (c == U'\r' || c == U'\n' || c == 0x2028 || c == 0x2029)) {
      out += line.text + "\r\n";
      line = {};
      open = false;
      continue;
    }
    open = true;
    if (item.byte)
      quorlin::EncodeChar(mode, static_cast<unsigned char>(c), line);
    else
      quorlin::EncodeCodePoint(mode, c == 0xFDD0 || c == 0xFDD1 ? U'\uFFFD' : c, line);
  }
  if (open) out += line.text + "\r\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint32_t seed = in.Byte();
  const std::string_view raw = in.Rest();

  const quorlin::MemoryLineList source(quorlin::DecodeText(quorlin::TextEncoding::Utf8, raw));
  const bool valid = quorlin::fuzz::ValidUtf8(raw);
  const bool validText = quorlin::fuzz::ValidUtf8(raw.substr(0, raw.find('\0')));
  for (quorlin::Kernel kernel : quorlin::RunnableKernels()) {
    quorlin::TextCheck check(quorlin::TextEncoding::Utf8, kernel);
    std::uint64_t bad = check.Feed(raw);
    if (bad == quorlin::TextCheck::kValid) bad = check.Finish();
    Check((bad == quorlin::TextCheck::kValid) == valid, "UTF-8 check", raw,
          valid ? "invalid" : "valid", valid ? "valid" : "invalid", quorlin::KernelName(kernel));
  }
  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    const std::string expected = Model(mode, raw);
    for (quorlin::Kernel kernel : quorlin::RunnableKernels()) {
      StreamEncoder encoder(mode, StreamEncoder::Input::Utf8, kernel);
      const std::string streamed = quorlin::fuzz::StreamInChunks(encoder, raw, seed);
      Check(streamed == expected, "UTF-8 stream", raw, streamed, expected,
            quorlin::KernelName(kernel));
      // What the CLI's reader leaves to the encoder: the check of the text before the zero.
      Check(encoder.InvalidUtf8() != validText, "UTF-8 stream's check", raw,
            validText ? "invalid" : "valid", validText ? "valid" : "invalid",
            quorlin::KernelName(kernel));
    }
    quorlin::MemoryLineList output;
    quorlin::ConvertLines(source, output, mode);
    Check(output.Text() == expected, "UTF-8 window path", raw, output.Text(), expected);
  }
  return 0;
}
