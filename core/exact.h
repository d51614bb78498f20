#pragma once
// Exact rationals rounded once to 32-bit values: to the nearest, ties to even, subnormals
// included. A value whose nearest 32-bit value is infinite stops the command with the overflow
// message.

#include <gmpxx.h>

namespace orvelt {

// The rational of a 32-bit value, exactly (every float is a dyadic rational).
mpq_class Exactly(float value);

float NearestFloat(const mpq_class& q);

// The 32-bit value nearest to the square root of q >= 0.
float NearestFloatOfRoot(const mpq_class& q);

}  // namespace orvelt
