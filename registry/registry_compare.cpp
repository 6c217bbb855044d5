#include "registry/registry_compare.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/progress.h"
#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/text.h"
#include "registry/key_path.h"
#include "registry/reg_export.h"
#include "registry/registry_snapshot.h"
#include "registry/stored_key_export.h"

bool CompareRegistry(const std::string& snapshotPath, const std::string& newPath,
                    const std::string& modPath, const std::string& modoPath,
                    const std::string& remPath, const std::string& redoPath,
                    const std::string& undoPath) {
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeRead);
  RegistryReports reports;
  const unsigned createWrite = File::kModeCreate | File::kModeWrite;
  reports.added.OpenOrThrow(newPath, createWrite);
  reports.modified.OpenOrThrow(modPath, createWrite);
  reports.original.OpenOrThrow(modoPath, createWrite);
  reports.removed.OpenOrThrow(remPath, createWrite);
  const bool scripts = !redoPath.empty() && !undoPath.empty();
  File redoFile, undoFile;
  std::optional<ChangeScript> redo, undo;
  if (scripts) {
    redoFile.OpenOrThrow(redoPath, createWrite);
    undoFile.OpenOrThrow(undoPath, createWrite);
  }

  for (File* report : {&reports.added, &reports.modified, &reports.original, &reports.removed})
    report->Write("REGEDIT4\r\n\r\n");
  reports.added.Write(";   New Added Registry\r\n\r\n");
  reports.modified.Write(";   Modified Registry\r\n\r\n");
  reports.original.Write(";   Original Registry\r\n\r\n");
  reports.removed.Write(";   Removed Registry\r\n\r\n");
  if (scripts) {
    reports.redo = &redo.emplace(redoFile);
    reports.undo = &undo.emplace(undoFile);
  }

  SnapshotReader reader(snapshot);
  std::string rootPath = reader.ReadRootPath();
  bool complete = RegistryComparison(reader, reports).CompareKey(rootPath);
  if (redo) redo->Finish();
  if (undo) undo->Finish();

  snapshot.Close();
  reports.added.Close();
  reports.modified.Close();
  reports.original.Close();
  reports.removed.Close();
  if (redo) {
    redoFile.Close();
    undoFile.Close();
  }
  return complete;
}

bool ScriptsCover(std::string_view path, std::string_view userSid) {
  std::string_view root = path.substr(0, path.find('\\'));
  if (root == "HKEY_CLASSES_ROOT" || root == "HKEY_CURRENT_CONFIG") return false;
  if (root != "HKEY_USERS" || root.size() == path.size() || userSid.empty()) return true;
  std::string_view user = path.substr(root.size() + 1);
  user = user.substr(0, user.find('\\'));
  if (user.size() == userSid.size() + 8 && user.ends_with("_Classes")) user.remove_suffix(8);
  return !platform::EqualNoCase(user, userSid);
}

RegistryComparison::RegistryComparison(SnapshotReader& snapshot, RegistryReports& reports)
    : snapshot_(snapshot), reports_(reports) {
  if (reports_.redo) userSid_ = platform::GetCurrentUserSid();
}

bool RegistryComparison::CompareKey(const std::string& path) {
  Walk walk = CompareKeyAt(path);
  if (walk == Walk::kGone) std::printf("\b path not found\n%s\n", path.c_str());
  return walk == Walk::kDone;
}

RegistryComparison::Walk RegistryComparison::CompareKeyAt(const std::string& path) {
  TickSpinner();
  std::uint32_t count = snapshot_.ReadCount();
  if (stored_.size() < count) stored_.resize(count);
  for (std::uint32_t n = 0; n < count; ++n) snapshot_.ReadEntry(stored_[n]);
  untaken_.Start(stored_, count);

  RegistryKeyEnumerator live(room_);
  if (!live.Open(path)) {
    goneError_ = platform::GetLastError();
    if (IsGoneError(goneError_)) return Walk::kGone;
    std::printf("\b path not found\n%s\n", path.c_str());
    return Walk::kStopped;
  }
  const bool scripted = reports_.redo && ScriptsCover(path, userSid_);
  changed_.clear();
  newKeys_.clear();
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
        if (scripted) changed_.push_back({entry, before});
      }
    } else if (entry.IsValue()) {
      WriteAsReg(reports_.added, entry, newHeader);
      newHeader = nullptr;
      if (scripted) changed_.push_back({entry, nullptr});
    } else {
      // Exported once the listing is complete: redo.reg must first remove
      // what has gone, which may be this key in another letter case.
      newKeys_.push_back(ChildKeyPath(path, entry.name));
    }
  }
  std::uint32_t status = platform::GetLastError();
  const bool listed = status == platform::kErrorNoMoreFiles;
  if (scripted) ScriptKey(path, listed);
  ExportNewKeys();
  if (!listed) {
    std::printf("\b \n->%s\nError %d\n", path.c_str(), static_cast<int>(status));
    return Walk::kStopped;
  }

  // A removed key whose stored subtree the capture never finished ends the
  // comparison there, as any walk that stops does.
  bool finished = untaken_.ForEachLeft([&](const RegistryEntry& gone) {
    if (!gone.IsValue()) {
      ChangeScript* undo = reports_.undo && ScriptsCover(ChildKeyPath(path, gone.name), userSid_) ? reports_.undo : nullptr;
      return ExportStoredKey(snapshot_, gone, reports_.removed, path, undo);
    }
    WriteAsReg(reports_.removed, gone, remHeader);
    remHeader = nullptr;
    return true;
  });
  if (!finished) return Walk::kStopped;

  std::size_t nameStart = 0;
  for (auto [nameEnd, childOffset] : matchedKeys) {
    std::string_view name = std::string_view(matchedNames).substr(nameStart, nameEnd - nameStart);
    std::string childPath = ChildKeyPath(path, name);
    nameStart = nameEnd;
    if (!snapshot_.SeekToBlock(childOffset)) {
      SnapshotReader::ReportUnfinished(childPath);
      return Walk::kStopped;
    }
    Walk walk = CompareKeyAt(childPath);
    if (walk == Walk::kStopped || (walk == Walk::kGone && !ReportGone(path, name, childOffset))) return Walk::kStopped;
  }
  return Walk::kDone;
}

bool RegistryComparison::ReportGone(const std::string& parentPath, std::string_view name, std::uint32_t childOffset) {
  std::string childPath = ChildKeyPath(parentPath, name);
  std::printf("\b \n Inacessible path error=%d\n%s\n", static_cast<int>(goneError_), childPath.c_str());
  RegistryEntry key;
  key.isKey = 1;
  key.name = name;
  key.SetChildOffset(childOffset);
  const bool scripted = reports_.redo && ScriptsCover(childPath, userSid_);
  if (scripted) reports_.redo->DeleteKey(childPath);
  return ExportStoredKey(snapshot_, key, reports_.removed, parentPath, scripted ? reports_.undo : nullptr);
}

void RegistryComparison::ScriptKey(const std::string& path, bool listed) {
  ChangeScript& redo = *reports_.redo;
  ChangeScript& undo = *reports_.undo;
  // What is gone is known only from a complete listing.
  if (listed) {
    untaken_.ForEachLeft([&](const RegistryEntry& gone) {
      if (gone.IsValue()) redo.DeleteValue(path, gone.name);
      return true;
    });
    untaken_.ForEachLeft([&](const RegistryEntry& gone) {
      std::string childPath = ChildKeyPath(path, gone.name);
      if (!gone.IsValue() && ScriptsCover(childPath, userSid_)) redo.DeleteKey(childPath);
      return true;
    });
  }
  for (const ChangedValue& value : changed_) redo.SetValue(path, value.live);

  for (const std::string& childPath : newKeys_)
    if (ScriptsCover(childPath, userSid_)) undo.DeleteKey(childPath);
  for (const ChangedValue& value : changed_)
    if (!value.before) undo.DeleteValue(path, value.live.name);
  for (const ChangedValue& value : changed_)
    if (value.before) undo.SetValue(path, *value.before);
  // The removed subkeys follow with their stored subtrees, as rem.reg gets them.
  if (listed) {
    untaken_.ForEachLeft([&](const RegistryEntry& gone) {
      if (gone.IsValue()) undo.SetValue(path, gone);
      return true;
    });
  }
}

void RegistryComparison::ExportNewKeys() {
  for (const std::string& childPath : newKeys_) {
    ChangeScript* redo = reports_.redo && ScriptsCover(childPath, userSid_) ? reports_.redo : nullptr;
    reports_.added.Write("\r\n[" + childPath + "]\r\n");
    if (redo) redo->AddKey(childPath);
    ExportLiveKey(reports_.added, childPath, room_, redo);
  }
}
