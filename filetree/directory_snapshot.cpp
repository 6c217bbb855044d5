#include "filetree/directory_snapshot.h"

#include <cstring>

#include "io/file.h"
#include "io/little_endian.h"
#include "filetree/file_finder.h"

namespace {

// A name field up to its terminator, the rest zero.
void PutName(unsigned char* out, const char* name, std::size_t field) {
  std::size_t length = strnlen(name, field - 1);
  std::memcpy(out, name, length);
  std::memset(out + length, 0, field - length);
}

}  // namespace

std::string DirEntryRecord::Name() const { return FindDataName(data); }

void DirEntryRecord::WriteTo(File& file) const {
  unsigned char bytes[kDirRecordSize];
  PutU32(bytes + 0, data.fileAttributes);
  PutU32(bytes + 4, data.creationTime.lowDateTime);
  PutU32(bytes + 8, data.creationTime.highDateTime);
  PutU32(bytes + 12, data.lastAccessTime.lowDateTime);
  PutU32(bytes + 16, data.lastAccessTime.highDateTime);
  PutU32(bytes + 20, data.lastWriteTime.lowDateTime);
  PutU32(bytes + 24, data.lastWriteTime.highDateTime);
  PutU32(bytes + 28, data.fileSizeHigh);
  PutU32(bytes + 32, data.fileSizeLow);
  // The reserved words hold whatever the platform left in memory, but for
  // the reparse tag of a link; stored as zeros, the same tree gives the same
  // bytes on every platform.
  PutU32(bytes + kDirReservedField, data.fileAttributes & platform::kFileAttributeReparsePoint ? data.reserved0 : 0);
  PutU32(bytes + kDirReservedField + 4, 0);
  PutName(bytes + kDirNameField, data.fileName, sizeof data.fileName);
  PutName(bytes + kDirShortNameField, data.alternateFileName, sizeof data.alternateFileName);
  bytes[318] = bytes[319] = 0;
  PutU32(bytes + kDirListingOffsetField, listingOffset);
  file.Write(bytes, kDirRecordSize);
}

void DirEntryRecord::ReadFrom(File& file) {
  unsigned char bytes[kDirRecordSize];
  file.ReadExactly(bytes, kDirRecordSize, "an entry record");
  data.fileAttributes = GetU32(bytes + 0);
  data.creationTime = {GetU32(bytes + 4), GetU32(bytes + 8)};
  data.lastAccessTime = {GetU32(bytes + 12), GetU32(bytes + 16)};
  data.lastWriteTime = {GetU32(bytes + 20), GetU32(bytes + 24)};
  data.fileSizeHigh = GetU32(bytes + 28);
  data.fileSizeLow = GetU32(bytes + 32);
  data.reserved0 = GetU32(bytes + kDirReservedField);
  data.reserved1 = GetU32(bytes + kDirReservedField + 4);
  std::memcpy(data.fileName, bytes + kDirNameField, sizeof data.fileName);
  std::memcpy(data.alternateFileName, bytes + kDirShortNameField, sizeof data.alternateFileName);
  std::memcpy(data.padding, bytes + 318, sizeof data.padding);
  listingOffset = GetU32(bytes + kDirListingOffsetField);
  if (!std::memchr(data.fileName, 0, sizeof data.fileName)) file.ThrowDamaged("an entry's name has no end");
  data.alternateFileName[sizeof data.alternateFileName - 1] = 0;
}

void WriteDirSnapshotRoot(File& snapshot, const std::string& root) {
  WriteU32(snapshot, static_cast<std::uint32_t>(root.size()));
  snapshot.Write(root);
}

std::string ReadDirSnapshotRoot(File& snapshot) {
  snapshot.Seek(0, File::kBegin);
  std::uint32_t length = ReadU32(snapshot, "its header");
  if (length > kDirMaxRootLength) snapshot.ThrowDamaged("its root path is longer than 259 bytes");
  std::string root(length, '\0');
  snapshot.ReadExactly(root.data(), length, "its header");
  return root;
}

bool DirListingWritten(std::uint64_t offset, std::uint64_t fileLength) {
  return offset != 0 && offset != fileLength;
}

std::vector<DirEntryRecord> ReadDirListing(File& snapshot, std::uint64_t fileLength) {
  std::uint64_t at = snapshot.GetPosition();
  if (at > fileLength) snapshot.ThrowDamaged("a listing offset lies past its end");
  if (fileLength - at < kDirCountSize) snapshot.ThrowDamaged("it ends inside a listing's count");
  std::uint32_t count = ReadU32(snapshot, "a listing's count");
  // The count is trusted only as far as the file can hold its records.
  if (count > (fileLength - at - kDirCountSize) / kDirRecordSize)
    snapshot.ThrowDamaged("a listing counts more entries than it holds");
  std::vector<DirEntryRecord> records(count);
  for (DirEntryRecord& record : records) record.ReadFrom(snapshot);
  return records;
}
