#pragma once
// The directory snapshot ("windir.bin", "prgdir.bin"): one folder tree with
// every entry's find-data record. The capture writes it and the comparison
// reads it, both through this header.
//
//   header    root length L, then the L bytes of the root path (no terminator)
//   listing   one per folder: the count N, then N entry records; "." and ".."
//             are left out, the rest come in the platform's order
//   record    324 bytes: the 320-byte find-data record, then the offset of the
//             folder's own listing (0 for a file)
//
// The root listing follows the header; the other listings follow in
// depth-first pre-order and are found through their folder records. Integers
// are unsigned 32-bit little-endian, offsets count from the start of the
// file. A folder record whose listing offset is 0, or the file's length, has
// no listing: the capture was cut off before it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/find_data.h"

class File;

constexpr std::uint32_t kDirCountSize = 4;  // a listing's count, and the header's root length
constexpr std::uint32_t kDirRecordSize = 324;
/// Fields within a record: the find-data record's, then the listing offset.
constexpr std::uint32_t kDirReservedField = 36;     // two reserved words
constexpr std::uint32_t kDirNameField = 44;         // 260 bytes
constexpr std::uint32_t kDirShortNameField = 304;   // 14 bytes, then 2 of padding
constexpr std::uint32_t kDirListingOffsetField = 320;
/// Where the root listing starts: after the header.
constexpr std::uint32_t DirRootListingOffset(std::uint32_t rootLength) { return kDirCountSize + rootLength; }
/// The comparison keeps the root path in a MAX_PATH buffer.
constexpr std::uint32_t kDirMaxRootLength = 259;

/// One stored entry.
struct DirEntryRecord {
  platform::FindData data{};
  std::uint32_t listingOffset = 0;

  bool IsFolder() const { return (data.fileAttributes & platform::kFileAttributeDirectory) != 0; }
  std::string Name() const;

  /// Appends the record, field by field. The bytes after each name's
  /// terminator, the padding and the reserved words (but for a link's tag)
  /// are written as zeros, so that the same tree gives the same bytes
  /// whatever the platform left there.
  void WriteTo(File& file) const;
  /// Reads one record; raises the damaged-file error when it is cut short or
  /// its name has no terminator.
  void ReadFrom(File& file);
};

/// Writes the header at the start of `snapshot`: the root path.
void WriteDirSnapshotRoot(File& snapshot, const std::string& root);

/// Reads the header at the start of `snapshot`: the root path. Raises the
/// damaged-file error when the file is too short for it or the path is too
/// long. Leaves the file at the root listing.
std::string ReadDirSnapshotRoot(File& snapshot);

/// Whether a listing lies at `offset` of a snapshot of `fileLength` bytes,
/// false when the capture stopped before writing it.
bool DirListingWritten(std::uint64_t offset, std::uint64_t fileLength);

/// Reads the listing at the current position. Raises the damaged-file error
/// when its count or its records do not fit in the rest of the file.
std::vector<DirEntryRecord> ReadDirListing(File& snapshot, std::uint64_t fileLength);
