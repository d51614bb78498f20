#include "core/arith.h"

#include <cmath>

namespace orvelt {

Ext Divide(Ext n, Ext d) {
  if (std::isnan(n) || std::isnan(d)) throw CommandError(kInvalidOperationText);
  if (d == 0) throw CommandError(n == 0 ? kInvalidOperationText : kZeroDivideText);
  if (std::isinf(n) && std::isinf(d)) throw CommandError(kInvalidOperationText);
  const Ext q = n / d;
  if (std::isinf(q) && !std::isinf(n)) throw CommandError(kOverflowText);
  return q;
}

Ext SquareRoot(Ext v) {
  if (std::isnan(v) || v < 0) throw CommandError(kInvalidOperationText);
  return std::sqrt(v);
}

float Store(Ext v) {
  if (std::isnan(v)) throw CommandError(kInvalidOperationText);
  const float f = static_cast<float>(v);
  if (std::isinf(f)) throw CommandError(kOverflowText);
  return f;
}

}  // namespace orvelt
