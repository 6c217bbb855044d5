#include "filetree/directory_snapshot.h"

#include <cstdio>
#include <cstring>

#include "io/file.h"
#include "io/little_endian.h"
#include "filetree/file_finder.h"
#include "platform/last_error.h"

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
  PutU32(bytes + 36, data.fileAttributes & platform::kFileAttributeReparsePoint ? data.reserved0 : 0);
  PutU32(bytes + 40, 0);
  PutName(bytes + 44, data.fileName, sizeof data.fileName);
  PutName(bytes + 304, data.alternateFileName, sizeof data.alternateFileName);
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
  data.reserved0 = GetU32(bytes + 36);
  data.reserved1 = GetU32(bytes + 40);
  std::memcpy(data.fileName, bytes + 44, sizeof data.fileName);
  std::memcpy(data.alternateFileName, bytes + 304, sizeof data.alternateFileName);
  std::memcpy(data.padding, bytes + 318, sizeof data.padding);
  listingOffset = GetU32(bytes + kDirListingOffsetField);
  if (!std::memchr(data.fileName, 0, sizeof data.fileName)) file.ThrowDamaged("an entry's name has no end");
  data.alternateFileName[sizeof data.alternateFileName - 1] = 0;
}

bool CaptureDirectory(const std::string& folderPath, const std::string& snapshotPath) {
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeCreate | File::kModeWrite);
  WriteU32(snapshot, static_cast<std::uint32_t>(folderPath.size()));
  snapshot.Write(folderPath);
  bool complete = CaptureFolder(folderPath, snapshot, nullptr);
  snapshot.Close();
  return complete;
}

bool CaptureFolder(const std::string& folderPath, File& snapshot, const PendingFolder* parent) {
  if (parent) {
    std::uint32_t listing = SnapshotOffset(snapshot, snapshot.Seek(0, File::kEnd));
    snapshot.Seek(static_cast<std::int64_t>(parent->listingOffsetField), File::kBegin);
    WriteU32(snapshot, listing);
    snapshot.Seek(0, File::kEnd);
  }

  FileFinder finder;
  if (!finder.Search(folderPath + "\\*.*")) {
    std::printf("path not found %d\n%s\n", static_cast<int>(platform::GetLastError()), folderPath.c_str());
    // A folder only the system may read must not end the whole tree: it is
    // stored empty and the walk goes on. Without a parent the file keeps
    // its header alone.
    if (parent) WriteU32(snapshot, 0);
    return false;
  }

  std::uint64_t countAt = snapshot.GetPosition();
  WriteU32(snapshot, 0);
  std::uint32_t count = 0;
  std::vector<PendingFolder> subfolders;
  while (finder.Next()) {
    if (finder.IsDotEntry()) continue;
    DirEntryRecord record;
    record.data = *finder.Current();
    std::uint64_t recordAt = snapshot.GetPosition();
    record.WriteTo(snapshot);
    ++count;
    if (record.IsFolder()) subfolders.push_back({record.Name(), recordAt + kDirListingOffsetField});
  }
  if (count != 0) {
    snapshot.Seek(static_cast<std::int64_t>(countAt), File::kBegin);
    WriteU32(snapshot, count);
    snapshot.Seek(0, File::kEnd);
  }

  // Only the subfolder list stays in memory while the walk goes deeper.
  std::string prefix = finder.FolderPrefix();
  finder.Close();
  bool complete = true;
  for (const PendingFolder& subfolder : subfolders) {
    if (!CaptureFolder(prefix + subfolder.name, snapshot, &subfolder)) complete = false;
  }
  return complete;
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
