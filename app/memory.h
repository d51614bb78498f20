#pragma once
// How the process keeps its memory.

namespace orvelt {

// Every thread allocates from the main thread's heap. The program's other threads (fontconfig at
// start, the display's reader) allocate little, and a heap of their own each would keep its own
// pages and free space for the whole run. Call before the first thread starts.
void ShareOneHeap();

}  // namespace orvelt
