#pragma once
// Large blocks of memory that a process fills at once and keeps to its end:
// the in-memory registry holds its keys, names and data in them. Where the
// system can, they are backed by large pages, so that filling a block costs
// one page fault instead of hundreds.

#include <cstddef>

namespace platform {

/// The size of a large page. Blocks of this size or more are best made of
/// whole multiples of it; smaller ones come from the ordinary heap.
constexpr std::size_t kLargeBlockSize = std::size_t{2} << 20;

/// A block of `size` bytes, not initialised; raises std::bad_alloc.
void* AllocateLargeBlock(std::size_t size);
/// Returns a block from AllocateLargeBlock, with the size it was asked for.
void FreeLargeBlock(void* block, std::size_t size);

}  // namespace platform
