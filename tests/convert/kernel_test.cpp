// Every byte kernel this processor runs against the per-character encoders, in
// the line, stream and UTF-8 stream runs, on text built to put each kind of byte
// at each place of the 64-byte blocks and of the pieces; and the choice of kernel.
#include "convert/kernels/kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../common/line_list_contract.h"
#include "../common/per_character.h"
#include "../common/python_reference.h"
#include "convert/entity_encoder.h"
#include "convert/stream_encoder.h"
#include "convert/text/text_codec.h"

namespace quorlin {
namespace {

using testing::PerCharacter;

std::string PerCharacterLine(std::string_view raw, EntityMode mode) {
  OutputLine line;
  for (char c : raw) EncodeChar(mode, static_cast<unsigned char>(c), line);
  return line.text;
}

// The stream encoder fed in pieces of `piece` bytes, each in a buffer of its own
// after a byte that is no part of the text: a full stop, or a CR for odd sizes.
std::string Stream(Kernel kernel, std::string_view raw, EntityMode mode, std::size_t piece,
                   StreamEncoder::Input input = StreamEncoder::Input::Cp1252) {
  StreamEncoder encoder(mode, input, kernel);
  std::string out;
  std::vector<char> in(piece + 1, piece % 2 ? '\r' : '.');
  std::vector<char> buffer(StreamEncoder::MaxOutput(piece));
  for (std::size_t at = 0; at < raw.size(); at += piece) {
    const std::size_t n = std::min(piece, raw.size() - at);
    std::copy_n(raw.data() + at, n, in.data() + 1);
    out.append(buffer.data(), encoder.Feed(in.data() + 1, n, buffer.data()));
  }
  out.append(buffer.data(), encoder.Finish(buffer.data()));
  return out;
}

// Runs `raw` through the line, stream and UTF-8 stream runs of the kernel and
// checks each against the per-character encoders.
void CheckAllRuns(Kernel kernel, const std::string& raw, std::vector<std::size_t> pieces,
                  const std::string& what) {
  pieces.push_back(std::max<std::size_t>(raw.size(), 1));
  const std::string utf8 = testing::Cp1252ToUtf8(raw);
  for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
    const std::string modeName = mode == EntityMode::Named ? " named" : " numeric";
    std::string line = "prefix..";         // a line appended after text ending in full stops
    EncodeLine(mode, utf8, line, kernel);  // line lists hold UTF-8
    ASSERT_EQ(line, "prefix.." + PerCharacterLine(raw, mode)) << what << modeName << " line";
    const std::string want = PerCharacter(raw, mode);
    for (std::size_t piece : pieces) {
      ASSERT_EQ(Stream(kernel, raw, mode, piece), want) << what << modeName << " piece " << piece;
      ASSERT_EQ(Stream(kernel, utf8, mode, piece, StreamEncoder::Input::Utf8), want)
          << what << modeName << " UTF-8 piece " << piece;
    }
  }
}

class KernelTest : public ::testing::TestWithParam<Kernel> {};

TEST_P(KernelTest, EveryByteAtEveryPlaceOfABlock) {
  // Block k holds (k + i) % 256 at place i; in the second text the bytes are
  // split by a line break every 37 bytes, so that breaks and zero bytes move too.
  std::string blocks(256 * 64, '\0');
  for (std::size_t i = 0; i < blocks.size(); ++i)
    blocks[i] = static_cast<char>((i / 64 + i % 64) % 256);
  std::string lines = blocks;
  for (std::size_t i = 36; i < lines.size(); i += 37) lines[i] = i % 2 ? '\n' : '\r';
  std::replace(lines.begin(), lines.end(), '\0', '.');
  for (const std::string& raw : {blocks, lines}) {
    for (std::size_t skip : {0, 1, 63}) {  // the stream stops at the first zero byte
      const std::string from = raw.substr(skip + (raw[skip] == '\0'));
      CheckAllRuns(GetParam(), from, {64, 200, 4096}, "from " + std::to_string(skip));
    }
  }
}

// Text like prose and its worst cases: plain runs of every length around the
// blocks, runs of full stops, breaks of each kind, runs of bytes >= 128 long
// enough to fill blocks, markup, and rarely a zero byte.
std::string ShapedText(std::mt19937& random, std::size_t size) {
  const std::string pieces[] = {".",  "..",   "...",           "....",     ".......", "\r\n",
                                "\r", "\n",   "\n\r",          "<",        "&",       "\"",
                                ">",  "\xe9", "\x80\x9f.\xff", "\r\n.\r\n"};
  const std::size_t runs[] = {0, 1, 2, 7, 15, 31, 32, 33, 62, 63, 64, 65, 66, 127, 128, 129};
  std::string raw;
  while (raw.size() < size) {
    const std::size_t run = runs[random() % std::size(runs)];
    const int kind = static_cast<int>(random() % 4);
    for (std::size_t i = 0; i < run; ++i) {
      if (kind == 0)  // accented letters: blocks of many marks
        raw.push_back(static_cast<char>(0xC0 + random() % 64));
      else
        raw.push_back(static_cast<char>('a' + random() % 26));
    }
    raw += pieces[random() % std::size(pieces)];
  }
  if (random() % 8 == 0) raw[random() % raw.size()] = '\0';
  return raw;
}

TEST_P(KernelTest, ShapedTextInPiecesOfAnySize) {
  std::mt19937 random(2024);
  for (int round = 0; round < 120; ++round) {
    const std::string raw = ShapedText(random, 1 + random() % 2500);
    CheckAllRuns(GetParam(), raw, {1, 63, 64, 65, 128, 129, 1 + random() % 700},
                 "round " + std::to_string(round));
  }
}

TEST_P(KernelTest, PatternsAtEveryOffsetAmongPlainAndMarkedBytes) {
  // Each pattern at each offset from the start, between plain letters and
  // between bytes that are all marked, so that it meets each block edge on the
  // way from a block of few marks to one of many and back.
  const std::string patterns[] = {
      "\r\n", "\n\r", "\r\r\n\n", "...", "..", "....\r\n...", std::string(".\0.", 3), "<&>\"",
  };
  for (const std::string& pattern : patterns) {
    for (char fill : {'x', '\xe9'}) {
      for (std::size_t offset = 0; offset < 140; ++offset) {
        std::string raw(offset, fill);
        raw.append(pattern).append(150, fill).append(pattern).append(70, 'y');
        CheckAllRuns(GetParam(), raw, {64, 97}, "offset " + std::to_string(offset));
      }
    }
  }
}

// Each kind of UTF-8 sequence, valid or not, at each place of a block, among
// ASCII and among two-byte letters, in the middle and at the end of the text:
// the kernel's validator (TextCheck) finds the first invalid byte, and its
// transcoder (the UTF-8 stream) gives the per-character reading (a byte outside
// a valid sequence as its Windows-1252 character) and flags what it met.
TEST_P(KernelTest, Utf8EveryKindOfSequenceAtEveryPlaceOfABlock) {
  struct Row {
    std::string bytes;
    char32_t cp;  // the character, or 0: invalid, each byte read on its own
  };
  const Row rows[] = {
      {"\xc3\xa9", 0xE9},
      {"\xc2\x80", 0x80},
      {"\xc2\x81", 0x81},
      {"\xc2\x9f", 0x9F},
      {"\xc2\xa0", 0xA0},
      {"\xc3\xbf", 0xFF},
      {"\xc5\x93", 0x153},
      {"\xe2\x80\x99", 0x2019},
      {"\xe2\x82\xac", 0x20AC},
      {"\xe2\x86\x92", 0x2192},
      {"\xe2\x80\xa8", 0x2028},
      {"\xef\xbf\xbf", 0xFFFF},
      {"\xf0\x90\x80\x80", 0x10000},
      {"\xf4\x8f\xbf\xbf", 0x10FFFF},
      {"\xc0\x80", 0},  // overlong
      {"\xc1\xbf", 0},
      {"\xe0\x80\x80", 0},
      {"\xed\xa0\x80", 0},      // surrogate
      {"\xf4\x90\x80\x80", 0},  // above U+10FFFF
      {"\xf5\x80\x80\x80", 0},
      {"\xff", 0},
      {"\x80", 0},  // continuation alone
      {"\xc3", 0},
      {"\xe2\x82", 0},  // cut short
  };
  const Kernel kernel = GetParam();
  for (const Row& row : rows) {
    for (const bool latinFill : {false, true}) {
      for (std::size_t offset = 0; offset < 70; ++offset) {
        for (const bool atEnd : {false, true}) {
          // `offset` bytes before the row, 70 after it unless it ends the text.
          std::string raw, want;
          OutputLine line;
          const auto fill = [&](std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) {
              if (latinFill && i + 1 < n) {
                raw += "\xc3\xa9";
                EncodeCodePoint(EntityMode::Named, 0xE9, line);
                ++i;
              } else {
                raw += 'x';
                EncodeCodePoint(EntityMode::Named, 'x', line);
              }
            }
          };
          fill(offset);
          raw += row.bytes;
          if (row.cp == 0x2028) {
            want += line.text + "\r\n";
            line = OutputLine();
          } else if (row.cp != 0) {
            EncodeCodePoint(EntityMode::Named, row.cp, line);
          } else {
            for (char c : row.bytes)
              EncodeChar(EntityMode::Named, static_cast<unsigned char>(c), line);
          }
          if (!atEnd) fill(70);
          want += line.text.empty() ? "" : line.text + "\r\n";
          const std::string what = testing::Visible(row.bytes) + " after " +
                                   std::to_string(offset) + (latinFill ? " latin" : " ascii") +
                                   (atEnd ? " at the end" : "");

          TextCheck check(TextEncoding::Utf8, kernel);
          std::uint64_t bad = check.Feed(raw);
          if (bad == TextCheck::kValid) bad = check.Finish();
          ASSERT_EQ(bad, row.cp != 0 ? TextCheck::kValid : offset) << what;
          for (std::size_t piece : {raw.size(), std::size_t{37}}) {
            StreamEncoder encoder(EntityMode::Named, StreamEncoder::Input::Utf8, kernel);
            std::string out;
            std::vector<char> buffer(StreamEncoder::MaxOutput(piece));
            for (std::size_t at = 0; at < raw.size(); at += piece) {
              const std::size_t n = std::min(piece, raw.size() - at);
              out.append(buffer.data(), encoder.Feed(raw.data() + at, n, buffer.data()));
            }
            out.append(buffer.data(), encoder.Finish(buffer.data()));
            ASSERT_EQ(out, want) << what << " piece " << piece;
            ASSERT_EQ(encoder.InvalidUtf8(), row.cp == 0) << what << " piece " << piece;
          }
        }
      }
    }
  }
}

std::string TestName(const ::testing::TestParamInfo<Kernel>& info) {
  return KernelName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Runnable, KernelTest,
                         ::testing::ValuesIn(std::vector<Kernel>(RunnableKernels().begin(),
                                                                 RunnableKernels().end())),
                         TestName);

TEST(KernelChoice, ByNameOrTheFastest) {
  const auto runnable = RunnableKernels();
  ASSERT_FALSE(runnable.empty());
  EXPECT_EQ(runnable.front(), Kernel::kScalar);
  const Kernel fastest = runnable.back();
  for (Kernel k : runnable) {
    EXPECT_TRUE(KernelRuns(k));
    EXPECT_EQ(ChooseKernel(KernelName(k)), k);
  }
  for (const char* request : {static_cast<const char*>(nullptr), "", "AVX2", "neon", "avx512 "})
    EXPECT_EQ(ChooseKernel(request), fastest) << (request ? request : "(none)");
}

// The kernels offered are those the processor's flags allow, as Linux lists them.
TEST(KernelChoice, FollowsTheProcessorFlags) {
#if defined(__x86_64__)
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string text, line;
  while (std::getline(cpuinfo, line))
    if (line.rfind("flags", 0) == 0) {
      text = line;
      break;
    }
  if (text.empty()) GTEST_SKIP() << "no /proc/cpuinfo";
  std::set<std::string> flags;
  std::istringstream words(text.substr(text.find(':') + 1));
  for (std::string w; words >> w;) flags.insert(w);
  const auto has = [&](std::initializer_list<const char*> names) {
    return std::all_of(names.begin(), names.end(),
                       [&](const char* n) { return flags.count(n) != 0; });
  };
  const bool avx2 = has({"avx2", "bmi1", "bmi2", "popcnt"});
  EXPECT_TRUE(KernelRuns(Kernel::kSse2));
  EXPECT_EQ(KernelRuns(Kernel::kAvx2), avx2);
  EXPECT_EQ(KernelRuns(Kernel::kAvx512),
            avx2 && has({"avx512f", "avx512bw", "avx512vl", "avx512vbmi", "avx512_vbmi2"}));
#else
  GTEST_SKIP() << "x86-64 only";
#endif
}

}  // namespace
}  // namespace quorlin
