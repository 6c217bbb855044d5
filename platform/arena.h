#pragma once
// Memory for many small pieces that live as long as their owner: each piece
// takes the next bytes of the current block, and the blocks all go back when
// the arena ends. The first block is small, for the many small arenas of
// tests; every later one is a large page, which costs one page fault.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/large_block.h"

namespace platform {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (auto [block, size] : blocks_) FreeLargeBlock(block, size);
  }

  /// `size` bytes at a multiple of `align` (a power of two up to 16), not initialised.
  char* Allocate(std::size_t size, std::size_t align = 1) {
    std::size_t pad = -reinterpret_cast<std::uintptr_t>(next_) & (align - 1);
    if (size + pad > static_cast<std::size_t>(end_ - next_)) {
      // A piece of more than a quarter of a block gets a block of its own,
      // and the rest of the current block is kept for the pieces to come.
      if (size > blockSize_ / 4) return NewBlock(size);
      next_ = NewBlock(blockSize_);
      end_ = next_ + blockSize_;
      blockSize_ = kLargeBlockSize;
      pad = 0;
    }
    last_ = next_ + pad;
    next_ = last_ + size;
    return last_;
  }
  /// Grows the last piece handed out from `size` to `newSize` bytes where it
  /// lies, when its block has the room; false for any other piece.
  bool Extend(const void* piece, std::size_t size, std::size_t newSize) {
    if (piece != last_ || last_ + size != next_ || newSize - size > static_cast<std::size_t>(end_ - next_)) return false;
    next_ += newSize - size;
    return true;
  }
  /// A copy of `bytes` that lives as long as the arena.
  std::string_view Copy(std::string_view bytes) {
    if (bytes.empty()) return {};
    return {static_cast<char*>(std::memcpy(Allocate(bytes.size()), bytes.data(), bytes.size())), bytes.size()};
  }

 private:
  char* NewBlock(std::size_t size) {
    blocks_.reserve(blocks_.size() + 1);  // so that no block is lost
    blocks_.emplace_back(static_cast<char*>(AllocateLargeBlock(size)), size);  // aligned for any object
    return blocks_.back().first;
  }

  char* last_ = nullptr;  // the last piece taken from the current block
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t blockSize_ = std::size_t{64} << 10;
  std::vector<std::pair<char*, std::size_t>> blocks_;
};

}  // namespace platform
