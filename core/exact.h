#pragma once
// Exact quotients rounded once to 32-bit values: to the nearest, ties to even, subnormals
// included. A value whose nearest 32-bit value is infinite stops the command with the overflow
// message.

#include <gmpxx.h>

namespace orvelt {

// n / d · 2^e, for d > 0.
float NearestFloat(const mpz_class& n, const mpz_class& d, long e = 0);

// √(n / d) · 2^e, for n >= 0 and d > 0.
float NearestFloatOfRoot(const mpz_class& n, const mpz_class& d, long e = 0);

}  // namespace orvelt
