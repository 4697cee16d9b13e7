// The encoders against a table written here from the published list of HTML 4.01
// names, every byte 0-255 in both modes, and the full-stop rule.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "convert/entity_encoder.h"

namespace quorlin {
namespace {

// The 125 named rows, by byte value.
const std::map<int, std::string> kNamed = {
    {34, "&quot;"},
    {38, "&amp;"},
    {60, "&lt;"},
    {62, "&gt;"},
    {128, "&euro;"},
    {130, "&sbquo;"},
    {131, "&fnof;"},
    {132, "&bdquo;"},
    {133, "&hellip;"},
    {134, "&dagger;"},
    {135, "&Dagger;"},
    {136, "&circ;"},
    {137, "&permil;"},
    {138, "&Scaron;"},
    {139, "&lsaquo;"},
    {140, "&OElig;"},
    {145, "&lsquo;"},
    {146, "&rsquo;"},
    {147, "&ldquo;"},
    {148, "&rdquo;"},
    {149, "&bull;"},
    {150, "&ndash;"},
    {151, "&mdash;"},
    {152, "&tilde;"},
    {153, "&trade;"},
    {154, "&scaron;"},
    {155, "&rsaquo;"},
    {156, "&oelig;"},
    {159, "&Yuml;"},
    {160, "&nbsp;"},
    {161, "&iexcl;"},
    {162, "&cent;"},
    {163, "&pound;"},
    {164, "&curren;"},
    {165, "&yen;"},
    {166, "&brvbar;"},
    {167, "&sect;"},
    {168, "&uml;"},
    {169, "&copy;"},
    {170, "&ordf;"},
    {171, "&laquo;"},
    {172, "&not;"},
    {173, "&shy;"},
    {174, "&reg;"},
    {175, "&macr;"},
    {176, "&deg;"},
    {177, "&plusmn;"},
    {178, "&sup2;"},
    {179, "&sup3;"},
    {180, "&acute;"},
    {181, "&micro;"},
    {182, "&para;"},
    {183, "&middot;"},
    {184, "&cedil;"},
    {185, "&sup1;"},
    {186, "&ordm;"},
    {187, "&raquo;"},
    {188, "&frac14;"},
    {189, "&frac12;"},
    {190, "&frac34;"},
    {191, "&iquest;"},
    {192, "&Agrave;"},
    {193, "&Aacute;"},
    {194, "&Acirc;"},
    {195, "&Atilde;"},
    {196, "&Auml;"},
    {197, "&Aring;"},
    {198, "&AElig;"},
    {199, "&Ccedil;"},
    {200, "&Egrave;"},
    {201, "&Eacute;"},
    {202, "&Ecirc;"},
    {203, "&Euml;"},
    {204, "&Igrave;"},
    {205, "&Iacute;"},
    {206, "&Icirc;"},
    {207, "&Iuml;"},
    {208, "&ETH;"},
    {209, "&Ntilde;"},
    {210, "&Ograve;"},
    {211, "&Oacute;"},
    {212, "&Ocirc;"},
    {213, "&Otilde;"},
    {214, "&Ouml;"},
    {215, "&times;"},
    {216, "&Oslash;"},
    {217, "&Ugrave;"},
    {218, "&Uacute;"},
    {219, "&Ucirc;"},
    {220, "&Uuml;"},
    {221, "&Yacute;"},
    {222, "&THORN;"},
    {223, "&szlig;"},
    {224, "&agrave;"},
    {225, "&aacute;"},
    {226, "&acirc;"},
    {227, "&atilde;"},
    {228, "&auml;"},
    {229, "&aring;"},
    {230, "&aelig;"},
    {231, "&ccedil;"},
    {232, "&egrave;"},
    {233, "&eacute;"},
    {234, "&ecirc;"},
    {235, "&euml;"},
    {236, "&igrave;"},
    {237, "&iacute;"},
    {238, "&icirc;"},
    {239, "&iuml;"},
    {240, "&eth;"},
    {241, "&ntilde;"},
    {242, "&ograve;"},
    {243, "&oacute;"},
    {244, "&ocirc;"},
    {245, "&otilde;"},
    {246, "&ouml;"},
    {247, "&divide;"},
    {248, "&oslash;"},
    {249, "&ugrave;"},
    {250, "&uacute;"},
    {251, "&ucirc;"},
    {252, "&uuml;"},
    {253, "&yacute;"},
    {254, "&thorn;"},
    {255, "&yuml;"},
};

std::string Expected(EntityMode mode, int byte) {
  if (byte == '.') return ".";
  const auto row = kNamed.find(byte);
  if (row != kNamed.end())
    return mode == EntityMode::Named ? row->second : "&#" + std::to_string(byte) + ";";
  if (byte < 128) return std::string(1, static_cast<char>(byte));
  return "&#" + std::to_string(byte) + ";";  // no row: 129, 141, 142, 143, 144, 157, 158
}

std::string PerChar(EntityMode mode, std::string_view source) {
  OutputLine line;
  for (char c : source) EncodeChar(mode, static_cast<unsigned char>(c), line);
  return line.text;
}

std::string Bulk(EntityMode mode, std::string_view source) {
  std::string out;
  EncodeLine(mode, source, out);
  return out;
}

TEST(EntityEncoder, TableHoldsTheKeysOfTheList) {
  std::vector<int> fallback;
  for (int b = 128; b < 256; ++b)
    if (!kNamed.count(b)) fallback.push_back(b);
  EXPECT_EQ(kNamed.size(), 125u);
  EXPECT_EQ(fallback, (std::vector<int>{129, 141, 142, 143, 144, 157, 158}));
}

TEST(EntityEncoder, EveryByteInBothModes) {
  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      const std::string want = Expected(mode, b);
      OutputLine line;
      if (mode == EntityMode::Named)
        EncodeCharNamed(c, line);
      else
        EncodeCharNumeric(c, line);
      EXPECT_EQ(line.text, want) << "byte " << b << (mode == EntityMode::Named ? " named" : " numeric");
      EXPECT_EQ(Bulk(mode, std::string(1, static_cast<char>(c))), want) << "bulk, byte " << b;
      // Between plain letters, in the middle of a run the scanner reads 16 at a time.
      const std::string padded = std::string(20, 'a') + static_cast<char>(c) + std::string(20, 'b');
      EXPECT_EQ(Bulk(mode, padded), std::string(20, 'a') + want + std::string(20, 'b')) << "bulk, byte " << b;
      const bool hasRow = kNamed.count(b) != 0;
      EXPECT_EQ(EntityRow(mode, c).empty(), !hasRow) << "row of byte " << b;
      if (hasRow) {
        EXPECT_EQ(EntityRow(mode, c), want);
      }
    }
  }
}

TEST(EntityEncoder, SpotValues) {
  struct Row {
    unsigned char byte;
    const char* named;
    const char* numeric;
  };
  const Row rows[] = {
      {233, "&eacute;", "&#233;"}, {128, "&euro;", "&#128;"}, {34, "&quot;", "&#34;"},
      {38, "&amp;", "&#38;"},      {60, "&lt;", "&#60;"},     {62, "&gt;", "&#62;"},
      {155, "&rsaquo;", "&#155;"}, {160, "&nbsp;", "&#160;"}, {173, "&shy;", "&#173;"},
      {129, "&#129;", "&#129;"},   {142, "&#142;", "&#142;"}, {158, "&#158;", "&#158;"},
      {39, "'", "'"},              {9, "\t", "\t"},           {133, "&hellip;", "&#133;"},
  };
  for (const Row& r : rows) {
    const std::string s(1, static_cast<char>(r.byte));
    EXPECT_EQ(PerChar(EntityMode::Named, s), r.named) << int(r.byte);
    EXPECT_EQ(PerChar(EntityMode::Numeric, s), r.numeric) << int(r.byte);
  }
}

TEST(EntityEncoder, FullStopRuns) {
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
      {"..\xe9.", "..&eacute;.", "..&#233;."},
      {"x.......y", "x&hellip;&hellip;.y", "x&#133;&#133;.y"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PerChar(EntityMode::Named, r.source), r.named) << r.source;
    EXPECT_EQ(PerChar(EntityMode::Numeric, r.source), r.numeric) << r.source;
    EXPECT_EQ(Bulk(EntityMode::Named, r.source), r.named) << r.source;
    EXPECT_EQ(Bulk(EntityMode::Numeric, r.source), r.numeric) << r.source;
  }
  // The ellipsis byte and three full stops give the same text.
  EXPECT_EQ(PerChar(EntityMode::Named, "\x85"), PerChar(EntityMode::Named, "..."));
  EXPECT_EQ(PerChar(EntityMode::Numeric, "\x85"), PerChar(EntityMode::Numeric, "..."));
}

TEST(EntityEncoder, RunNeverCarriesOverBetweenLines) {
  // Each line starts from a fresh output line; the same source always gives the same text.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Bulk(EntityMode::Named, ".."), "..");
    EXPECT_EQ(PerChar(EntityMode::Named, ".."), "..");
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
// different mixes, so runs of every length cross the 16-byte blocks.
TEST(EntityEncoder, BulkMatchesPerCharacterOnRandomLines) {
  std::mt19937 random(20261209);
  const std::string alphabets[] = {
      std::string("abcdefgh ,;:!?'"),
      std::string(".....a"),
      std::string("ab.<>&\"\xe9\xe0\x80\x81\x85\xff\t\r\n"),
  };
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 300);
    const int kind = round % 4;
    for (int i = 0; i < length; ++i) {
      if (kind == 3) {
        line.push_back(static_cast<char>(random() % 255 + 1));
      } else {
        const std::string& a = alphabets[kind];
        line.push_back(a[random() % a.size()]);
      }
    }
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
      ASSERT_EQ(Bulk(mode, line), PerChar(mode, line)) << "round " << round;
  }
}

}  // namespace
}  // namespace quorlin
