#pragma once
// reg.bin, the registry snapshot: its layout, the capture that writes it and
// the reading of it, so that writer and reader share one description.
//
// No signature, no version, no alignment. Every integer is an unsigned 32-bit
// little-endian number, every offset a byte position from the file's start.
//
//   header   u32 L, then L bytes: the key path the capture started at
//            ("" for the whole registry, so the header is 00 00 00 00)
//   block    u32 count, then count entry records: a key's values, then its
//            subkeys, in the order the registry listed them
//   entry    u32 isKey (0 value, 1 key), u32 N, N name bytes (no NUL), then
//              a key:   u32 childOffset, where the subkey's own block starts
//              a value: u32 type, u32 D, D data bytes as the registry gave them
//
// The root block (the five root keys) follows the header; after it comes one
// block per walked key in depth-first pre-order, so a key's block is followed
// by the blocks of its first subkey's whole subtree, then its second's.
//
// A capture that stopped leaves key entries that point nowhere: childOffset 0
// (never walked) or the file's length (stopped at the start of its block).
// Such a snapshot is unfinished, not damaged: a reader stops at that key.

#include <cstdint>
#include <string>

#include "registry/registry_entry.h"

class File;

namespace regbin {

/// The reader keeps the root path in 260 bytes, NUL included.
constexpr std::uint32_t kMaxRootPathLength = 259;
constexpr std::uint32_t kFieldSize = 4;
/// The smallest records: a key or a value with an empty name and no data.
constexpr std::uint32_t kMinKeyRecordSize = 3 * kFieldSize;
constexpr std::uint32_t kMinValueRecordSize = 4 * kFieldSize;
/// Windows nests keys at most 512 levels below a root; a stored tree far
/// deeper than that is damage, and walking it would exhaust the stack.
constexpr unsigned kMaxStoredDepth = 2048;

}  // namespace regbin

/// Captures the registry below `rootPath` ("" for all of it) into the file at
/// `snapshotPath`. Returns 1 when the walk completed, 0 when it stopped.
/// Raises FileError when the file cannot be created or written.
int CaptureRegistry(const std::string& rootPath, const std::string& snapshotPath);

/// Writes the block of `path` and, recursively, of its subkeys.
/// `parentSlot` is where in the file the caller's entry for this key has its
/// child offset, which receives this block's start; 0 for the level the
/// capture started at. Returns 1, or 0 to stop.
int CaptureKey(const std::string& path, File& file, std::uint32_t parentSlot);

/// Reads reg.bin a block at a time. Every count and length is checked
/// against what the rest of the file can hold before anything is read or
/// allocated; what does not fit raises the damaged-file error.
class SnapshotReader {
 public:
  /// Takes the file, open for reading, and its length.
  explicit SnapshotReader(File& file);

  /// Reads the header: the key path the capture started at.
  std::string ReadRootPath();
  /// Reads the count of the block at the current position.
  std::uint32_t ReadCount();
  /// Reads the next record of the block into `entry` (cleared first).
  void ReadEntry(RegistryEntry& entry);
  /// Moves to the block of `key`, which lies after the block that named it.
  /// False when the capture stopped before writing it; the caller reports
  /// that with ReportUnfinished and stops.
  bool SeekToBlock(const RegistryEntry& key) { return SeekToBlock(key.type); }
  bool SeekToBlock(std::uint32_t childOffset);
  /// Tells on the console that the snapshot ends at `keyPath`.
  static void ReportUnfinished(const std::string& keyPath);

  File& file() { return file_; }

 private:
  File& file_;
  std::uint64_t length_;
};
