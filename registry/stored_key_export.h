#pragma once
// A key's whole stored subtree, replayed from the snapshot as REGEDIT4.

#include <string>

#include "registry/registry_entry.h"

class ChangeScript;
class File;
class SnapshotReader;

/// Writes the header of the stored key `key` (read from the block of
/// `parentPath`), its values and, depth first, its subkeys. False when `key`
/// is a value or when the snapshot ends inside the subtree. Leaves the
/// snapshot positioned anywhere: readers seek to the block they need. With a
/// `script`, the subtree goes there as well, each key with its values.
bool ExportStoredKey(SnapshotReader& snapshot, const RegistryEntry& key, File& file,
                     const std::string& parentPath, ChangeScript* script = nullptr);
