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
#include "registry/registry_snapshot.h"
#include "registry/stored_key_export.h"

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
  bool complete = RegistryComparison(reader, reports).CompareKey(rootPath);

  snapshot.Close();
  reports.added.Close();
  reports.modified.Close();
  reports.original.Close();
  reports.removed.Close();
  return complete ? 1 : 0;
}

bool RegistryComparison::CompareKey(const std::string& path) {
  TickSpinner();
  std::uint32_t count = snapshot_.ReadCount();
  if (stored_.size() < count) stored_.resize(count);
  for (std::uint32_t n = 0; n < count; ++n) snapshot_.ReadEntry(stored_[n]);
  untaken_.Start(stored_, count);

  RegistryKeyEnumerator live(room_);
  if (!live.Open(path)) {
    std::printf("\b path not found\n%s\n", path.c_str());
    return false;
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
    if (!live.CanOpenCurrentOrSay()) continue;
    const RegistryEntry& entry = live.current;
    if (const RegistryEntry* before = untaken_.Take(ByKindAndName::KeyOf(entry))) {
      if (entry.Equals(*before)) {
        if (!before->IsValue()) {
          matchedNames += before->name;
          matchedKeys.emplace_back(matchedNames.size(), before->childOffset());
        }
      } else {
        WriteAsReg(reports_.modified, entry, modHeader);
        WriteAsReg(reports_.original, *before, modHeader);
        modHeader = nullptr;
      }
    } else if (entry.IsValue()) {
      WriteAsReg(reports_.added, entry, newHeader);
      newHeader = nullptr;
    } else {
      WriteAsReg(reports_.added, entry, path.c_str());
      ExportLiveKey(reports_.added, ChildKeyPath(path, entry.name), room_);
    }
  }
  std::uint32_t status = platform::GetLastError();
  if (status != platform::kErrorNoMoreFiles) {
    std::printf("\b \n->%s\nError %d\n", path.c_str(), static_cast<int>(status));
    return false;
  }

  // A removed key whose stored subtree the capture never finished ends the
  // comparison there, as any walk that stops does.
  bool finished = untaken_.ForEachLeft([&](const RegistryEntry& gone) {
    if (!gone.IsValue()) return ExportStoredKey(snapshot_, gone, reports_.removed, path);
    WriteAsReg(reports_.removed, gone, remHeader);
    remHeader = nullptr;
    return true;
  });
  if (!finished) return false;

  std::size_t nameStart = 0;
  for (auto [nameEnd, childOffset] : matchedKeys) {
    std::string childPath = ChildKeyPath(path, std::string_view(matchedNames).substr(nameStart, nameEnd - nameStart));
    nameStart = nameEnd;
    if (!snapshot_.SeekToBlock(childOffset)) {
      SnapshotReader::ReportUnfinished(childPath);
      return false;
    }
    if (!CompareKey(childPath)) return false;
  }
  return true;
}
