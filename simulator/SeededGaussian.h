#pragma once
#include <cmath>
#include <cstdint>
#include <random>

namespace morvane {

// Gaussian deviates by Box-Muller over a 64-bit Mersenne Twister: the same seed gives the
// same numbers with every standard library.
class SeededGaussian {
public:
    // One stream per seed and cell, so adding a cell leaves the noise of the others as it was.
    SeededGaussian(uint64_t seed, uint64_t stream)
    {
        std::seed_seq seq { static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32),
            static_cast<uint32_t>(stream), 0x4d6f7256u };
        engine_.seed(seq);
    }
    double Uniform() { return (static_cast<double>(engine_() >> 11) + 0.5) * 0x1.0p-53; }
    double Next()
    {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double u = Uniform();
        const double v = Uniform();
        const double radius = std::sqrt(-2 * std::log(u));
        spare_ = radius * std::sin(2 * M_PI * v);
        hasSpare_ = true;
        return radius * std::cos(2 * M_PI * v);
    }

private:
    std::mt19937_64 engine_;
    bool hasSpare_ = false;
    double spare_ = 0;
};

} // namespace morvane
