#pragma once
// The byte kernels of the bulk encoder, one per instruction set, and which one
// runs. All give the same bytes; they differ only in speed.
//
//   ActiveKernel()                 -> Kernel::kAvx512 on a processor with AVX-512 VBMI2
//   QUORLIN_KERNEL=avx2 quorlin-cli  -> the AVX2 kernel (where the processor has it)
//   ChooseKernel("sse2")           -> Kernel::kSse2;  ChooseKernel("mmx") -> the best kernel
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorlin {

enum class Kernel : std::uint8_t {
  kScalar,  // portable C++, any processor
  kSse2,    // x86-64 baseline
  kAvx2,    // AVX2 with BMI1, BMI2 and POPCNT
  kAvx512,  // AVX-512 F, BW, VL, VBMI, VBMI2
};

// Its lower-case name: "scalar", "sse2", "avx2", "avx512".
const char* KernelName(Kernel kernel);
// Whether this build has the kernel and this processor can run it.
bool KernelRuns(Kernel kernel);
// The kernels that run here, slowest first (kScalar always).
std::span<const Kernel> RunnableKernels();
// The kernel named by `request` (a name as KernelName gives it) when it runs
// here; the fastest that runs for no name, an unknown one or one that cannot run.
Kernel ChooseKernel(const char* request);
// The kernel the encoders use unless told otherwise: ChooseKernel of the
// environment variable QUORLIN_KERNEL, read once.
Kernel ActiveKernel();

}  // namespace quorlin
