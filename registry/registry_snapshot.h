#pragma once
// reg.bin, the registry snapshot: its layout, and the writing and reading of
// its records, so that writer and reader share one description.
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
#include <vector>

#include "registry/registry_entry.h"

class File;

namespace regbin {

/// The reader keeps the root path in 260 bytes, NUL included.
constexpr std::uint32_t kMaxRootPathLength = 259;
constexpr std::uint32_t kFieldSize = 4;
/// Where the root block starts: after the header (at 4 for the whole registry).
constexpr std::uint32_t RootBlockOffset(std::uint32_t rootPathLength) { return kFieldSize + rootPathLength; }
/// The size of a key's record, and where in it the child offset lies.
constexpr std::uint32_t KeyRecordSize(std::uint32_t nameLength) { return 3 * kFieldSize + nameLength; }
constexpr std::uint32_t ChildOffsetField(std::uint32_t nameLength) { return 2 * kFieldSize + nameLength; }
/// The size of a value's record.
constexpr std::uint32_t ValueRecordSize(std::uint32_t nameLength, std::uint32_t dataLength) {
  return 4 * kFieldSize + nameLength + dataLength;
}
/// The smallest record: a key with an empty name.
constexpr std::uint32_t kMinKeyRecordSize = KeyRecordSize(0);
/// Windows nests keys at most 512 levels below a root; a stored tree far
/// deeper than that is damage, and walking it would exhaust the stack.
constexpr unsigned kMaxStoredDepth = 2048;

}  // namespace regbin

/// Writes reg.bin: the header, then blocks of records. A key's record leaves
/// its child offset to be filled in once the key's own block begins. Raises
/// FileError when the file cannot be written or outgrows its offsets.
class SnapshotWriter {
 public:
  /// Takes the file, open for writing.
  explicit SnapshotWriter(File& file) : file_(file) {}

  /// Writes the header: the key path the capture starts at.
  void WriteRootPath(const std::string& path);
  /// Fills the child offset at `slot` (as WriteEntry returned it) with the
  /// end of the file, where the key's block is to begin.
  void PointToNextBlock(std::uint32_t slot);
  /// Starts a block at the end of the file, its count 0 for now; returns
  /// where the count lies.
  std::uint64_t StartBlock();
  /// Fills in the count of the block that StartBlock started at `countAt`.
  void FinishBlock(std::uint64_t countAt, std::uint32_t count);
  /// Appends the record of `entry` to the block. For a key returns where its
  /// child offset lies; 0 for a value.
  std::uint32_t WriteEntry(const RegistryEntry& entry);

 private:
  File& file_;
  std::vector<char> record_;  // a record goes to the file in one piece: a capture writes millions
};

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
  /// Reads the next record of the block into `entry` (cleared first); a
  /// key's child offset goes to SetChildOffset.
  void ReadEntry(RegistryEntry& entry);
  /// Moves to the block of `key`, which lies after the block that named it.
  /// False when the capture stopped before writing it; the caller reports
  /// that with ReportUnfinished and stops.
  bool SeekToBlock(const RegistryEntry& key) { return SeekToBlock(key.childOffset()); }
  bool SeekToBlock(std::uint32_t childOffset);
  /// Tells on the console that the snapshot ends at `keyPath`.
  static void ReportUnfinished(const std::string& keyPath);

  File& file() { return file_; }

 private:
  // How many bytes of the file lie after the current position.
  std::uint64_t Remaining() const;

  File& file_;
  std::uint64_t length_;
};
