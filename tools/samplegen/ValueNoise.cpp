#include "ValueNoise.h"

#include <cmath>

namespace {

double smooth(double t)
{
    return t * t * (3 - 2 * t);
}

} // namespace

double ValueNoise::hash(std::int64_t x, std::int64_t y) const
{
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + m_seed;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 33;
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53);
}

double ValueNoise::at(double x, double y) const
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double top = hash(ix, iy) + (hash(ix + 1, iy) - hash(ix, iy)) * tx;
    const double bottom = hash(ix, iy + 1) + (hash(ix + 1, iy + 1) - hash(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

double ValueNoise::fractal(double x, double y, int octaves, double gain) const
{
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * at(x, y);
        total += weight;
        weight *= gain;
        x = x * 2 + 17.3;
        y = y * 2 + 5.9;
    }
    return sum / total;
}
