#include "filetree/folder_comparison.h"

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

}  // namespace

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
