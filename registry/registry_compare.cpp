#include "registry/registry_compare.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/first_untaken_index.h"
#include "io/progress.h"
#include "platform/last_error.h"
#include "registry/key_path.h"
#include "registry/reg_export.h"
#include "registry/registry_key_enumerator.h"
#include "registry/registry_snapshot.h"
#include "registry/stored_key_export.h"

namespace {

// A stored entry and a live one are the same entry when they are of one kind
// and have one name.
struct ByKindAndName {
  struct Key {
    bool isKey;
    std::string_view name;
    bool operator==(const Key&) const = default;
  };
  static Key KeyOf(const RegistryEntry& entry) { return {entry.isKey != 0, entry.name}; }
  static std::size_t Hash(const Key& key) { return std::hash<std::string_view>{}(key.name) + key.isKey; }
};

// The entries of a key's stored block, matched with the live ones. Only one
// key's block is needed at a time, and the next block reuses the room of the
// last, its entries' buffers included.
struct StoredBlock {
  std::vector<RegistryEntry> entries;  // the first `count` are the block's
  FirstUntakenIndex<std::vector<RegistryEntry>, ByKindAndName> index;
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
  static thread_local StoredBlock stored;
  std::uint32_t count = snapshot.ReadCount();
  if (stored.entries.size() < count) stored.entries.resize(count);
  for (std::uint32_t n = 0; n < count; ++n) snapshot.ReadEntry(stored.entries[n]);
  stored.index.Start(stored.entries, count);

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
    if (const RegistryEntry* before = stored.index.Take(ByKindAndName::KeyOf(entry))) {
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
  bool finished = stored.index.ForEachLeft([&](const RegistryEntry& gone) {
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
