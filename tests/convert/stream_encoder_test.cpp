// The streaming path (used by quorlin-cli) against the window's path:
// decode -> line list -> conversion pass -> whole text, on the same bytes, in
// Windows-1252 and in UTF-8, whatever the sizes of the pieces the input arrives in.
#include "convert/stream_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../common/per_character.h"
#include "../common/python_reference.h"
#include "convert/conversion_pass.h"
#include "convert/line_list.h"
#include "convert/text/text_codec.h"

namespace quorlin {
namespace {

std::string WindowPath(const std::string& raw, EntityMode mode,
                       TextEncoding encoding = TextEncoding::Cp1252) {
  MemoryLineList source(DecodeText(encoding, raw));
  MemoryLineList output;
  ConvertLines(source, output, mode);
  return output.Text();
}

std::string Stream(const std::string& raw, EntityMode mode, std::size_t piece,
                   StreamEncoder::Input input = StreamEncoder::Input::Cp1252) {
  StreamEncoder encoder(mode, input);
  std::string out;
  std::vector<char> buffer(StreamEncoder::MaxOutput(piece));
  for (std::size_t at = 0; at < raw.size(); at += piece) {
    const std::size_t n = std::min(piece, raw.size() - at);
    char* end = encoder.Feed(raw.data() + at, n, buffer.data());
    out.append(buffer.data(), end);
  }
  char* end = encoder.Finish(buffer.data());
  out.append(buffer.data(), end);
  return out;
}

TEST(StreamEncoder, Cases) {
  struct Row {
    std::string raw;
    std::string named;
  };
  const Row rows[] = {
      {"", ""},
      {"abc", "abc\r\n"},
      {"abc\r\n", "abc\r\n"},
      {"\r\n", "\r\n"},
      {"a\n\rb", "a\r\n\r\nb\r\n"},
      {"a\rb\nc\r\n", "a\r\nb\r\nc\r\n"},
      {std::string("ab\0cd\n", 6), "ab\r\n"},
      {std::string("\0ab", 3), ""},
      {std::string("ab\r\0", 4), "ab\r\n"},
      {"ab..\n.cd", "ab..\r\n.cd\r\n"},
      {"..\r\n...", "..\r\n&hellip;\r\n"},
      {"caf\xe9 <b>...", "caf&eacute; &lt;b&gt;&hellip;\r\n"},
  };
  for (const Row& row : rows) {
    for (std::size_t piece : {1, 2, 3, 7, 64}) {
      EXPECT_EQ(Stream(row.raw, EntityMode::Named, piece), row.named) << "piece " << piece;
    }
    EXPECT_EQ(WindowPath(row.raw, EntityMode::Named), row.named);
  }
}

TEST(StreamEncoder, MatchesWindowPathOnRandomInput) {
  std::mt19937 random(7);
  const std::string mixes[] = {std::string("\r\n.\0", 4), std::string("ab \r\n.<\xe9\x85"),
                               std::string(".\r\n..")};
  for (int round = 0; round < 400; ++round) {
    std::string raw;
    const int length = static_cast<int>(random() % 2000);
    for (int i = 0; i < length; ++i) {
      if (round % 2 == 0) {
        // Mostly any byte but zero, with a rare zero.
        const unsigned v = random() % 4000 == 0 ? 0 : random() % 255 + 1;
        raw.push_back(static_cast<char>(v));
      } else {
        const std::string& m = mixes[round % 3];
        raw.push_back(m[random() % m.size()]);
      }
    }
    const std::size_t piece = 1 + random() % 300;
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
      ASSERT_EQ(Stream(raw, mode, piece), WindowPath(raw, mode))
          << "round " << round << " piece " << piece;
  }
}

// Like Stream, with each piece copied into a buffer of its own after a byte
// that is not in the text: the encoder must not look before a piece.
std::string StreamAfterGuard(const std::string& raw, EntityMode mode, std::size_t piece,
                             char guard) {
  StreamEncoder encoder(mode);
  std::string out;
  std::vector<char> in(piece + 1);
  std::vector<char> buffer(StreamEncoder::MaxOutput(piece));
  for (std::size_t at = 0; at < raw.size(); at += piece) {
    const std::size_t n = std::min(piece, raw.size() - at);
    in[0] = guard;
    std::copy_n(raw.data() + at, n, in.data() + 1);
    char* end = encoder.Feed(in.data() + 1, n, buffer.data());
    out.append(buffer.data(), end);
  }
  char* end = encoder.Finish(buffer.data());
  out.append(buffer.data(), end);
  return out;
}

using testing::PerCharacter;

// Text shaped like prose and like its worst cases: plain runs of every length
// around the scanner's blocks, full-stop runs, line breaks of each kind, runs of
// marked bytes, so that each of these falls across block and piece ends.
std::string ShapedText(std::mt19937& random, std::size_t size, bool zero) {
  const std::string pieces[] = {".",
                                "..",
                                "...",
                                "....",
                                "\r\n",
                                "\r",
                                "\n",
                                "\n\r",
                                "\xe9",
                                "<",
                                "&",
                                "\xe9\xe0\xe8\xab\x81\x85",
                                "\x80\x9f.\xff",
                                "\r\n.\r\n",
                                "..\r\n"};
  const std::size_t runs[] = {0, 1, 2, 15, 16, 17, 31, 32, 33, 47, 63, 64, 65, 95, 96, 97, 130};
  std::string raw;
  while (raw.size() < size) {
    const std::size_t run = runs[random() % std::size(runs)];
    for (std::size_t i = 0; i < run; ++i) raw.push_back(static_cast<char>('a' + random() % 26));
    raw += pieces[random() % std::size(pieces)];
  }
  if (zero) raw[random() % raw.size()] = '\0';
  return raw;
}

TEST(StreamEncoder, MatchesPerCharacterEncodingAcrossBlocksAndPieces) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const std::string raw = ShapedText(random, 1 + random() % 3000, round % 10 == 9);
    const std::size_t pieces[] = {1, 63, 64, 96, 97, 1 + random() % 400, raw.size()};
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
      const std::string want = PerCharacter(raw, mode);
      for (std::size_t piece : pieces)
        ASSERT_EQ(Stream(raw, mode, piece), want) << "round " << round << " piece " << piece;
      for (char guard : {'.', '\r'})
        for (std::size_t piece : {std::size_t{1}, std::size_t{130}, 1 + random() % 400})
          ASSERT_EQ(StreamAfterGuard(raw, mode, piece, guard), want)
              << "round " << round << " piece " << piece;
      // One line of the same text in UTF-8, its breaks and zero bytes copied as they are.
      OutputLine line;
      for (char c : raw) EncodeChar(mode, static_cast<unsigned char>(c), line);
      std::string bulk = "prefix";
      EncodeLine(mode, testing::Cp1252ToUtf8(raw), bulk);
      ASSERT_EQ(bulk, std::string("prefix").append(line.text)) << "round " << round;
    }
  }
}

TEST(StreamEncoder, RunsOfMarkedBytesAndStopsAtBlockEnds) {
  // Each case at every offset in front of it, so its bytes meet each position
  // of a 64-byte block and the piece ends.
  const std::string cases[] = {
      std::string(200, '\xe9'),            // a long run of marked bytes
      std::string(130, '.'),               // full stops only: ellipses across blocks
      "\r\nx",                             // CR LF cut between blocks
      std::string("..\0..", 5),            // held stops then the end of the text
      std::string(70, '<').append("..."),  // the ellipsis at the very end of the output
  };
  for (const std::string& body : cases) {
    for (std::size_t offset = 0; offset < 70; ++offset) {
      std::string raw(offset, 'x');
      raw.append(body).append(offset % 3 * 40, 'y');
      for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
        for (std::size_t piece : {std::size_t{64}, std::size_t{97}, raw.size()})
          ASSERT_EQ(Stream(raw, mode, piece), PerCharacter(raw, mode))
              << "offset " << offset << " piece " << piece;
    }
  }
}

TEST(StreamEncoder, Utf8TextGivesWhatItsWindows1252BytesGive) {
  std::mt19937 random(13);
  for (int round = 0; round < 150; ++round) {
    const std::string raw = ShapedText(random, 1 + random() % 3000, round % 10 == 9);
    const std::string utf8 = testing::Cp1252ToUtf8(raw);
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
      const std::string want = PerCharacter(raw, mode);
      for (std::size_t piece : {std::size_t{1}, std::size_t{97}, 1 + random() % 400, utf8.size()})
        ASSERT_EQ(Stream(utf8, mode, piece, StreamEncoder::Input::Utf8), want)
            << "round " << round << " piece " << piece;
    }
  }
}

TEST(StreamEncoder, Utf8Input) {
  using In = StreamEncoder::Input;
  struct Row {
    std::string raw;
    std::string named;
    std::string numeric;
  };
  const Row rows[] = {
      {"caf\xc3\xa9", "caf&eacute;\r\n", "caf&#233;\r\n"},
      {"\xe2\x82\xac", "&euro;\r\n", "&#128;\r\n"},  // U+20AC is byte 128
      {"\xe2\x80\xa6", "&hellip;\r\n", "&#133;\r\n"},
      {"\xe2\x86\x92", "&rarr;\r\n", "&#8594;\r\n"},  // not in Windows-1252
      {"\xf0\x9f\x98\x80", "&#128512;\r\n", "&#128512;\r\n"},
      {"..\xe2\x86\x92.", "..&rarr;.\r\n", "..&#8594;.\r\n"},
      {"\xc5\xbd<", "&#142;&lt;\r\n", "&#142;&#60;\r\n"},  // Z caron: no name
      {"a\xe2\x80\xa8"
       "b\r\xe2\x80\xa9\nc",
       "a\r\nb\r\n\r\n\r\nc\r\n", "a\r\nb\r\n\r\n\r\nc\r\n"},
      {"..\xe2\x80\xa8.", "..\r\n.\r\n", "..\r\n.\r\n"},  // a break ends the run
      {"\xef\xbb\xbf"
       "a",
       "&#65279;a\r\n", "&#65279;a\r\n"},  // the reader leaves marks out
      {"\xe9t\xe9\xc3", "&eacute;t&eacute;&Atilde;\r\n", "&#233;t&#233;&#195;\r\n"},  // not UTF-8
  };
  for (const Row& row : rows) {
    for (std::size_t piece : {1, 2, 5, 100}) {
      EXPECT_EQ(Stream(row.raw, EntityMode::Named, piece, In::Utf8), row.named)
          << row.raw << " piece " << piece;
      EXPECT_EQ(Stream(row.raw, EntityMode::Numeric, piece, In::Utf8), row.numeric) << row.raw;
    }
    EXPECT_EQ(WindowPath(row.raw, EntityMode::Named, TextEncoding::Utf8), row.named) << row.raw;
  }
}

// UTF-8 of every kind, valid or not, through both paths.
TEST(StreamEncoder, Utf8MatchesWindowPathOnRandomInput) {
  std::mt19937 random(17);
  const std::string pieces[] = {"a",
                                ".",
                                "..",
                                "\r",
                                "\n",
                                "\r\n",
                                "<",
                                "\xc3\xa9",
                                "\xe2\x82\xac",
                                "\xe2\x80\xa8",
                                "\xe2\x80\xa9",
                                "\xe2\x86\x92",
                                "\xf0\x9f\x98\x80",
                                "\xe9",
                                "\xc3",
                                "\xe2\x82",
                                "\x80",
                                std::string(40, 'x'),
                                std::string("\0", 1)};
  for (int round = 0; round < 400; ++round) {
    std::string raw;
    const int count = static_cast<int>(random() % 300);
    for (int i = 0; i < count; ++i) {
      const std::string& p = pieces[random() % std::size(pieces)];
      if (p[0] == '\0' && random() % 8 != 0) continue;  // zero bytes now and then
      raw += p;
    }
    const std::size_t piece = 1 + random() % 200;
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
      ASSERT_EQ(Stream(raw, mode, piece, StreamEncoder::Input::Utf8),
                WindowPath(raw, mode, TextEncoding::Utf8))
          << "round " << round << " piece " << piece;
  }
}

}  // namespace
}  // namespace quorlin
