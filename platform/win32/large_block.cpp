#include "platform/large_block.h"

#include <new>

#include "platform/win32/windows_api.h"

namespace platform {

void* AllocateLargeBlock(std::size_t size) {
  void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!block) throw std::bad_alloc();
  return block;
}

void FreeLargeBlock(void* block, std::size_t) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
