// Where 乱数 draws its numbers from. The numbers always come from the standard
// 64-bit Mersenne Twister; an implementation chooses the seed (the system's
// entropy, or a fixed one that makes a run repeatable). The base class seeds
// from the clocks, so a bundle without a source of its own still gives numbers
// that differ from run to run.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace qel {

class RandomSource {
  public:
    RandomSource() : RandomSource(seedFromClocks()) {}
    virtual ~RandomSource() = default;
    // A number in [0, 1) with 53 random bits.
    virtual double nextUnit() { return std::generate_canonical<double, 53>(engine_); }

  protected:
    explicit RandomSource(std::uint64_t seed) : engine_(seed) {}

  private:
    static std::uint64_t seedFromClocks() {
        using namespace std::chrono;
        auto wall = std::uint64_t(system_clock::now().time_since_epoch().count());
        auto steady = std::uint64_t(steady_clock::now().time_since_epoch().count());
        return wall ^ (steady << 1);
    }

    std::mt19937_64 engine_;
};

}  // namespace qel
