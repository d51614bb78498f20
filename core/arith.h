#pragma once
// Arithmetic of the program: 32-bit values are stored, expressions run in x87 extended precision.
// Floating-point faults stop the running command; they are checked explicitly, never trapped.

#include <limits>

#include "core/messages.h"

namespace orvelt {

using Ext = long double;
static_assert(std::numeric_limits<Ext>::digits == 64, "needs the 80-bit extended format");

// Rounds to the nearest 32-bit value; a NaN or a result beyond the 32-bit range stops the
// command with the invalid operation's or the overflow's message.
float CheckedFloat(Ext v);

// Rounds to the nearest 32-bit value, infinities and NaNs included: for the graph, which reports
// no failure, and where an infinite sample simply lies outside the plot.
inline float UncheckedFloat(Ext v) {
  return static_cast<float>(v);
}

}  // namespace orvelt
