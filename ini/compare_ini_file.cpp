#include "ini/compare_ini_file.h"

#include <deque>
#include <functional>
#include <string_view>

#include "io/file.h"
#include "io/first_untaken_index.h"
#include "ini/ini_entry.h"

namespace {

// A saved entry and a live one are the same entry when they have one section
// and one key, compared exactly.
struct BySectionAndKey {
  struct Key {
    std::string_view section;
    std::string_view key;
    bool operator==(const Key&) const = default;
  };
  static Key KeyOf(const IniEntry& entry) { return {entry.section, entry.key}; }
  static std::size_t Hash(const Key& k) {
    std::size_t h = std::hash<std::string_view>{}(k.section);
    return h ^ (std::hash<std::string_view>{}(k.key) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
  }
};

}  // namespace

bool CompareIniFile(const std::string& livePath, const std::string& savedPath, const std::string& newPath,
                    const std::string& modoPath, const std::string& modPath, const std::string& remPath) {
  File live, saved, newReport, modoReport, modReport, remReport;
  live.OpenOrThrow(livePath, File::kModeRead);
  saved.OpenOrThrow(savedPath, File::kModeRead);
  newReport.OpenOrThrow(newPath, File::kModeCreate | File::kModeWrite);
  modoReport.OpenOrThrow(modoPath, File::kModeCreate | File::kModeWrite);
  modReport.OpenOrThrow(modPath, File::kModeCreate | File::kModeWrite);
  remReport.OpenOrThrow(remPath, File::kModeCreate | File::kModeWrite);

  // The saved entries, in file order; a deque, as it grows, copies none.
  std::deque<IniEntry> savedEntries;
  IniEntry entry;
  while (entry.ReadNext(saved)) savedEntries.push_back(entry);
  FirstUntakenIndex<std::deque<IniEntry>, BySectionAndKey> unclaimed;
  unclaimed.Start(savedEntries);

  // A report repeats the section header whenever the live file moves to
  // another section, also into a second run of a section it had before.
  std::string lastSection;
  bool newHeader = true;
  bool modHeader = true;
  IniEntry liveEntry;
  while (liveEntry.ReadNext(live)) {
    if (liveEntry.section != lastSection) {
      newHeader = modHeader = true;
      lastSection = liveEntry.section;
    }
    const IniEntry* savedEntry = unclaimed.Take(BySectionAndKey::KeyOf(liveEntry));
    if (!savedEntry) {
      liveEntry.Write(newReport, newHeader);
      newHeader = false;
    } else if (!savedEntry->SameEntry(liveEntry)) {
      liveEntry.Write(modReport, modHeader);
      savedEntry->Write(modoReport, modHeader);
      modHeader = false;
    }
  }

  // What no live entry claimed is gone; the first one always gets a header,
  // "[]" included.
  bool remHeader = true;
  lastSection.clear();
  unclaimed.ForEachLeft([&](const IniEntry& removed) {
    if (removed.section != lastSection) {
      remHeader = true;
      lastSection = removed.section;
    }
    removed.Write(remReport, remHeader);
    remHeader = false;
    return true;
  });

  live.Close();
  saved.Close();
  newReport.Close();
  modoReport.Close();
  modReport.Close();
  remReport.Close();
  return true;
}
