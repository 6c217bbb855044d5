#include "registry/registry_compare.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/progress.h"
#include "platform/last_error.h"
#include "registry/key_path.h"
#include "registry/reg_export.h"
#include "registry/registry_key_enumerator.h"
#include "registry/registry_snapshot.h"
#include "registry/stored_key_export.h"

namespace {

// The entries of a key's stored block. A live entry takes the first stored
// entry, in stored order, of its own kind and its exact name; what nobody
// took has gone since the capture.
// The live listing mostly has the stored order still: as long as each live
// entry is the stored one after the last taken, every one before it is
// taken, and it is the one to take. At the first that is not, the entries
// left are indexed: a hash index keeps a key with many entries from costing
// a search of all of them for each live one; it lies in flat arrays, since
// a node per entry would cost more than the search it saves.
// Only one key's block is needed at a time, and the next block reuses the
// room of the last, its entries' buffers included.
class StoredEntries {
 public:
  /// Starts a block of `count` entries; no more are added.
  void Start(std::uint32_t count) {
    size_ = 0;
    next_ = 0;
    indexed_ = false;
    if (entries_.size() < count) entries_.resize(count);
    taken_.assign(count, false);
  }

  /// The entry that the block's next stored entry is read into.
  RegistryEntry& Next() { return entries_[size_]; }
  /// Takes in the entry that Next() gave, now read.
  void Add() { ++size_; }

  /// The stored entry that `live` matches, now taken; null when none does.
  RegistryEntry* Take(const RegistryEntry& live) {
    if (!indexed_) {
      if (next_ < size_ && entries_[next_].isKey == live.isKey && entries_[next_].name == live.name) {
        taken_[next_] = true;
        return &entries_[next_++];
      }
      Index();
    }
    std::uint32_t home = Home(live);
    if (home == kNone || first_[home] == kNone) return nullptr;
    std::uint32_t position = first_[home];
    first_[home] = nextSame_[position];
    taken_[position] = true;
    return &entries_[position];
  }

  /// The entries nobody took, in stored order; stops when `visit` says so.
  template <typename Visit>
  bool ForEachLeft(Visit visit) {
    for (std::size_t i = 0; i < size_; ++i)
      if (!taken_[i] && !visit(entries_[i])) return false;
    return true;
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  // Indexes the entries not taken yet by kind and name.
  void Index() {
    indexed_ = true;
    nextSame_.assign(size_, kNone);
    first_.resize(size_);
    last_.resize(size_);
    std::size_t size = 16;
    while (size < size_ * 2) size *= 2;
    table_.assign(size, kNone);
    for (auto position = static_cast<std::uint32_t>(next_); position < size_; ++position) {
      first_[position] = position;
      last_[position] = position;
      std::uint32_t& home = Home(entries_[position]);
      if (home == kNone) {
        home = position;
        continue;
      }
      // A name that repeats (only a hand-made snapshot has that) queues up.
      if (first_[home] == kNone)
        first_[home] = position;
      else
        nextSame_[last_[home]] = position;
      last_[home] = position;
    }
  }

  // The table slot for `entry`'s kind and name: the position of the first
  // stored entry of that kind and name, or kNone where there is none.
  std::uint32_t& Home(const RegistryEntry& entry) {
    std::size_t mask = table_.size() - 1;
    std::size_t i = (std::hash<std::string_view>{}(entry.name) + entry.isKey) & mask;
    while (table_[i] != kNone) {
      const RegistryEntry& there = entries_[table_[i]];
      if (there.isKey == entry.isKey && there.name == entry.name) break;
      i = (i + 1) & mask;
    }
    return table_[i];
  }

  std::vector<RegistryEntry> entries_;  // the first size_ are the block's
  std::size_t size_ = 0;
  std::vector<bool> taken_;
  std::size_t next_ = 0;  // before the index: the entry to try first; all before it are taken
  bool indexed_ = false;
  std::vector<std::uint32_t> nextSame_;  // the next position of the same kind and name
  // For the first position of each kind and name: the first position of it
  // not yet taken, and the last position of it.
  std::vector<std::uint32_t> first_;
  std::vector<std::uint32_t> last_;
  std::vector<std::uint32_t> table_;  // open addressing, at most half full
};
}  // namespace

int CompareRegistry(const std::string& snapshotPath, const std::string& newPath,
                    const std::string& modPath, const std::string& modoPath,
                    const std::string& remPath) {
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeRead);
  RegistryReports reports;
  const unsigned createWrite = File::kModeCreate | File::kModeWrite;
  reports.added.OpenOrThrow(newPath, createWrite);
  reports.modified.OpenOrThrow(modPath, createWrite);
  reports.original.OpenOrThrow(modoPath, createWrite);
  reports.removed.OpenOrThrow(remPath, createWrite);

  for (File* report : {&reports.added, &reports.modified, &reports.original, &reports.removed})
    report->Write("REGEDIT4\r\n\r\n");
  reports.added.Write(";   New Added Registry\r\n\r\n");
  reports.modified.Write(";   Modified Registry\r\n\r\n");
  reports.original.Write(";   Original Registry\r\n\r\n");
  reports.removed.Write(";   Removed Registry\r\n\r\n");

  SnapshotReader reader(snapshot);
  std::string rootPath = reader.ReadRootPath();
  int result = CompareKey(rootPath, reader, reports);

  snapshot.Close();
  reports.added.Close();
  reports.modified.Close();
  reports.original.Close();
  reports.removed.Close();
  return result;
}

int CompareKey(const std::string& path, SnapshotReader& snapshot, RegistryReports& reports) {
  TickSpinner();
  static thread_local StoredEntries stored;
  std::uint32_t count = snapshot.ReadCount();
  stored.Start(count);
  for (std::uint32_t n = count; n != 0; --n) {
    snapshot.ReadEntry(stored.Next());
    stored.Add();
  }

  RegistryKeyEnumerator live;
  if (!live.Open(path)) {
    std::printf("\b path not found\n%s\n", path.c_str());
    return 0;
  }
  // Each report gets the key's header once, before its first value line;
  // mod.reg and modo.reg get theirs together.
  const char* newHeader = path.c_str();
  const char* modHeader = path.c_str();
  const char* remHeader = path.c_str();
  // The subkeys found unchanged, to compare next: their names one after
  // another, and for each where its name ends and where its block is.
  std::string matchedNames;
  std::vector<std::pair<std::size_t, std::uint32_t>> matchedKeys;
  while (live.Next()) {
    RegistryEntry& entry = live.current;
    if (!entry.CanOpenOrSay(path)) continue;
    if (RegistryEntry* before = stored.Take(entry)) {
      if (entry.Equals(*before)) {
        if (!before->IsValue()) {
          matchedNames += before->name;
          matchedKeys.emplace_back(matchedNames.size(), before->type);
        }
      } else {
        entry.WriteAsReg(reports.modified, modHeader);
        before->WriteAsReg(reports.original, modHeader);
        modHeader = nullptr;
      }
    } else if (entry.IsValue()) {
      entry.WriteAsReg(reports.added, newHeader);
      newHeader = nullptr;
    } else {
      entry.WriteAsReg(reports.added, path.c_str());
      ExportLiveKey(reports.added, ChildKeyPath(path, entry.name));
    }
  }
  std::uint32_t status = platform::GetLastError();
  if (status != platform::kErrorNoMoreFiles) {
    std::printf("\b \n->%s\nError %d\n", path.c_str(), static_cast<int>(status));
    return 0;
  }

  // A removed key whose stored subtree the capture never finished ends the
  // comparison there, as any walk that stops does.
  bool finished = stored.ForEachLeft([&](const RegistryEntry& gone) {
    if (!gone.IsValue()) return ExportStoredKey(snapshot, gone, reports.removed, path) != 0;
    gone.WriteAsReg(reports.removed, remHeader);
    remHeader = nullptr;
    return true;
  });
  if (!finished) return 0;

  std::size_t nameStart = 0;
  for (auto [nameEnd, childOffset] : matchedKeys) {
    std::string childPath = ChildKeyPath(path, std::string_view(matchedNames).substr(nameStart, nameEnd - nameStart));
    nameStart = nameEnd;
    if (!snapshot.SeekToBlock(childOffset)) {
      SnapshotReader::ReportUnfinished(childPath);
      return 0;
    }
    if (!CompareKey(childPath, snapshot, reports)) return 0;
  }
  return 1;
}
