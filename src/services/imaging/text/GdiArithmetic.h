#pragma once

#include <cstdint>

// a * b / c with a 64-bit product, rounded to the nearest integer, halves away from zero.
// Returns -1 when c is 0 or when the result does not fit 32 bits.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// Logical pixels per inch in both directions.
constexpr int kLogicalDpi = 96;
