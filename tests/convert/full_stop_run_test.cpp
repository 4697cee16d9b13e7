// The full-stop run as every kernel carries it across pieces, against the rule
// written apart: in each line, a run of n full stops is n / 3 ellipses then
// n % 3 full stops. Random texts of full stops, letters, a Windows-1252 letter,
// a character beyond it, markup and breaks, through the stream encoder in
// pieces of random sizes (both inputs) and through the line encoder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../common/line_list_contract.h"
#include "convert/entity_encoder.h"
#include "convert/kernels/kernel.h"
#include "convert/stream_encoder.h"

namespace quorlin {
namespace {

struct Token {
  const char* cp1252;  // null: Windows-1252 has no byte for it
  const char* utf8;
  const char* named;
  const char* numeric;
};
const Token kTokens[] = {
    {".", ".", ".", "."},
    {"a", "a", "a", "a"},
    {"\xe9", "\xc3\xa9", "&eacute;", "&#233;"},
    {"<", "<", "&lt;", "&#60;"},
    {nullptr, "\xe2\x86\x92", "&rarr;", "&#8594;"},
    {"\r", "\r", nullptr, nullptr},  // breaks
    {"\n", "\n", nullptr, nullptr},
};

// The lines the rule gives, without their CR LF.
std::vector<std::string> Model(const std::vector<int>& text, EntityMode mode) {
  std::vector<std::string> lines;
  std::string line;
  int dots = 0;
  bool open = false;
  const auto endRun = [&] {
    for (; dots >= 3; dots -= 3) line += mode == EntityMode::Named ? "&hellip;" : "&#133;";
    line.append(dots, '.');
    dots = 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Token& token = kTokens[text[i]];
    if (token.named == nullptr) {
      if (token.utf8[0] == '\r' && i + 1 < text.size() && kTokens[text[i + 1]].utf8[0] == '\n') ++i;
      endRun();
      lines.push_back(line);
      line.clear();
      open = false;
      continue;
    }
    open = true;
    if (token.utf8[0] == '.') {
      ++dots;
      continue;
    }
    endRun();
    line += mode == EntityMode::Named ? token.named : token.numeric;
  }
  endRun();
  if (open) lines.push_back(line);
  return lines;
}

std::string Streamed(Kernel kernel, EntityMode mode, StreamEncoder::Input input,
                     const std::string& raw, std::mt19937& random) {
  StreamEncoder encoder(mode, input, kernel);
  std::string out;
  for (std::size_t at = 0; at < raw.size();) {
    const std::size_t n = std::min<std::size_t>(1 + random() % 300, raw.size() - at);
    const std::string piece = raw.substr(at, n);  // a buffer of its own
    std::vector<char> buffer(StreamEncoder::MaxOutput(n));
    out.append(buffer.data(), encoder.Feed(piece.data(), n, buffer.data()));
    at += n;
  }
  std::vector<char> buffer(StreamEncoder::MaxOutput(0));
  return out.append(buffer.data(), encoder.Finish(buffer.data()));
}

class FullStopRunTest : public ::testing::TestWithParam<Kernel> {};

TEST_P(FullStopRunTest, RandomTextsInRandomPieces) {
  std::mt19937 random(1805);
  for (int round = 0; round < 400; ++round) {
    // Mostly full stops in some texts (blocks of many marks), few in others.
    const unsigned dotShare = 1 + random() % 9;
    std::vector<int> text(random() % 700);
    for (int& t : text) t = random() % 10 < dotShare ? 0 : 1 + random() % (std::size(kTokens) - 1);
    std::vector<int> cp1252Text;
    std::string cp1252, utf8;
    for (int t : text) {
      utf8 += kTokens[t].utf8;
      if (kTokens[t].cp1252 == nullptr) continue;
      cp1252 += kTokens[t].cp1252;
      cp1252Text.push_back(t);
    }
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
      const std::string what = "round " + std::to_string(round) + ": " + testing::Visible(utf8);
      std::string want;
      for (const std::string& line : Model(text, mode)) want += line + "\r\n";
      ASSERT_EQ(Streamed(GetParam(), mode, StreamEncoder::Input::Utf8, utf8, random), want) << what;
      std::string wantCp1252;
      for (const std::string& line : Model(cp1252Text, mode)) wantCp1252 += line + "\r\n";
      ASSERT_EQ(Streamed(GetParam(), mode, StreamEncoder::Input::Cp1252, cp1252, random),
                wantCp1252)
          << what;
      // The line encoder, on each line of the text: a line holds no break.
      std::vector<int> line;
      for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && kTokens[text[i]].named != nullptr) {
          line.push_back(text[i]);
          continue;
        }
        std::string source, encoded = "..";  // appended after text ending in full stops
        for (int t : line) source += kTokens[t].utf8;
        EncodeLine(mode, source, encoded, GetParam());
        const std::vector<std::string> lines = Model(line, mode);
        ASSERT_EQ(encoded, ".." + (lines.empty() ? "" : lines[0])) << what;
        line.clear();
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Runnable, FullStopRunTest,
                         ::testing::ValuesIn(std::vector<Kernel>(RunnableKernels().begin(),
                                                                 RunnableKernels().end())),
                         [](const ::testing::TestParamInfo<Kernel>& info) {
                           return std::string(KernelName(info.param));
                         });

}  // namespace
}  // namespace quorlin
