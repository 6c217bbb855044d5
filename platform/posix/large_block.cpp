#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace platform {

namespace {

std::size_t RoundUp(std::size_t size) { return (size + kLargeBlockSize - 1) / kLargeBlockSize * kLargeBlockSize; }

}  // namespace

void* AllocateLargeBlock(std::size_t size) {
  if (size < kLargeBlockSize) {
    // Too small for a large page: from the heap.
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
    return block;
  }
  // From the heap too, so that whatever looks at the heap (a leak checker)
  // sees it, but starting on a large-page boundary and in whole large pages.
  std::size_t length = RoundUp(size);
  void* block = std::aligned_alloc(kLargeBlockSize, length);
  if (!block) throw std::bad_alloc();
  // Large pages are a wish: without them the block works all the same.
  madvise(block, length, MADV_HUGEPAGE);
  return block;
}

void FreeLargeBlock(void* block, std::size_t) { std::free(block); }

}  // namespace platform
