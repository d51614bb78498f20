#include "core/arith.h"

#include <cmath>

namespace orvelt {

float Store(Ext v) {
  if (std::isnan(v)) throw CommandError(kInvalidOperationText);
  const float f = static_cast<float>(v);
  if (std::isinf(f)) throw CommandError(kOverflowText);
  return f;
}

}  // namespace orvelt
