#pragma once
// Large blocks of memory that a process fills at once and keeps to its end:
// the in-memory registry holds its keys, names and data in them. Where the
// system can, they are backed by large pages, so that filling a block costs
// one page fault instead of hundreds.

#include <cstddef>
#include <new>

namespace platform {

/// The size of a large page. Blocks of this size or more are best made of
/// whole multiples of it; smaller ones come from the ordinary heap.
constexpr std::size_t kLargeBlockSize = std::size_t{2} << 20;

/// A block of `size` bytes, not initialised; raises std::bad_alloc.
void* AllocateLargeBlock(std::size_t size);
/// Returns a block from AllocateLargeBlock, with the size it was asked for.
void FreeLargeBlock(void* block, std::size_t size);

/// For containers that grow large at once, such as a file's window: what
/// reaches a large page comes in large blocks, anything smaller from the heap.
template <typename T>
struct LargeBlockAllocator {
  using value_type = T;
  LargeBlockAllocator() = default;
  template <typename U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
  T* allocate(std::size_t n) {
    std::size_t size = n * sizeof(T);
    return static_cast<T*>(size >= kLargeBlockSize ? AllocateLargeBlock(size) : ::operator new(size));
  }
  void deallocate(T* block, std::size_t n) {
    std::size_t size = n * sizeof(T);
    if (size >= kLargeBlockSize)
      FreeLargeBlock(block, size);
    else
      ::operator delete(block);
  }
  template <typename U>
  bool operator==(const LargeBlockAllocator<U>&) const { return true; }
};

}  // namespace platform
