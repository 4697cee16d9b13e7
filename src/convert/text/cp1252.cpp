#include "convert/text/cp1252.h"

#include <array>

namespace quorlin {
namespace {

// 128-159. The unassigned bytes keep their own C1 code points.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

constexpr Cp1252ByteTable kCp1252Bytes = [] {
  Cp1252ByteTable bytes{};
  for (int b = 1; b < 256; ++b)
    bytes.of[b < 0x80 || b >= 0xA0 ? b : kHigh[b - 0x80]] = static_cast<std::uint8_t>(b);
  return bytes;
}();

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

}  // namespace quorlin
