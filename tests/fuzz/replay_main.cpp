// Runs a fuzz target without libFuzzer: every file of the given corpus
// directories (or files) is fed to LLVMFuzzerTestOneInput, then a fixed number
// of variants of each (bytes changed, cut, doubled), from a fixed seed, so the
// same run happens every time. A target reports a mismatch by aborting. The
// corpus is a few seeds that reach every branch (scripts/fuzz.sh), so each
// seed gets many variants.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr int kVariants = 64;

void Run(const std::string& bytes) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string Mutate(std::string s, std::uint64_t& state) {
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  static const char kInteresting[] = {'\0', '\r',   '\n',   '.',    '&',
                                      '<',  '\x85', '\x80', '\xe9', '\xff'};
  switch (next() % 4) {
    case 0:  // a few bytes replaced by bytes the program treats specially
      for (int i = 0, n = 1 + next() % 8; i < n && !s.empty(); ++i)
        s[next() % s.size()] = kInteresting[next() % sizeof kInteresting];
      break;
    case 1:  // random bytes
      for (int i = 0, n = 1 + next() % 8; i < n && !s.empty(); ++i)
        s[next() % s.size()] = static_cast<char>(next());
      break;
    case 2:  // cut
      s.resize(s.empty() ? 0 : next() % s.size());
      break;
    default:  // doubled
      s += s;
      break;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (std::filesystem::is_regular_file(arg)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
      return 1;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "empty corpus\n");
    return 1;
  }
  std::sort(files.begin(), files.end());

  Run("");
  std::size_t inputs = 1;
  std::uint64_t state = 0x9e3779b97f4a7c15ull;
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Run(bytes);
    ++inputs;
    for (int v = 0; v < kVariants; ++v) {
      Run(Mutate(bytes, state));
      ++inputs;
    }
  }
  std::printf("%zu corpus files, %zu inputs run\n", files.size(), inputs);
  return 0;
}
