#include "app/memory.h"

#include <malloc.h>

namespace orvelt {

void ShareOneHeap() {
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace orvelt
