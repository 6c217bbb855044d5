#pragma once
// REGEDIT4 text: value lines and key headers, and the export of a live key's
// whole subtree.

#include <string>

#include "registry/registry_entry.h"
#include "registry/registry_key_enumerator.h"

class ChangeScript;
class File;

/// The value line of `value`, CR LF included, as WriteAsReg writes it.
std::string FormatRegValueLine(const RegistryEntry& value);

/// Writes `entry` as REGEDIT4: a value line, preceded by the header of
/// `keyPath` when that is not null; or, for a key, the header of the subkey
/// below `keyPath` (nothing when `keyPath` is null).
void WriteAsReg(File& file, const RegistryEntry& entry, const char* keyPath);

/// Writes the values and, depth first, the subkeys of the live key at
/// `keyPath`; the caller has written the key's own header. The listings take
/// their room from the caller's walk. False when a key could not be opened or
/// listed (what was written stays); a key gone since it was listed has
/// nothing to export. With a `script`, whose section of the key
/// the caller has started too, every key and value goes there as well.
bool ExportLiveKey(File& file, const std::string& keyPath, ListingRoom& room, ChangeScript* script = nullptr);
