// Runs written with byte-masked 64-byte moves, on x86-64 processors that
// have them (AVX-512BW, with BMI2 for the mask).
//
// A run of up to 64 pixels is then one masked load and one masked store,
// whatever its length: no branches on the length, which the decode loop's
// runs of random lengths mispredict, and no read or write of any byte
// outside the run (masked-off bytes are neither touched nor faulted on), so
// neither the stream nor the row needs room after the run.
//
// The moves are written in assembly, so that nothing of the program has to
// be compiled for these processors; MaskedRunsAvailable() tells whether the
// processor running it has them. They use zmm16 and k1, which code compiled
// without AVX-512 never uses, which no caller expects kept across a call
// (x86-64 System V and Windows conventions alike) and which do not hold up
// later SSE code; code compiled with AVX-512 is told they are clobbered.
#pragma once

#include <cstdint>

// The sanitizers do not see inside assembly: a build with one takes the
// portable moves, whose every access they check (the fuzzers' builds
// included). Elsewhere FrameDecodeDifferential holds the masked moves to
// the portable ones byte for byte.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ICN_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || \
    __has_feature(thread_sanitizer)
#define ICN_SANITIZED_BUILD 1
#endif
#endif

namespace icnkit {

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && \
    !defined(ICN_SANITIZED_BUILD)
#define ICN_HAVE_MASKED_RUNS 1

#ifdef __AVX512F__
#define ICN_MASKED_RUNS_CLOBBERS "cc", "k1", "xmm16"
#else
#define ICN_MASKED_RUNS_CLOBBERS "cc"
#endif

// Whether this processor (and its operating system, which has to save the
// 512-bit registers) runs the masked moves.
inline bool MaskedRunsAvailable() {
  static const bool available =
      __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi2");
  return available;
}

using TRunBlock = uint8_t[64];

// Copies the first n bytes (n <= 64) of from to to.
inline __attribute__((always_inline)) void MaskedCopy(uint8_t* to, const uint8_t* from,
                                                      uint64_t n) {
  uint64_t mask;
  asm("bzhi %[n], %[all], %[mask]\n\t"
      "kmovq %[mask], %%k1\n\t"
      "vmovdqu8 %[from], %%zmm16%{%%k1%}%{z%}\n\t"
      "vmovdqu8 %%zmm16, %[to]%{%%k1%}"
      : [mask] "=&r"(mask), [to] "+m"(*reinterpret_cast<TRunBlock*>(to))
      : [n] "r"(n), [all] "r"(~uint64_t(0)), [from] "m"(*reinterpret_cast<const TRunBlock*>(from))
      : ICN_MASKED_RUNS_CLOBBERS);
}

// Sets the first n bytes (n <= 64) at to to value.
inline __attribute__((always_inline)) void MaskedFill(uint8_t* to, uint8_t value, uint64_t n) {
  uint64_t mask;
  asm("bzhi %[n], %[all], %[mask]\n\t"
      "kmovq %[mask], %%k1\n\t"
      "vpbroadcastb %k[value], %%zmm16\n\t"
      "vmovdqu8 %%zmm16, %[to]%{%%k1%}"
      : [mask] "=&r"(mask), [to] "+m"(*reinterpret_cast<TRunBlock*>(to))
      : [n] "r"(n), [all] "r"(~uint64_t(0)), [value] "r"(uint32_t(value))
      : ICN_MASKED_RUNS_CLOBBERS);
}

// Copies 64 bytes.
inline __attribute__((always_inline)) void BlockCopy(uint8_t* to, const uint8_t* from) {
  asm("vmovdqu8 %[from], %%zmm16\n\t"
      "vmovdqu8 %%zmm16, %[to]"
      : [to] "=m"(*reinterpret_cast<TRunBlock*>(to))
      : [from] "m"(*reinterpret_cast<const TRunBlock*>(from))
      : ICN_MASKED_RUNS_CLOBBERS);
}

// Copies a run of any length n: whole 64-byte blocks, then the masked rest.
inline __attribute__((always_inline)) void MaskedCopyRun(uint8_t* to, const uint8_t* from,
                                                         uint64_t n) {
  for (; n > 64; n -= 64, to += 64, from += 64) BlockCopy(to, from);
  MaskedCopy(to, from, n);
}

// Sets a run of any length n at to to value, 64 bytes at a time.
inline __attribute__((always_inline)) void MaskedFillRun(uint8_t* to, uint8_t value, uint64_t n) {
  for (; n > 64; n -= 64, to += 64) MaskedFill(to, value, 64);
  MaskedFill(to, value, n);
}
#else
inline bool MaskedRunsAvailable() {
  return false;
}
#endif

}  // namespace icnkit
