// The simulator's random numbers: SplitMix64, so that one seed gives the
// same traffic on every platform and standard library.
#pragma once

#include <cmath>
#include <cstdint>

namespace pondel {

class SimRandom {
 public:
  explicit SimRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, bound); bound > 0.
  std::uint32_t Below(std::uint32_t bound) {
    return static_cast<std::uint32_t>(((Next() >> 32) * bound) >> 32);
  }

  // Uniform in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Below(static_cast<std::uint32_t>(high - low + 1)));
  }

  // Uniform in (0, 1].
  double Unit() { return (static_cast<double>(Next() >> 11) + 1.0) * 0x1.0p-53; }

  // Exponentially distributed with the given mean: the gap between arrivals
  // of a Poisson process.
  double Exponential(double mean) { return -std::log(Unit()) * mean; }

 private:
  std::uint64_t state_;
};

}  // namespace pondel
