#pragma once
// The comparison of the live registry with reg.bin, into four REGEDIT4
// reports: new keys and values, modified values as they are now and as they
// were, removed keys and values.

#include <string>

#include "io/file.h"

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

/// Compares the key at `path`, whose block starts at the snapshot's current
/// position, and everything below it. Returns 1, or 0 to stop.
int CompareKey(const std::string& path, SnapshotReader& snapshot, RegistryReports& reports);
