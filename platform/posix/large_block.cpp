#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdint>
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
  // Mapped with room to start on a large-page boundary; the rest is unmapped.
  std::size_t length = RoundUp(size);
  std::size_t mapped = length + kLargeBlockSize;
  void* area = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<std::uintptr_t>(area);
  std::uintptr_t aligned = (start + kLargeBlockSize - 1) / kLargeBlockSize * kLargeBlockSize;
  if (aligned > start) munmap(area, aligned - start);
  std::uintptr_t end = start + mapped;
  if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  // Large pages are a wish: without them the block works all the same.
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, std::size_t size) {
  if (!block) return;
  if (size < kLargeBlockSize)
    std::free(block);
  else
    munmap(block, RoundUp(size));
}

}  // namespace platform
