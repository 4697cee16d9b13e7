// The full-stop run as every kernel carries it across pieces, against the rule
// written apart: in each line, a run of n full stops is n / 3 ellipses then
// n % 3 full stops. Random texts of full stops, a letter, a Windows-1252 letter,
// markup, a character beyond Windows-1252 and breaks, through the stream
// encoder in pieces of random sizes, from UTF-8 and from Windows-1252.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../common/line_list_contract.h"
#include "convert/kernels/kernel.h"
#include "convert/stream_encoder.h"

namespace quorlin {
namespace {

struct Token {
  const char* cp1252;  // null: Windows-1252 has no byte for it
  const char* utf8;
  const char* named;  // null: a break
  const char* numeric;
};
const Token kTokens[] = {
    {".", ".", ".", "."},
    {"a", "a", "a", "a"},
    {"\xe9", "\xc3\xa9", "&eacute;", "&#233;"},
    {"<", "<", "&lt;", "&#60;"},
    {nullptr, "\xe2\x86\x92", "&rarr;", "&#8594;"},
    {"\r", "\r", nullptr, nullptr},
    {"\n", "\n", nullptr, nullptr},
};

std::string Model(const std::vector<const Token*>& text, EntityMode mode) {
  std::string out, line;
  int dots = 0;
  bool open = false;
  const auto endRun = [&] {
    for (; dots >= 3; dots -= 3) line += mode == EntityMode::Named ? "&hellip;" : "&#133;";
    line.append(dots, '.');
    dots = 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Token& t = *text[i];
    open = t.named != nullptr;
    if (!open) {  // a break; CR LF is one
      if (*t.utf8 == '\r' && i + 1 < text.size() && *text[i + 1]->utf8 == '\n') ++i;
      endRun();
      out += line + "\r\n";
      line.clear();
    } else if (*t.utf8 == '.') {
      ++dots;
    } else {
      endRun();
      line += mode == EntityMode::Named ? t.named : t.numeric;
    }
  }
  endRun();
  return open ? out + line + "\r\n" : out;
}

std::string Streamed(Kernel kernel, EntityMode mode, StreamEncoder::Input input,
                     const std::string& raw, std::mt19937& random) {
  StreamEncoder encoder(mode, input, kernel);
  std::string out;
  for (std::size_t at = 0, n; at < raw.size(); at += n) {
    n = std::min<std::size_t>(1 + random() % 300, raw.size() - at);
    const std::string piece = raw.substr(at, n);  // a buffer of its own
    std::vector<char> buffer(StreamEncoder::MaxOutput(n));
    out.append(buffer.data(), encoder.Feed(piece.data(), n, buffer.data()));
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
    std::vector<const Token*> utf8Text, cp1252Text;
    std::string utf8, cp1252;
    for (std::size_t n = random() % 700; n > 0; --n) {
      const Token& t = kTokens[random() % 10 < dotShare ? 0 : 1 + random() % 6];
      utf8Text.push_back(&t);
      utf8 += t.utf8;
      if (t.cp1252 == nullptr) continue;
      cp1252Text.push_back(&t);
      cp1252 += t.cp1252;
    }
    const std::string what = "round " + std::to_string(round) + ": " + testing::Visible(utf8);
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric}) {
      ASSERT_EQ(Streamed(GetParam(), mode, StreamEncoder::Input::Utf8, utf8, random),
                Model(utf8Text, mode))
          << what;
      ASSERT_EQ(Streamed(GetParam(), mode, StreamEncoder::Input::Cp1252, cp1252, random),
                Model(cp1252Text, mode))
          << what;
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
