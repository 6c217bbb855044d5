#pragma once
// The comparison of the live registry with reg.bin, into four REGEDIT4
// reports: new keys and values, modified values as they are now and as they
// were, removed keys and values; and into two change scripts that regedit
// imports: redo.reg makes the registry of the capture the registry of now,
// undo.reg the other way round.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/file.h"
#include "io/first_untaken_index.h"
#include "registry/change_script.h"
#include "registry/registry_entry.h"
#include "registry/registry_key_enumerator.h"

class SnapshotReader;

struct RegistryReports {
  File added;     // new.reg
  File modified;  // mod.reg
  File original;  // modo.reg
  File removed;   // rem.reg
  ChangeScript* redo = nullptr;  // none when no scripts are written
  ChangeScript* undo = nullptr;
};

/// Compares the live registry with the snapshot, from the key path the
/// snapshot was captured at, and writes the change scripts too when their
/// paths are given. True when it ran to its end, false when it stopped.
/// Raises FileError when a file cannot be opened, read or written, and when
/// the snapshot is damaged.
bool CompareRegistry(const std::string& snapshotPath, const std::string& newPath,
                    const std::string& modPath, const std::string& modoPath,
                    const std::string& remPath, const std::string& redoPath = {},
                    const std::string& undoPath = {});

/// Whether the change scripts hold the changes of the key at `path`. Keys
/// that other roots show as well are left to those: HKEY_CLASSES_ROOT,
/// HKEY_CURRENT_CONFIG and the current user's own keys below HKEY_USERS
/// (`userSid` and its _Classes), so that each change is written once.
bool ScriptsCover(std::string_view path, std::string_view userSid);

/// One comparison's walk, with the room that every key's listing and stored
/// block reuse; two walks share nothing.
class RegistryComparison {
 public:
  RegistryComparison(SnapshotReader& snapshot, RegistryReports& reports);

  /// Compares the key at `path`, whose block starts at the snapshot's
  /// current position, and everything below it. False when the walk stopped.
  bool CompareKey(const std::string& path);

 private:
  // A stored entry and a live one are the same entry when they are of one
  // kind and have one name.
  struct ByKindAndName {
    struct Key {
      bool isKey;
      std::string_view name;
      bool operator==(const Key&) const = default;
    };
    static Key KeyOf(const RegistryEntry& entry) { return {entry.isKey != 0, entry.name}; }
    static std::size_t Hash(const Key& key) { return std::hash<std::string_view>{}(key.name) + key.isKey; }
  };

  // A live value that changed, with the stored one it replaces (none for a
  // new value): the scripts need both once the key has been listed.
  struct ChangedValue {
    RegistryEntry live;
    const RegistryEntry* before;
  };

  enum class Walk { kDone, kStopped, kGone };
  // CompareKey, but for a key gone before it could be opened, which the
  // caller reports (goneError_ tells why).
  Walk CompareKeyAt(const std::string& path);
  // A subkey listed a moment ago and gone before its turn: as one that
  // cannot be read, it is reported with its stored subtree as removed.
  bool ReportGone(const std::string& parentPath, std::string_view name, std::uint32_t childOffset);

  // The scripts' part of one key, written once its listing is complete:
  // removals before additions in redo.reg, the reverse in undo.reg.
  void ScriptKey(const std::string& path, bool listed);
  // The new subkeys, into new.reg and redo.reg in one walk each.
  void ExportNewKeys();

  SnapshotReader& snapshot_;
  RegistryReports& reports_;
  std::string userSid_;
  ListingRoom room_;
  std::uint32_t goneError_ = 0;
  // What one key's listing found new or changed; used before the walk goes
  // deeper, so every key reuses them.
  std::vector<ChangedValue> changed_;
  std::vector<std::string> newKeys_;  // the paths of the new subkeys
  // The entries of the key's stored block, the first `count` of them. Only
  // one key's block is needed at a time: the next block reuses the room of
  // the last, its entries' buffers included.
  std::vector<RegistryEntry> stored_;
  FirstUntakenIndex<std::vector<RegistryEntry>, ByKindAndName> untaken_;
};
