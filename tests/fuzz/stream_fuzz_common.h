#pragma once
// Shared by the stream encoder targets: feeds an input to a StreamEncoder in
// chunks whose lengths come from a small generator, collecting the output.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/stream_encoder.h"

namespace quorlin::fuzz {

inline std::string StreamInChunks(StreamEncoder& encoder, std::string_view input,
                                  std::uint32_t seed) {
  std::string out;
  std::vector<char> buffer;
  std::uint32_t state = seed * 2654435761u + 1;
  while (!input.empty()) {
    state = state * 1103515245u + 12345u;
    // Mostly small pieces (runs and sequences cut anywhere), some long enough
    // for the encoder's 64-byte blocks.
    const std::size_t wanted = (state >> 31) != 0 ? (state >> 16) % 17 : (state >> 16) % 1025;
    const std::size_t len = std::min<std::size_t>(input.size(), wanted);
    buffer.resize(StreamEncoder::MaxOutput(len));
    char* end = encoder.Feed(input.data(), len, buffer.data());
    out.append(buffer.data(), end);
    input.remove_prefix(len);
  }
  buffer.resize(StreamEncoder::MaxOutput(0));
  char* end = encoder.Finish(buffer.data());
  out.append(buffer.data(), end);
  return out;
}

}  // namespace quorlin::fuzz
