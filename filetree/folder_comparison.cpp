#include "filetree/folder_comparison.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <functional>
#include <vector>

#include "io/file.h"
#include "filetree/directory_snapshot.h"
#include "filetree/file_finder.h"

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

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

// The stored entries not matched yet, found by name and kind in constant
// time. A live entry takes the first unmatched stored entry of its name and
// kind in stored order, as a search from the start of the list would.
// Entries alike in name and kind are chained in stored order; the table
// holds each chain's head in open addressing, one slot per distinct entry,
// so a folder of a hundred thousand entries costs no allocation per entry.
class StoredEntries {
 public:
  explicit StoredEntries(const std::vector<DirEntryRecord>& records)
      : records_(records), nextSameName_(records.size(), kNone), matched_(records.size(), false) {
    std::size_t slots = 16;
    while (slots < 2 * records.size()) slots *= 2;
    slots_.assign(slots, {kNone, kNone});
    for (std::size_t i = records.size(); i-- > 0;) {
      Slot& slot = SlotFor(NameOf(records[i].data), records[i].IsFolder());
      if (slot.first == kNone) slot.first = static_cast<std::uint32_t>(i);
      nextSameName_[i] = slot.head;
      slot.head = static_cast<std::uint32_t>(i);
    }
  }

  /// Takes the first unmatched entry named `name` of the given kind.
  const DirEntryRecord* Take(std::string_view name, bool folder) {
    Slot& slot = SlotFor(name, folder);
    if (slot.head == kNone) return nullptr;
    std::uint32_t index = slot.head;
    slot.head = nextSameName_[index];
    matched_[index] = true;
    return &records_[index];
  }

  bool Matched(std::size_t index) const { return matched_[index]; }

 private:
  struct Slot {
    std::uint32_t first;  // an entry of this name and kind; kNone: the slot is free
    std::uint32_t head;   // the first one not matched yet, kNone once all are
  };

  // The slot of `name` and kind: its own, or the free one it would take.
  Slot& SlotFor(std::string_view name, bool folder) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = (std::hash<std::string_view>()(name) * 2 + folder) & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.first == kNone) return slot;
      const DirEntryRecord& record = records_[slot.first];
      if (record.IsFolder() == folder && NameOf(record.data) == name) return slot;
    }
  }

  const std::vector<DirEntryRecord>& records_;
  std::vector<std::uint32_t> nextSameName_;
  std::vector<bool> matched_;
  std::vector<Slot> slots_;
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

    StoredEntries stored(records);
    while (finder.Next()) {
      if (finder.IsDotEntry()) continue;
      const platform::FindData& live = *finder.Current();
      std::string_view name = NameOf(live);
      bool folder = finder.IsFolder();
      const DirEntryRecord* match = stored.Take(name, folder);
      if (!match)
        WriteLine(newSink, prefix, name, folder);
      else if (folder)
        common.push_back({match->Name(), match->listingOffset});
      else if (!SameFile(match->data, live))
        WriteLine(modifiedSink, prefix, name, false);
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (!stored.Matched(i)) WriteLine(removedSink, prefix, NameOf(records[i].data), records[i].IsFolder());
    }
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
