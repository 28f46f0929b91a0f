#pragma once

#include <cstdint>

// Smooth value noise from a fixed seed: the same seed gives the same picture everywhere.
class ValueNoise
{
public:
    explicit ValueNoise(std::uint32_t seed) : m_seed(seed) {}

    // Noise in [0, 1] at a point, smoothly interpolated between lattice values.
    double at(double x, double y) const;
    // Fractal sum of `octaves` layers, each at twice the frequency and `gain` times the weight.
    double fractal(double x, double y, int octaves, double gain = 0.5) const;
    // A repeatable pseudo-random value in [0, 1) for an integer lattice point.
    double hash(std::int64_t x, std::int64_t y) const;

private:
    std::uint32_t m_seed;
};
