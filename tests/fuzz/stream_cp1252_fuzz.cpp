// The streaming path of the command-line program against the window's path:
// decode (Windows-1252 to the line lists' UTF-8, breaks, zero byte), a line
// list, the conversion pass and the whole output text. Fed in random chunks,
// both modes, byte for byte, with every byte kernel the processor runs.
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint32_t seed = in.Byte();
  const std::string_view raw = in.Rest();

  const quorlin::MemoryLineList source(quorlin::DecodeText(quorlin::TextEncoding::Cp1252, raw));
  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    quorlin::MemoryLineList output;
    quorlin::ConvertLines(source, output, mode);
    const std::string expected = output.Text();

    for (quorlin::Kernel kernel : quorlin::RunnableKernels()) {
      StreamEncoder encoder(mode, StreamEncoder::Input::Cp1252, kernel);
      const std::string streamed = quorlin::fuzz::StreamInChunks(encoder, raw, seed);
      Check(streamed == expected, mode == EntityMode::Named ? "stream named" : "stream numeric",
            raw, streamed, expected, quorlin::KernelName(kernel));
      Check(encoder.Ended() == (raw.find('\0') != std::string_view::npos), "zero byte reported",
            raw);
    }
  }
  return 0;
}
