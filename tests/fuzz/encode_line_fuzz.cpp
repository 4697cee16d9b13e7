// The bulk line encoder against the per-character reference, both modes, byte
// for byte, with every byte kernel the processor runs: UTF-8 read leniently (a
// byte outside a valid sequence as its Windows-1252 character), each character
// through EncodeCodePoint. The first byte chooses how much of the input becomes
// text already in the output buffer, so the bulk path is also checked
// appending after a prefix (which may end in full stops that must not join
// this line's run).
#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/entity_encoder.h"
#include "fuzz_support.h"

using quorlin::EntityMode;
using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

std::string Reference(EntityMode mode, std::string_view line) {
  quorlin::OutputLine out;
  for (const quorlin::fuzz::Item& item : quorlin::fuzz::ReadLeniently(line)) {
    if (item.byte)
      quorlin::EncodeChar(mode, static_cast<unsigned char>(item.value), out);
    else
      quorlin::EncodeCodePoint(mode, item.value, out);
  }
  return out.text;
}

void CheckMode(EntityMode mode, std::string_view prefix, std::string_view line) {
  const std::string expected = Reference(mode, line);

  for (quorlin::Kernel kernel : quorlin::RunnableKernels()) {
    std::string bulk;
    quorlin::EncodeLine(mode, line, bulk, kernel);
    Check(bulk == expected, mode == EntityMode::Named ? "EncodeLine named" : "EncodeLine numeric",
          line, bulk, expected, quorlin::KernelName(kernel));

    std::string appended(prefix);
    quorlin::EncodeLine(mode, line, appended, kernel);
    Check(appended.size() == prefix.size() + expected.size() &&
              appended.compare(0, prefix.size(), prefix) == 0 &&
              appended.compare(prefix.size(), std::string::npos, expected) == 0,
          "EncodeLine after a prefix", line, appended, std::string(prefix) + expected,
          quorlin::KernelName(kernel));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::string_view prefix = in.Bytes(in.Byte() % 8);
  const std::string_view line = in.Rest();
  CheckMode(EntityMode::Named, prefix, line);
  CheckMode(EntityMode::Numeric, prefix, line);
  return 0;
}
