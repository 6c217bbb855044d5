#pragma once
// The capture: the whole registry, or the part below one key, depth first
// into reg.bin.

#include <cstdint>
#include <string>

#include "registry/registry_key_enumerator.h"
#include "registry/registry_snapshot.h"

class File;

/// Captures the registry below `rootPath` ("" for all of it) into the file at
/// `snapshotPath`. True when the walk completed, false when it stopped.
/// Raises FileError when the file cannot be created or written.
bool CaptureRegistry(const std::string& rootPath, const std::string& snapshotPath);

/// One capture's walk, with the room that every key's listing and record
/// reuse; two walks share nothing.
class RegistryCapture {
 public:
  /// Writes into `file`, open for writing and empty.
  explicit RegistryCapture(File& file) : writer_(file) {}

  /// Writes the header and the blocks of `rootPath` and all below it. False
  /// when the walk stopped.
  bool Capture(const std::string& rootPath);
  /// Writes the block of `path` and, recursively, of its subkeys.
  /// `parentSlot` is where in the file the caller's entry for this key has its
  /// child offset, which receives this block's start; 0 for the level the
  /// capture started at. False when the walk stopped.
  bool CaptureKey(const std::string& path, std::uint32_t parentSlot);

 private:
  SnapshotWriter writer_;
  ListingRoom room_;
};
