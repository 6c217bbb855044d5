#include "filetree/directory_compare.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <functional>
#include <vector>

#include "io/file.h"
#include "io/first_untaken_index.h"
#include "filetree/directory_snapshot.h"
#include "filetree/file_finder.h"

namespace {

// The last-access time, the reserved words and the short name change without
// the file changing, so they are not compared.
bool SameFile(const platform::FindData& stored, const platform::FindData& live) {
  return stored.fileAttributes == live.fileAttributes &&
         stored.creationTime.lowDateTime == live.creationTime.lowDateTime &&
         stored.creationTime.highDateTime == live.creationTime.highDateTime &&
         stored.lastWriteTime.lowDateTime == live.lastWriteTime.lowDateTime &&
         stored.lastWriteTime.highDateTime == live.lastWriteTime.highDateTime &&
         stored.fileSizeHigh == live.fileSizeHigh && stored.fileSizeLow == live.fileSizeLow;
}

void WriteLine(File& sink, const std::string& prefix, std::string_view name, bool folder) {
  std::string line = prefix;
  line.append(name);
  line += folder ? " [DIR]\r\n" : "\r\n";
  sink.Write(line);
}

std::string_view NameOf(const platform::FindData& data) {
  return std::string_view(data.fileName, strnlen(data.fileName, sizeof data.fileName));
}

// A stored entry and a live one are the same entry when they are of one kind
// and have one name.
struct ByKindAndName {
  struct Key {
    bool folder;
    std::string_view name;
    bool operator==(const Key&) const = default;
  };
  static Key KeyOf(const DirEntryRecord& record) { return {record.IsFolder(), NameOf(record.data)}; }
  static std::size_t Hash(const Key& key) { return std::hash<std::string_view>()(key.name) * 2 + key.folder; }
};

struct CommonFolder {
  std::string name;
  std::uint32_t listingOffset;
};

// Compares `folderPath`, whose stored listing starts at the snapshot's
// current position, with the live folder. Writes one line per new entry,
// modified file and removed entry to the three sinks, then compares each
// subfolder found in both. A folder that cannot be listed, live or in the
// snapshot, is reported on the console and skipped. True when every folder
// could be compared. A damaged snapshot raises FileError.
bool CompareFolder(const std::string& folderPath, File& snapshot, File& newSink, File& modifiedSink,
                   File& removedSink) {
  std::uint64_t length = snapshot.GetLength();
  std::vector<CommonFolder> common;
  std::string prefix;
  std::uint64_t listingEnd = 0;
  {
    std::vector<DirEntryRecord> records = ReadDirListing(snapshot, length);
    listingEnd = snapshot.GetPosition();
    FileFinder finder;
    if (!finder.Search(folderPath + "\\*.*")) {
      std::printf("path not found\n%s\n", folderPath.c_str());
      return false;
    }
    prefix = finder.FolderPrefix();

    FirstUntakenIndex<std::vector<DirEntryRecord>, ByKindAndName> stored;
    stored.Start(records);
    while (finder.Next()) {
      if (finder.IsDotEntry()) continue;
      const platform::FindData& live = *finder.Current();
      std::string_view name = NameOf(live);
      bool folder = finder.IsFolder();
      const DirEntryRecord* match = stored.Take({folder, name});
      if (!match)
        WriteLine(newSink, prefix, name, folder);
      else if (folder)
        common.push_back({match->Name(), match->listingOffset});
      else if (!SameFile(match->data, live))
        WriteLine(modifiedSink, prefix, name, false);
    }
    stored.ForEachLeft([&](const DirEntryRecord& gone) {
      WriteLine(removedSink, prefix, NameOf(gone.data), gone.IsFolder());
      return true;
    });
  }  // only the common subfolders stay in memory while the walk goes deeper

  bool complete = true;
  for (const CommonFolder& folder : common) {
    std::string path = prefix + folder.name;
    if (!DirListingWritten(folder.listingOffset, length)) {
      // The capture was cut off before this folder: nothing to compare with.
      std::printf("path not found\n%s\n", path.c_str());
      complete = false;
      continue;
    }
    // Listings follow their parent's, so an offset back into the tree is
    // damage, and could otherwise lead the walk round in a circle.
    if (folder.listingOffset < listingEnd) snapshot.ThrowDamaged("a listing offset points back into the tree");
    snapshot.Seek(folder.listingOffset, File::kBegin);
    if (!CompareFolder(path, snapshot, newSink, modifiedSink, removedSink)) complete = false;
  }
  return complete;
}

}  // namespace

bool CompareDirectory(const std::string& snapshotPath, const std::string& newPath, const std::string& modifiedPath,
                      const std::string& removedPath) {
  // The snapshot first: without it, reports of an earlier run stay untouched.
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeRead);
  File newReport, modifiedReport, removedReport;
  newReport.OpenOrThrow(newPath, File::kModeCreate | File::kModeWrite);
  modifiedReport.OpenOrThrow(modifiedPath, File::kModeCreate | File::kModeWrite);
  removedReport.OpenOrThrow(removedPath, File::kModeCreate | File::kModeWrite);

  newReport.Write(";   New Added File\r\n\r\n");
  modifiedReport.Write(";   Modified File\r\n\r\n");
  removedReport.Write(";   Removed File\r\n\r\n");

  std::string root = ReadDirSnapshotRoot(snapshot);
  bool complete = false;
  if (!DirListingWritten(snapshot.GetPosition(), snapshot.GetLength())) {
    // The capture could not list the root: the tree has nothing to compare.
    std::printf("path not found\n%s\n", root.c_str());
  } else {
    complete = CompareFolder(root, snapshot, newReport, modifiedReport, removedReport);
  }

  snapshot.Close();
  newReport.Close();
  modifiedReport.Close();
  removedReport.Close();
  return complete;
}
