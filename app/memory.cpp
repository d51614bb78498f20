#include "app/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace orvelt {

namespace {
void* heapFence = nullptr;  // kept for the whole run
}  // namespace

void ShareOneHeap() {
  mallopt(M_ARENA_MAX, 1);
}

void ReserveHeap(std::size_t bytes) {
#ifndef MADV_POPULATE_WRITE
  constexpr int MADV_POPULATE_WRITE = 23;
#endif
  // Below the size from which malloc maps a block apart from the heap (128 KiB by default); the
  // threshold itself is left alone, as setting it would fix it for the whole run.
  constexpr std::size_t kPiece = 120 * 1024;
  constexpr std::size_t kMostPieces = 64;
  // One piece more than the space asks for: the last becomes the fence.
  const std::size_t count = std::min(kMostPieces, (bytes + kPiece - 1) / kPiece + 1);
  void* pieces[kMostPieces] = {};
  for (std::size_t i = 0; i < count; ++i) pieces[i] = std::malloc(kPiece);
  const auto lowest = reinterpret_cast<std::uintptr_t>(*std::min_element(pieces, pieces + count));
  // The last piece, cut down and kept, parts the others from the heap's top: free space at the
  // top beyond 128 KiB goes back to the system at once, free space below a block in use stays.
  std::free(std::exchange(heapFence, std::realloc(pieces[count - 1], 1)));
  for (std::size_t i = 0; i + 1 < count; ++i) std::free(pieces[i]);
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = lowest & ~(page - 1);
  // Pieces off the program break's heap (an allocator of its own, a heap that could not grow)
  // leave the span meaningless: nothing is mapped then.
  if (lowest != 0 && end > start && end - start <= 2 * count * kPiece)
    madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
}

}  // namespace orvelt
