#pragma once
// REGEDIT4 text: value lines and key headers (RegistryEntry::WriteAsReg), and
// the export of a live key's whole subtree.

#include <string>

#include "registry/registry_entry.h"

class File;

/// The value line of `value`, CR LF included, as WriteAsReg writes it.
std::string FormatRegValueLine(const RegistryEntry& value);

/// Writes the values and, depth first, the subkeys of the live key at
/// `keyPath`; the caller has written the key's own header. Returns 1, or 0
/// when a key could not be opened or listed (what was written stays).
int ExportLiveKey(File& file, const std::string& keyPath);
