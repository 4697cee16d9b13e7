// Engine throughput (MB/s of source) on the benchmark corpora, named and numeric:
// EncodeLine over every line, the whole pass over a line list, the stream
// encoder that quorlin-cli runs (in 64 KB pieces, as it reads), and the same on
// the corpus turned into UTF-8 (quorlin-cli --utf8); the line and stream
// encoders with each kernel this processor runs. Corpus directory:
// $QUORLIN_CORPUS, default ./corpus.
//   engine_bench --benchmark_filter=StreamEncoder/fr.txt/named
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/conversion_pass.h"
#include "convert/line_list.h"
#include "convert/stream_encoder.h"
#include "convert/text/cp1252.h"
#include "convert/text/text_codec.h"

namespace {

using quorlin::EntityMode;

std::string CorpusFile(const std::string& name) {
  const char* dir = std::getenv("QUORLIN_CORPUS");
  std::ifstream in(std::string(dir ? dir : "corpus") + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ToUtf8(const std::string& cp1252) {
  std::string out;
  for (char c : cp1252) {
    const char32_t cp = quorlin::Cp1252ToUnicode(static_cast<unsigned char>(c));
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

void Encode(benchmark::State& state, const std::string& name, EntityMode mode, int kind,
            quorlin::Kernel kernel) {
  const std::string raw = kind == 3 ? ToUtf8(CorpusFile(name)) : CorpusFile(name);
  if (raw.empty()) {
    state.SkipWithError(("corpus file missing: " + name).c_str());
    return;
  }
  // The line lists hold UTF-8, as the window's panes hand it to the pass.
  const quorlin::MemoryLineList source(
      quorlin::DecodeText(quorlin::TextEncoding::Cp1252, CorpusFile(name)));
  std::vector<std::string> lines;
  for (int i = 0; i < source.Count(); ++i) lines.push_back(source.Get(i));
  std::vector<char> buffer(quorlin::StreamEncoder::MaxOutput(1 << 16));
  std::string out;
  for (auto _ : state) {
    if (kind == 0) {
      for (const std::string& line : lines) {
        out.clear();
        quorlin::EncodeLine(mode, line, out, kernel);
        benchmark::DoNotOptimize(out.data());
      }
    } else if (kind == 1) {
      quorlin::MemoryLineList output;
      quorlin::ConvertLines(source, output, mode);
      benchmark::DoNotOptimize(output.IsEmpty());
    } else {
      quorlin::StreamEncoder encoder(
          mode,
          kind == 3 ? quorlin::StreamEncoder::Input::Utf8 : quorlin::StreamEncoder::Input::Cp1252,
          kernel);
      for (std::size_t at = 0; at < raw.size(); at += 1 << 16) {
        const std::size_t n = std::min<std::size_t>(1 << 16, raw.size() - at);
        benchmark::DoNotOptimize(encoder.Feed(raw.data() + at, n, buffer.data()));
      }
      benchmark::DoNotOptimize(encoder.Finish(buffer.data()));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(raw.size()));
}

const int registered = [] {
  for (const char* file : {"fr.txt", "high.txt", "ascii.txt", "dots.txt"})
    for (EntityMode mode : {EntityMode::Named, EntityMode::Numeric})
      for (int kind : {0, 1, 2, 3})
        for (quorlin::Kernel kernel : quorlin::RunnableKernels()) {
          // The whole pass runs the active kernel only (QUORLIN_KERNEL).
          if (kind == 1 && kernel != quorlin::ActiveKernel()) continue;
          const char* kinds[] = {"EncodeLine", "ConvertLines", "StreamEncoder",
                                 "StreamEncoderUtf8"};
          const std::string name = std::string(kinds[kind]) + "/" + file +
                                   (mode == EntityMode::Named ? "/named/" : "/numeric/") +
                                   quorlin::KernelName(kernel);
          benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) {
            Encode(s, file, mode, kind, kernel);
          })->Unit(benchmark::kMillisecond);
        }
  return 0;
}();

}  // namespace

BENCHMARK_MAIN();
