// Small helpers shared by the benchmarks: a fixed pseudo-random sequence, so
// every run builds the same document, and a stopwatch.
#ifndef QUILLERY_BENCH_BENCH_SUPPORT_H_
#define QUILLERY_BENCH_BENCH_SUPPORT_H_

#include <chrono>
#include <cstdint>

namespace quillery {
namespace bench {

inline std::uint32_t NextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace bench
}  // namespace quillery

#endif  // QUILLERY_BENCH_BENCH_SUPPORT_H_
