#pragma once
// Small helpers shared by the fuzz targets: a byte reader over the fuzzer's
// input and a failure that stops the run with a readable report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

// Text read leniently, as line lists and the UTF-8 stream read it, written
// apart from the engine: a valid sequence is its character, any other byte is
// itself (to be read as Windows-1252).
struct Item {
  char32_t value;
  bool byte;  // not part of a valid sequence
};

// The length of the valid UTF-8 sequence at s[i] (cp set), or 0.
inline std::size_t ValidSequence(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  const std::size_t length = b < 0x80                 ? 1
                             : b >= 0xC2 && b <= 0xDF ? 2
                             : b >= 0xE0 && b <= 0xEF ? 3
                             : b >= 0xF0 && b <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || i + length > s.size()) return 0;
  cp = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (c & 0x3F);
  }
  if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return length;
}

inline std::vector<Item> ReadLeniently(std::string_view s) {
  std::vector<Item> items;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const std::size_t length = ValidSequence(s, i, cp);
    if (length != 0) {
      items.push_back({cp, false});
      i += length;
    } else {
      items.push_back({static_cast<unsigned char>(s[i]), true});
      ++i;
    }
  }
  return items;
}

// Whether all of s is valid UTF-8.
inline bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const std::size_t length = ValidSequence(s, i, cp);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

[[noreturn]] inline void Fail(const char* what, std::string_view input, std::string_view got,
                              std::string_view expected, const char* kernel = nullptr) {
  std::fprintf(
      stderr,
      "MISMATCH: %s%s%s\n  input:    \"%s\" (%zu bytes)\n  got:      \"%s\"\n  expected: \"%s\"\n",
      what, kernel ? ", kernel " : "", kernel ? kernel : "", Printable(input).c_str(), input.size(),
      Printable(got).c_str(), Printable(expected).c_str());
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view input, std::string_view got = {},
                  std::string_view expected = {}, const char* kernel = nullptr) {
  if (!ok) Fail(what, input, got, expected, kernel);
}

}  // namespace quorlin::fuzz
