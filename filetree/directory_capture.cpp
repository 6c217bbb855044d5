#include "filetree/directory_capture.h"

#include <cstdio>
#include <vector>

#include "io/file.h"
#include "io/little_endian.h"
#include "filetree/directory_snapshot.h"
#include "filetree/file_finder.h"
#include "platform/last_error.h"

namespace {

// A folder record already written whose listing offset is still to come.
struct PendingFolder {
  std::string name;
  std::uint64_t listingOffsetField = 0;  // file position of that offset
};

// Appends the listing of `folderPath` and then those of its subfolders.
// `parent`, the folder's own record, gets the listing's offset; it is null
// for the root. True when the folder and all below it could be listed.
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

}  // namespace

bool CaptureDirectory(const std::string& folderPath, const std::string& snapshotPath) {
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeCreate | File::kModeWrite);
  WriteDirSnapshotRoot(snapshot, folderPath);
  bool complete = CaptureFolder(folderPath, snapshot, nullptr);
  snapshot.Close();
  return complete;
}
