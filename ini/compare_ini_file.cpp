#include "ini/compare_ini_file.h"

#include "io/file.h"
#include "ini/ini_entry.h"
#include "ini/ini_entry_list.h"

bool CompareIniFile(const std::string& livePath, const std::string& savedPath, const std::string& newPath,
                    const std::string& modoPath, const std::string& modPath, const std::string& remPath) {
  File live, saved, newReport, modoReport, modReport, remReport;
  live.OpenOrThrow(livePath, File::kModeRead);
  saved.OpenOrThrow(savedPath, File::kModeRead);
  newReport.OpenOrThrow(newPath, File::kModeCreate | File::kModeWrite);
  modoReport.OpenOrThrow(modoPath, File::kModeCreate | File::kModeWrite);
  modReport.OpenOrThrow(modPath, File::kModeCreate | File::kModeWrite);
  remReport.OpenOrThrow(remPath, File::kModeCreate | File::kModeWrite);

  IniEntryList savedEntries;
  IniEntry entry;
  while (entry.ReadNext(saved)) savedEntries.Append(entry);

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
    const IniEntry* savedEntry = savedEntries.TakeSameKey(liveEntry);
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
  savedEntries.ForEach([&](const IniEntry& removed) {
    if (removed.section != lastSection) {
      remHeader = true;
      lastSection = removed.section;
    }
    removed.Write(remReport, remHeader);
    remHeader = false;
  });

  live.Close();
  saved.Close();
  newReport.Close();
  modoReport.Close();
  modReport.Close();
  remReport.Close();
  return true;
}
