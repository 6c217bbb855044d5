#pragma once
// The directory-entry record that a folder listing fills: the 320 bytes of
// WIN32_FIND_DATAA, laid out as on Windows so that it can be stored whole.

#include <cstdint>

namespace platform {

constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
constexpr std::uint32_t kFileAttributeHidden = 0x02;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;

/// 100-nanosecond intervals since 1601-01-01 UTC, as two 32-bit words.
struct FileTime {
  std::uint32_t lowDateTime;
  std::uint32_t highDateTime;
};

struct FindData {
  std::uint32_t fileAttributes;
  FileTime creationTime;
  FileTime lastAccessTime;
  FileTime lastWriteTime;
  std::uint32_t fileSizeHigh;
  std::uint32_t fileSizeLow;
  std::uint32_t reserved0;
  std::uint32_t reserved1;
  char fileName[260];
  char alternateFileName[14];
  char padding[2];
};

static_assert(sizeof(FindData) == 320, "the find-data record is 320 bytes");

}  // namespace platform
