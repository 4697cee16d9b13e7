// The portable kernel and the choice of kernel.
#include "convert/kernels/bulk_kernel.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "convert/kernels/bulk_kernel_impl.h"

namespace quorlin::detail {

#if defined(QUORLIN_X86_KERNELS)
// In bulk_kernel_sse2.cpp, bulk_kernel_avx2.cpp, bulk_kernel_avx512.cpp.
extern const KernelSet kSse2Set;
extern const KernelSet kAvx2Set;
extern const KernelSet kAvx512Set;
#endif

namespace {

struct Scalar : BaselineBits {
  template <RunMode kMode>
  static BlockMarks Mark(const char* s) {
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    BlockMarks marks{0, 0};
    for (int i = 0; i < 64; ++i) {
      bool fast, slow;
      MarkByte<kMode>(u[i - 1], u[i], u[i + 1], fast, slow);
      marks.fast |= std::uint64_t{fast} << i;
      marks.slow |= std::uint64_t{slow} << i;
    }
    return marks;
  }
  static std::uint64_t CrLf(const char* s) {
    std::uint64_t m = 0;
    for (int i = 0; i < 64; ++i) {
      const bool pair = (s[i] == '\r' && s[i + 1] == '\n') || (s[i] == '\n' && s[i - 1] == '\r');
      m |= std::uint64_t{pair} << i;
    }
    return m;
  }
  static std::uint64_t High(const char* s) {
    std::uint64_t m = 0;
    for (int i = 0; i < 64; ++i) m |= std::uint64_t{static_cast<unsigned char>(s[i]) >= 0x80} << i;
    return m;
  }
  static void Copy64(char* d, const char* s) { std::memcpy(d, s, 64); }
};

bool ProcessorRuns(Kernel kernel) {
  switch (kernel) {
    case Kernel::kScalar:
      return true;
#if defined(QUORLIN_X86_KERNELS)
    case Kernel::kSse2:
      return true;
    case Kernel::kAvx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    case Kernel::kAvx512:
      __builtin_cpu_init();
      return ProcessorRuns(Kernel::kAvx2) && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
             __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2");
#endif
    default:
      return false;
  }
}

constexpr Kernel kKernels[] = {Kernel::kScalar, Kernel::kSse2, Kernel::kAvx2, Kernel::kAvx512};

struct Runnable {
  Kernel kernels[std::size(kKernels)];
  std::size_t count = 0;
  Runnable() {
    for (Kernel k : kKernels)
      if (ProcessorRuns(k)) kernels[count++] = k;
  }
};

const Runnable& RunnableHere() {
  static const Runnable runnable;
  return runnable;
}

}  // namespace

const KernelSet& SetOf(Kernel kernel) {
  // Built once: the functions of each kernel, the fastest that runs standing in
  // for one that does not.
  static const std::array<const KernelSet*, std::size(kKernels)> sets = [] {
    static constexpr KernelSet scalar = kSetOf<Scalar>;
    std::array<const KernelSet*, std::size(kKernels)> table{};
    for (Kernel k : kKernels) {
      const Kernel runs = KernelRuns(k) ? k : RunnableKernels().back();
      const KernelSet* set = &scalar;
#if defined(QUORLIN_X86_KERNELS)
      if (runs == Kernel::kSse2) set = &kSse2Set;
      if (runs == Kernel::kAvx2) set = &kAvx2Set;
      if (runs == Kernel::kAvx512) set = &kAvx512Set;
#endif
      table[static_cast<std::size_t>(k)] = set;
    }
    return table;
  }();
  return *sets[static_cast<std::size_t>(kernel)];
}

}  // namespace quorlin::detail

namespace quorlin {

const char* KernelName(Kernel kernel) {
  switch (kernel) {
    case Kernel::kScalar:
      return "scalar";
    case Kernel::kSse2:
      return "sse2";
    case Kernel::kAvx2:
      return "avx2";
    case Kernel::kAvx512:
      return "avx512";
  }
  return "?";
}

bool KernelRuns(Kernel kernel) {
  for (Kernel k : RunnableKernels())
    if (k == kernel) return true;
  return false;
}

std::span<const Kernel> RunnableKernels() {
  const detail::Runnable& r = detail::RunnableHere();
  return {r.kernels, r.count};
}

Kernel ChooseKernel(const char* request) {
  if (request != nullptr)
    for (Kernel k : RunnableKernels())
      if (std::strcmp(request, KernelName(k)) == 0) return k;
  return RunnableKernels().back();
}

Kernel ActiveKernel() {
  static const Kernel active = ChooseKernel(std::getenv("QUORLIN_KERNEL"));
  return active;
}

}  // namespace quorlin
