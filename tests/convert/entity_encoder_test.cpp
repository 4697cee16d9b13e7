// The encoders against Python's cp1252 codec and HTML 4.01 names: every byte
// and every code point in both modes, the full-stop rule, and the bulk UTF-8
// line encoder against the per-character reference.
#include "convert/entity_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../common/python_reference.h"
#include "convert/text/cp1252.h"

namespace quorlin {
namespace {

using testing::Python;
using testing::Utf8;

std::string Decimal(std::uint32_t value) { return "&#" + std::to_string(value) + ";"; }

// What a byte gives, from Python's tables alone.
std::string ExpectedByte(EntityMode mode, int byte) {
  if (byte == '.') return ".";
  const auto name = Python().names.find(Python().cp1252[byte]);
  if (name != Python().names.end())
    return mode == EntityMode::Named ? "&" + name->second + ";" : Decimal(byte);
  if (byte < 128) return std::string(1, static_cast<char>(byte));
  return Decimal(byte);
}

std::string ExpectedCodePoint(EntityMode mode, char32_t cp, const std::vector<int>& byteOf) {
  if (cp < byteOf.size() && byteOf[cp] >= 0) return ExpectedByte(mode, byteOf[cp]);
  const auto name = Python().names.find(cp);
  if (mode == EntityMode::Named && name != Python().names.end()) return "&" + name->second + ";";
  return Decimal(cp);
}

std::string PerCodePoint(EntityMode mode, char32_t cp) {
  OutputLine line;
  EncodeCodePoint(mode, cp, line);
  return line.text;
}

std::string Bulk(EntityMode mode, std::string_view source) {
  std::string out;
  EncodeLine(mode, source, out);
  return out;
}

// The characters of a UTF-8 line through the per-character reference, decoded
// here: a valid sequence is its character, any other byte its Windows-1252 one.
std::string Reference(EntityMode mode, std::string_view s) {
  OutputLine line;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t length = b < 0x80                 ? 1
                               : b >= 0xC2 && b <= 0xDF ? 2
                               : b >= 0xE0 && b <= 0xEF ? 3
                               : b >= 0xF0 && b <= 0xF4 ? 4
                                                        : 0;
    bool valid = length != 0 && i + length <= s.size();
    char32_t cp = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      valid = (c & 0xC0) == 0x80;
      cp = cp << 6 | (c & 0x3F);
    }
    valid = valid && !(length == 3 && cp < 0x800) &&
            !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (valid) {
      EncodeCodePoint(mode, cp, line);
      i += length;
    } else {
      EncodeChar(mode, b, line);
      ++i;
    }
  }
  return line.text;
}

class EntityEncoder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Python().Loaded())
      GTEST_FAIL() << "python3 with html.entities is needed for the reference tables";
    byteOf_.assign(0x2200, -1);
    for (int b = 0; b < 256; ++b) byteOf_[Python().cp1252[b]] = b;
  }
  std::vector<int> byteOf_;  // code point -> Windows-1252 byte, from Python
};

TEST_F(EntityEncoder, CodePageIsPythonsCp1252) {
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(Cp1252ToUnicode(static_cast<unsigned char>(b)), Python().cp1252[b]) << "byte " << b;
  }
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    const int want = cp < byteOf_.size() ? byteOf_[cp] : -1;
    ASSERT_EQ(UnicodeToCp1252(cp), want) << "U+" << std::hex << static_cast<std::uint32_t>(cp);
  }
}

TEST_F(EntityEncoder, EveryByteInBothModes) {
  int rows = 0;
  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      const std::string want = ExpectedByte(mode, b);
      OutputLine line;
      if (mode == EntityMode::Named)
        EncodeCharNamed(c, line);
      else
        EncodeCharNumeric(c, line);
      EXPECT_EQ(line.text, want) << "byte " << b
                                 << (mode == EntityMode::Named ? " named" : " numeric");
      const bool hasRow = Python().names.count(Python().cp1252[b]) != 0;
      rows += hasRow;
      EXPECT_EQ(EntityRow(mode, c), hasRow ? want : "") << "row of byte " << b;
      // A lone byte of 128 and above is no UTF-8: the line reads it as Windows-1252.
      EXPECT_EQ(Bulk(mode, std::string(1, static_cast<char>(c))), want) << "bulk, byte " << b;
      const std::string padded = std::string(20, 'a') + static_cast<char>(c) + std::string(70, 'b');
      EXPECT_EQ(Bulk(mode, padded), std::string(20, 'a') + want + std::string(70, 'b'))
          << "bulk, byte " << b;
    }
  }
  EXPECT_EQ(rows, 2 * 125);
}

TEST_F(EntityEncoder, EveryCodePointInBothModes) {
  int named = 0;
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
      const std::string want = ExpectedCodePoint(mode, cp, byteOf_);
      ASSERT_EQ(PerCodePoint(mode, cp), want) << "U+" << std::hex << static_cast<std::uint32_t>(cp);
      if (cp >= 0x80) {
        std::string line = "x";
        line.append(Utf8(cp)).append("y");
        std::string expected = "x";
        expected.append(want).append("y");
        ASSERT_EQ(Bulk(mode, line), expected)
            << "bulk, U+" << std::hex << static_cast<std::uint32_t>(cp);
      }
      named += mode == EntityMode::Named && want.size() > 2 && want[1] != '#';
    }
  }
  EXPECT_EQ(named, 250);  // every HTML 4.01 name that browsers read as it, and only those
}

TEST_F(EntityEncoder, SpotValues) {
  struct Row {
    std::string source;  // UTF-8
    const char* named;
    const char* numeric;
  };
  const Row rows[] = {
      {"\xc3\xa9", "&eacute;", "&#233;"},
      {"\xe2\x82\xac", "&euro;", "&#128;"},  // U+20AC keeps its byte on purpose
      {"\xc5\xbd", "&#142;", "&#142;"},      // U+017D: a byte, no name
      {"\xe2\x80\xa6", "&hellip;", "&#133;"},
      {"\xe2\x86\x92", "&rarr;", "&#8594;"},
      {"\xe2\x80\xaf", "&#8239;", "&#8239;"},  // narrow no-break space: no name
      {"\xe2\x80\x89", "&thinsp;", "&#8201;"},
      {"\xe2\x80\x8e", "&lrm;", "&#8206;"},
      {"\xce\xb1\xe2\x89\xa0", "&alpha;&ne;", "&#945;&#8800;"},
      {"\xf0\x9f\x98\x80", "&#128512;", "&#128512;"},  // one reference, not two halves
      {"\xc2\x80\xc2\x81", "&#128;&#129;", "&#128;&#129;"},
      {"<&\">'\t", "&lt;&amp;&quot;&gt;'\t", "&#60;&#38;&#34;&#62;'\t"},
      // Bytes outside valid UTF-8 read as Windows-1252.
      {"\xe9t\xe9", "&eacute;t&eacute;", "&#233;t&#233;"},
      {"\xc3", "&Atilde;", "&#195;"},
      {"\xed\xa0\x80", "&iacute;&nbsp;&euro;", "&#237;&#160;&#128;"},  // an encoded surrogate
      {"Prix\xe2\x80\xaf: 5 \xe2\x82\xac \xe2\x86\x92 voir \xc2\xab\xe2\x80\xaf"
       "ici\xe2\x80\xaf\xc2\xbb",
       "Prix&#8239;: 5 &euro; &rarr; voir &laquo;&#8239;ici&#8239;&raquo;",
       "Prix&#8239;: 5 &#128; &#8594; voir &#171;&#8239;ici&#8239;&#187;"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Bulk(EntityMode::Named, r.source), r.named) << r.source;
    EXPECT_EQ(Bulk(EntityMode::Numeric, r.source), r.numeric) << r.source;
    EXPECT_EQ(Reference(EntityMode::Named, r.source), r.named) << r.source;
  }
}

TEST_F(EntityEncoder, FullStopRuns) {
  struct Row {
    const char* source;
    const char* named;
    const char* numeric;
  };
  const Row rows[] = {
      {"...", "&hellip;", "&#133;"},
      {"a...b", "a&hellip;b", "a&#133;b"},
      {"....", "&hellip;.", "&#133;."},
      {".....", "&hellip;..", "&#133;.."},
      {"......", "&hellip;&hellip;", "&#133;&#133;"},
      {"a..b", "a..b", "a..b"},
      {". . .", ". . .", ". . ."},
      {"..", "..", ".."},
      {"..<...", "..&lt;&hellip;", "..&#60;&#133;"},
      {"..\xc3\xa9.", "..&eacute;.", "..&#233;."},
      {"x.......y", "x&hellip;&hellip;.y", "x&#133;&#133;.y"},
      // A character outside Windows-1252 ends a run like any other.
      {"..\xe2\x86\x92.", "..&rarr;.", "..&#8594;."},
      {"..\xf0\x9f\x98\x80...", "..&#128512;&hellip;", "..&#128512;&#133;"},
      {".\xe2\x80\xa6..", ".&hellip;..", ".&#133;.."},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Reference(EntityMode::Named, r.source), r.named) << r.source;
    EXPECT_EQ(Reference(EntityMode::Numeric, r.source), r.numeric) << r.source;
    EXPECT_EQ(Bulk(EntityMode::Named, r.source), r.named) << r.source;
    EXPECT_EQ(Bulk(EntityMode::Numeric, r.source), r.numeric) << r.source;
  }
  // The ellipsis and three full stops give the same text.
  EXPECT_EQ(Bulk(EntityMode::Named, "\xe2\x80\xa6"), Bulk(EntityMode::Named, "..."));
  EXPECT_EQ(Bulk(EntityMode::Numeric, "\x85"), Bulk(EntityMode::Numeric, "..."));
}

TEST_F(EntityEncoder, RunNeverCarriesOverBetweenLines) {
  // Each line starts from a fresh output line; the same source always gives the same text.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Bulk(EntityMode::Named, ".."), "..");
    EXPECT_EQ(Reference(EntityMode::Named, ".."), "..");
  }
  EXPECT_EQ(Bulk(EntityMode::Named, "ab.."), "ab..");
  EXPECT_EQ(Bulk(EntityMode::Named, ".cd"), ".cd");
  // A line appended after earlier text: the run is this line's own.
  std::string out = "..";
  EncodeLine(EntityMode::Named, ".x", out);
  EXPECT_EQ(out, "...x");
  out = "ab";
  EncodeLine(EntityMode::Numeric, "...", out);
  EXPECT_EQ(out, "ab&#133;");
}

// The bulk path against the per-character reference on random lines of
// different mixes (characters of 1 to 4 bytes, sequences cut or broken, bytes
// that are no UTF-8), so runs of every length cross the scanner's blocks.
TEST_F(EntityEncoder, BulkMatchesReferenceOnRandomLines) {
  std::mt19937 random(20261209);
  const std::vector<std::string> pieces = {"a",
                                           "b",
                                           " ",
                                           ".",
                                           "..",
                                           "<",
                                           "&",
                                           "\"",
                                           "\t",
                                           "\r",
                                           "\n",
                                           "\xc3\xa9",
                                           "\xe2\x82\xac",
                                           "\xe2\x80\xa6",
                                           "\xe2\x86\x92",
                                           "\xe2\x80\xaf",
                                           "\xce\xb1",
                                           "\xf0\x9f\x98\x80",
                                           "\xc2\x81",
                                           "\xe9",
                                           "\x85",
                                           "\xff",
                                           "\xc3",
                                           "\xe2\x82",
                                           "\xf0\x9f",
                                           "\x80",
                                           "\xed\xa0\x80",
                                           "\xef\xbb\xbf",
                                           "\xc5\xbd"};
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 300);
    const bool anyByte = round % 4 == 3;
    for (int i = 0; i < length; ++i) {
      if (anyByte)
        line.push_back(static_cast<char>(random() % 255 + 1));
      else
        line += pieces[random() % (round % 4 == 0 ? 5 : pieces.size())];
    }
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
      ASSERT_EQ(Bulk(mode, line), Reference(mode, line)) << "round " << round;
  }
}

}  // namespace
}  // namespace quorlin
