#include "core/arith.h"

#include <cmath>

namespace orvelt {

float CheckedFloat(Ext v) {
  if (std::isnan(v)) throw CommandError(kInvalidOperation);
  const float f = static_cast<float>(v);
  if (std::isinf(f)) throw CommandError(kOverflow);
  return f;
}

}  // namespace orvelt
