#pragma once
// The numbers of the snapshot files: unsigned 32-bit fields, least
// significant byte first, in memory and in a file; and the 32-bit offsets
// with which a snapshot points into itself, which keep it below 4 GiB.

#include <cstdint>

class File;

constexpr std::uint32_t kU32Size = 4;

/// Stores `value` in the four bytes at `at`.
inline void PutU32(void* at, std::uint32_t value) {
  auto* bytes = static_cast<unsigned char*>(at);
  for (std::uint32_t i = 0; i < kU32Size; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

/// The number in the four bytes at `at`.
inline std::uint32_t GetU32(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

/// Writes `value` as four bytes at the file's position.
void WriteU32(File& file, std::uint32_t value);
/// Reads four bytes; a file that ends first is damaged, inside `what`.
std::uint32_t ReadU32(File& file, const char* what);

/// `position` as a snapshot stores an offset: a field of four bytes there
/// must end within the 4 GiB that 32 bits address. A snapshot that grows past
/// that raises FileError rather than store offsets that lead elsewhere.
std::uint32_t SnapshotOffset(const File& file, std::uint64_t position);
