#pragma once
// Small helpers shared by the fuzz targets: a byte reader over the fuzzer's
// input and a failure that stops the run with a readable report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quorlin::fuzz {

// Takes bytes from the front of the input; reads past the end give zeros.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const { return data_.empty(); }
  std::uint8_t Byte() {
    if (data_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(data_.front());
    data_.remove_prefix(1);
    return b;
  }
  std::string_view Bytes(std::size_t n) {
    n = n < data_.size() ? n : data_.size();
    const std::string_view taken = data_.substr(0, n);
    data_.remove_prefix(n);
    return taken;
  }
  std::string_view Rest() {
    const std::string_view rest = data_;
    data_ = {};
    return rest;
  }

 private:
  std::string_view data_;
};

// Shows bytes with control and high bytes escaped, cut to a readable length.
inline std::string Printable(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size() && i < 200; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 32 && c < 127 && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  if (s.size() > 200) out += "...";
  return out;
}

[[noreturn]] inline void Fail(const char* what, std::string_view input, std::string_view got,
                              std::string_view expected) {
  std::fprintf(stderr, "MISMATCH: %s\n  input:    \"%s\" (%zu bytes)\n  got:      \"%s\"\n  expected: \"%s\"\n",
               what, Printable(input).c_str(), input.size(), Printable(got).c_str(),
               Printable(expected).c_str());
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view input, std::string_view got = {},
                  std::string_view expected = {}) {
  if (!ok) Fail(what, input, got, expected);
}

}  // namespace quorlin::fuzz
