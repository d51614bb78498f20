#pragma once
// Exact quotients rounded once to 32-bit values: to the nearest, ties to even, subnormals
// included. A value whose nearest 32-bit value is infinite stops the command with the overflow
// message. And the same quotients as decimals of 6 significant digits, and approximately.

#include <gmpxx.h>

#include <string>

#include "core/arith.h"

namespace orvelt {

// n / d · 2^e, for d > 0.
float NearestFloat(const mpz_class& n, const mpz_class& d, long e = 0);

// √(n / d) · 2^e, for n >= 0 and d > 0.
float NearestFloatOfRoot(const mpz_class& n, const mpz_class& d, long e = 0);

// n / d · 2^e as the decimal of 6 significant digits nearest to it (ties to even), written as
// C's "%.6g" writes that decimal ("0.0165289", "1e+06", "-3.5"); for d > 0.
std::string SignificantText(const mpz_class& n, const mpz_class& d, long e = 0);

// √(n / d · 2^e) so, with a minus sign when `negative`; for n >= 0 and d > 0.
std::string SignificantTextOfRoot(const mpz_class& n, const mpz_class& d, long e = 0,
                                  bool negative = false);

// n / d · 2^e to within a unit of the 64th bit; for d > 0. Beyond the extended range: infinity.
Ext Approximately(const mpz_class& n, const mpz_class& d, long e = 0);

}  // namespace orvelt
