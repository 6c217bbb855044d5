#pragma once
// The comparison of the live registry with reg.bin, into four REGEDIT4
// reports: new keys and values, modified values as they are now and as they
// were, removed keys and values.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/file.h"
#include "io/first_untaken_index.h"
#include "registry/registry_entry.h"
#include "registry/registry_key_enumerator.h"

class SnapshotReader;

struct RegistryReports {
  File added;     // new.reg
  File modified;  // mod.reg
  File original;  // modo.reg
  File removed;   // rem.reg
};

/// Compares the live registry with the snapshot, from the key path the
/// snapshot was captured at. Returns 1 when it ran to its end, 0 when it
/// stopped. Raises FileError when a file cannot be opened, read or written,
/// and when the snapshot is damaged.
int CompareRegistry(const std::string& snapshotPath, const std::string& newPath,
                    const std::string& modPath, const std::string& modoPath,
                    const std::string& remPath);

/// One comparison's walk, with the room that every key's listing and stored
/// block reuse; two walks share nothing.
class RegistryComparison {
 public:
  RegistryComparison(SnapshotReader& snapshot, RegistryReports& reports) : snapshot_(snapshot), reports_(reports) {}

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

  SnapshotReader& snapshot_;
  RegistryReports& reports_;
  ListingRoom room_;
  // The entries of the key's stored block, the first `count` of them. Only
  // one key's block is needed at a time: the next block reuses the room of
  // the last, its entries' buffers included.
  std::vector<RegistryEntry> stored_;
  FirstUntakenIndex<std::vector<RegistryEntry>, ByKindAndName> untaken_;
};
